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

// Creates the last component of `folder` (ending with a backslash) inside a
// folder the run made. One that is already there will do only when this run
// made it: anything else of that name (a file, a folder or a link that
// another process put there) is reported with the creation's code
// (ERROR_ALREADY_EXISTS) and never entered. A parent the run did not make is
// reported as not found.
bool CreateMirrorFolder(const std::wstring& folder, const CollectionContext& context);

// Tests that installation root + relative folder exists (a file of that name
// passes too) and creates the last component of mirror base + relative
// folder. Nothing when the folder is not installed (reported as missing);
// nothing after reporting the failure when the destination cannot be
// created.
std::optional<MirrorFolders> OpenMirror(const CollectionContext& context,
                                        const std::wstring& relativeFolder);

enum class CopyProgress { Shown, Silent };

// A copy makes a new file; only the run's own export of a configurator is
// replaced by the installed file of the same name.
enum class CopyTarget { NewFile, ReplacesExport };

// What the copies of one folder came to, reported once the folder is done.
class FolderTally {
  public:
    FolderTally() : m_startedAt(::GetTickCount64()) {}

    // Copies source folder + the entry's name over destination folder + the
    // same name and counts it. A failure is reported with the source path;
    // the caller goes on with its next entry.
    bool Copy(const MirrorFolders& folders, const WIN32_FIND_DATAW& entry, ICollectionUi& ui,
              CopyProgress progress, CopyTarget target);

    void Report(const MirrorFolders& folders, bool fallbackUsed, ICollectionUi& ui) const;
    unsigned long long Files() const { return m_files; }

  private:
    ULONGLONG m_startedAt;
    unsigned long long m_files = 0;
    unsigned long long m_bytes = 0;
};
