// A folder of the installation and its mirror: the steps every folder copy
// of the engine begins with, shared by the configuration copy, the log copy
// and the version inventory.
#pragma once

#include "collect/CollectionContext.h"
#include "win/FolderEnumerator.h"

#include <windows.h>
#include <optional>
#include <string>

// Where one mirrored folder's entries are read and where their copies go;
// both end with a backslash.
struct MirrorFolders {
    std::wstring relative; // the folder under the installation root
    std::wstring source;
    std::wstring destination;
};

// Creates the last component of `folder` (ending with a backslash). One that
// is already there will do only when it is a folder: a file of that name in
// the way is reported with the creation's code (ERROR_ALREADY_EXISTS), once,
// rather than by every copy that would fail inside it.
bool CreateMirrorFolder(const std::wstring& folder, ICollectionUi& ui);

// Tests that installation root + relative folder exists (a file of that name
// passes too) and creates the last component of mirror base + relative
// folder. Nothing when the folder is not installed (reported as missing);
// nothing after reporting the failure when the destination cannot be
// created.
std::optional<MirrorFolders> OpenMirror(const CollectionContext& context,
                                        const std::wstring& relativeFolder);

enum class CopyProgress { Shown, Silent };

// What the copies of one folder came to, reported once the folder is done.
class FolderTally {
  public:
    FolderTally() : m_startedAt(::GetTickCount64()) {}

    // Copies source folder + the entry's name over destination folder + the
    // same name and counts it. A failure is reported with the source path;
    // the caller goes on with its next entry.
    bool Copy(const MirrorFolders& folders, const WIN32_FIND_DATAW& entry, ICollectionUi& ui,
              CopyProgress progress);

    void Report(const MirrorFolders& folders, bool fallbackUsed, ICollectionUi& ui) const;
    unsigned long long Files() const { return m_files; }

  private:
    ULONGLONG m_startedAt;
    unsigned long long m_files = 0;
    unsigned long long m_bytes = 0;
};
