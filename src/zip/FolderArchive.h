// Packs a folder, everything below it, into one new ZIP archive.
#pragma once

#include <windows.h>
#include <string>

// Told while packing; the caller words it.
class IArchiveObserver {
  public:
    virtual ~IArchiveObserver() = default;
    // Before each file is packed.
    virtual void FileStarted(const std::wstring& path) = 0;
    // Between the chunks of a file, so that a window stays painted during
    // long ones.
    virtual void LetPaintThrough() = 0;
    // A file left out of the archive, with the system error: it could not
    // be opened or read, its name cannot be stored, or it is a link
    // (ERROR_CANT_ACCESS_FILE).
    virtual void FileUnreadable(const std::wstring& path, DWORD code) = 0;
    // A folder (`path` ends with a backslash) whose contents are left out,
    // with the system error: it could not be listed (its entry stays, empty),
    // or, left out itself, its name cannot be stored or it is a link.
    virtual void FolderUnreadable(const std::wstring& path, DWORD code) = 0;
    // Each file the walk finds (the archive aside), readable or not, with
    // the size its folder entry gives.
    virtual void FileFound(unsigned long long /*size*/) {}
};

struct ArchiveResult {
    bool written = false; // the archive is complete and closed
    DWORD error = 0;      // system error of the archive's creation or a write (archive removed)
    unsigned long long entries = 0, bytesIn = 0, bytesOut = 0; // bytesOut: the archive's size
    ULONGLONG durationMs = 0;
};

// Packs every file and folder below `folder` (ending with a backslash) into
// the new file `archivePath`, each entry named `topName` + "/" + its path
// below the folder with forward slashes, folders (empty ones too, and the
// top one as `topName` + "/") ending in "/". The archive is written as
// `archivePath` + ".part" and renamed once whole; that file, when it lies
// inside the folder, is not packed. A link, to a file or a folder, is left
// out and told: what it leads to is not the folder's own.
ArchiveResult PackFolder(const std::wstring& folder, const std::wstring& archivePath,
                         const std::wstring& topName, IArchiveObserver& observer);
