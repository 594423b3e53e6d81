#include "collect/MirroredFolder.h"

std::optional<MirrorFolders> OpenMirror(const CollectionContext& context,
                                        const std::wstring& relativeFolder) {
    const std::wstring installedFolder = context.installationRoot + relativeFolder;
    if (!IsFound(installedFolder)) {
        context.ui.Report(RunEvent::WithPath(RunEventKind::FolderMissing, relativeFolder));
        return std::nullopt;
    }

    MirrorFolders folders{relativeFolder, installedFolder + L"\\",
                          context.mirrorBase + relativeFolder + L"\\"};
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
    ui.Report(RunEvent::WithPath(RunEventKind::FolderNotCreated, folder, error));
    return false;
}

bool FolderTally::Copy(const MirrorFolders& folders, const WIN32_FIND_DATAW& entry,
                       ICollectionUi& ui, CopyProgress progress) {
    const std::wstring source = folders.source + entry.cFileName;
    const std::wstring destination = folders.destination + entry.cFileName;
    if (progress == CopyProgress::Shown)
        ui.ShowProgress(destination);
    if (!::CopyFileW(source.c_str(), destination.c_str(), FALSE)) {
        const DWORD error = ::GetLastError();
        // The whole source path: a bare name does not tell support which of
        // the many log folders failed.
        ui.Report(RunEvent::WithPath(RunEventKind::CopyFailed, source, error));
        return false;
    }
    ++m_files;
    m_bytes += (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    return true;
}

void FolderTally::Report(const MirrorFolders& folders, bool fallbackUsed, ICollectionUi& ui) const {
    RunEvent event = RunEvent::WithPath(RunEventKind::FolderCollected, folders.relative);
    event.files = m_files;
    event.bytes = m_bytes;
    event.fallbackUsed = fallbackUsed;
    event.durationMs = ::GetTickCount64() - m_startedAt;
    ui.Report(event);
}
