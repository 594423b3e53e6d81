#include "collect/MirroredFolder.h"

std::optional<MirrorFolders> OpenMirror(const CollectionContext& context,
                                        const std::wstring& relativeFolder) {
    const std::wstring installedFolder = context.installationRoot + relativeFolder;
    if (!IsFound(installedFolder)) {
        context.ui.Report(RunEvent::FolderMissing(relativeFolder));
        return std::nullopt;
    }

    MirrorFolders folders{relativeFolder, installedFolder + L"\\",
                          context.mirrorBase + relativeFolder + L"\\"};
    if (!CreateMirrorFolder(folders.destination, context))
        return std::nullopt;
    return folders;
}

bool CreateMirrorFolder(const std::wstring& folder, const CollectionContext& context) {
    // Only the last component is made: the plan mirrors parents first, and a
    // missing parent is worth a message rather than a silent deep tree.
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (context.ownFolders.Contains(ParentFolder(folder))) {
        if (::CreateDirectoryW(folder.c_str(), nullptr)) {
            context.ownFolders.Add(folder);
            return true;
        }
        error = ::GetLastError();
        if (error == ERROR_ALREADY_EXISTS && context.ownFolders.Contains(folder))
            return true;
    }
    context.ui.Report(RunEvent::FolderNotCreated(folder, error));
    return false;
}

namespace {
// The installed file in place of the export: copied beside it first, so
// that a copy that fails leaves the export whole, then moved over it.
bool ReplaceExport(const std::wstring& source, const std::wstring& destination, DWORD& error) {
    const std::wstring part = destination + L".part";
    if (!::CopyFileW(source.c_str(), part.c_str(), TRUE)) {
        error = ::GetLastError();
        return false;
    }
    if (!::MoveFileExW(part.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = ::GetLastError();
        ::DeleteFileW(part.c_str());
        return false;
    }
    return true;
}
} // namespace

bool FolderTally::Copy(const MirrorFolders& folders, const WIN32_FIND_DATAW& entry,
                       ICollectionUi& ui, CopyProgress progress, CopyTarget target) {
    const std::wstring source = folders.source + entry.cFileName;
    const std::wstring destination = folders.destination + entry.cFileName;
    if (progress == CopyProgress::Shown)
        ui.ShowProgress(destination);
    DWORD error = 0;
    const bool copied = target == CopyTarget::ReplacesExport
                            ? ReplaceExport(source, destination, error)
                            : ::CopyFileW(source.c_str(), destination.c_str(), TRUE) != FALSE;
    if (!copied) {
        if (error == 0)
            error = ::GetLastError();
        // The whole source path: a bare name does not tell support which of
        // the many log folders failed.
        ui.Report(RunEvent::CopyFailed(source, error));
        return false;
    }
    ++m_files;
    m_bytes += (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    return true;
}

void FolderTally::Report(const MirrorFolders& folders, bool fallbackUsed, ICollectionUi& ui) const {
    ui.Report(RunEvent::FolderCollected(folders.relative, {m_files, m_bytes}, fallbackUsed,
                                        ::GetTickCount64() - m_startedAt));
}
