#include "collect/MirroredFolder.h"

#include "res/resource.h"
#include "win/ResourceText.h"

std::optional<MirrorFolders> OpenMirror(const CollectionContext& context,
                                        const std::wstring& relativeFolder) {
    const std::wstring installedFolder = context.installationRoot + relativeFolder;
    if (!IsFound(installedFolder))
        return std::nullopt;

    MirrorFolders folders{installedFolder + L"\\", context.mirrorBase + relativeFolder + L"\\"};
    if (!CreateMirrorFolder(folders.destination, context.ui))
        return std::nullopt;
    return folders;
}

bool CreateMirrorFolder(const std::wstring& folder, ICollectionUi& ui) {
    // Only the last component is made: the plan mirrors parents first, and a
    // missing parent is worth a message rather than a silent deep tree.
    if (::CreateDirectoryW(folder.c_str(), nullptr))
        return true;
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = ::GetFileAttributesW(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return true;
    }
    ui.ReportSystemError(LoadResourceText(IDS_CREATE_FOLDER_FAILED) + folder, error);
    return false;
}

void CopyMirroredEntry(const MirrorFolders& folders, const std::wstring& name, ICollectionUi& ui,
                       CopyProgress progress) {
    const std::wstring source = folders.source + name;
    const std::wstring destination = folders.destination + name;
    if (progress == CopyProgress::Shown)
        ui.ShowProgress(destination);
    if (!::CopyFileW(source.c_str(), destination.c_str(), FALSE)) {
        const DWORD error = ::GetLastError();
        // The whole source path: a bare name does not tell support which of
        // the many log folders failed.
        ui.ReportSystemError(LoadResourceText(IDS_COPY_FILE_FAILED) + source, error);
    }
}
