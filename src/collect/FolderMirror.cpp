#include "collect/FolderMirror.h"

#include "collect/MirrorFrame.h"

namespace {
// `extension` empty: every entry the search returns is copied.
bool MirrorAndCopy(const std::wstring& mirrorBase, const std::wstring& relativeFolder,
                   ICollectionUi& ui, const std::wstring& installationRoot,
                   const std::wstring& pattern, const std::wstring& extension) {
    const std::optional<MirrorFolders> folders =
        OpenMirror(mirrorBase, relativeFolder, installationRoot, ui);
    if (!folders)
        return false;
    ForEachFoundEntry(folders->source + pattern, [&](const WIN32_FIND_DATAW& entry) {
        // A folder cannot be copied as a file: taking one would only give a
        // failure box for something that is not the operator's data.
        if (IsFolderEntry(entry))
            return;
        const std::wstring name = entry.cFileName;
        if (!extension.empty() && !HasExtension(name, extension))
            return;
        CopyMirroredEntry(*folders, name, ui, CopyProgress::Shown);
    });
    return true;
}
} // namespace

bool CollectProductConfig(const std::wstring& mirrorBase, const std::wstring& relativeFolder,
                          ICollectionUi& ui, const std::wstring& installationRoot) {
    return MirrorAndCopy(mirrorBase, relativeFolder, ui, installationRoot, L"*.xml", L".xml");
}

bool CollectMatchingFiles(const std::wstring& mirrorBase, const std::wstring& relativeFolder,
                          ICollectionUi& ui, const std::wstring& installationRoot,
                          const std::wstring& filePattern) {
    return MirrorAndCopy(mirrorBase, relativeFolder, ui, installationRoot, filePattern,
                         std::wstring());
}
