#include "collect/LogFolderCopy.h"

#include "collect/MirroredFolder.h"

bool CollectLogFolder(const CollectionContext& context, const std::wstring& relativeFolder) {
    const std::optional<MirrorFolders> folders = OpenMirror(context, relativeFolder);
    if (!folders)
        return false;

    // The newest entry is found in the same pass that copies, so a folder
    // of many old logs costs one search and no list in memory.
    DateTime newestTime = DateTime::FromFields(1900, 1, 1, 0, 0, 0);
    WIN32_FIND_DATAW newest{};
    bool selected = false;
    FolderTally tally;
    ForEachFoundEntry(folders->source + L"*.*", [&](const WIN32_FIND_DATAW& entry) {
        // Sub-folders (".", ".." and an archive folder alike) are not logs:
        // one would fail to copy and, counted as selected, would keep the
        // newest log from being taken when nothing else is recent.
        if (IsFolderEntry(entry))
            return;
        const DateTime entryTime = DateTime::FromFileTime(entry.ftLastWriteTime);
        // Equal times keep the first one met.
        if (entryTime.LaterThan(newestTime)) {
            newestTime = entryTime;
            newest = entry;
        }
        // An entry time is never null, so this also needs both values valid.
        if (entryTime.NotEarlierThan(context.startDate)) {
            // Counts even when the copy fails: a failed log is reported, not
            // silently replaced by an older one.
            selected = true;
            tally.Copy(*folders, entry, context.ui, CopyProgress::Shown, CopyTarget::NewFile);
        }
    });

    const bool fallback = !selected && newest.cFileName[0] != L'\0';
    if (fallback)
        tally.Copy(*folders, newest, context.ui, CopyProgress::Silent, CopyTarget::NewFile);
    tally.Report(*folders, fallback, context.ui);
    return true;
}
