#include "collect/ConfigFolderCopy.h"

#include "collect/MirroredFolder.h"

namespace {
// `extension` empty: every entry the search returns is copied.
std::optional<unsigned long long> MirrorAndCopy(const CollectionContext& context,
                                                const std::wstring& relativeFolder,
                                                const std::wstring& pattern,
                                                const std::wstring& extension, CopyTarget target) {
    const std::optional<MirrorFolders> folders = OpenMirror(context, relativeFolder);
    if (!folders)
        return std::nullopt;
    FolderTally tally;
    ForEachFoundEntry(folders->source + pattern, [&](const WIN32_FIND_DATAW& entry) {
        // A folder cannot be copied as a file: taking one would only give a
        // failure box for something that is not the operator's data.
        if (IsFolderEntry(entry))
            return;
        if (!extension.empty() && !HasExtension(entry.cFileName, extension))
            return;
        tally.Copy(*folders, entry, context.ui, CopyProgress::Shown, target);
    });
    tally.Report(*folders, false, context.ui);
    return tally.Files();
}
} // namespace

bool CollectProductConfig(const CollectionContext& context, const std::wstring& relativeFolder) {
    return MirrorAndCopy(context, relativeFolder, L"*.xml", L".xml", CopyTarget::NewFile)
        .has_value();
}

std::optional<unsigned long long> CollectMatchingFiles(const CollectionContext& context,
                                                       const std::wstring& relativeFolder,
                                                       const std::wstring& filePattern) {
    return MirrorAndCopy(context, relativeFolder, filePattern, std::wstring(), CopyTarget::NewFile);
}

std::optional<unsigned long long> ReplaceExportWithInstalled(const CollectionContext& context,
                                                             const std::wstring& relativeFolder,
                                                             const std::wstring& fileName) {
    return MirrorAndCopy(context, relativeFolder, fileName, std::wstring(),
                         CopyTarget::ReplacesExport);
}
