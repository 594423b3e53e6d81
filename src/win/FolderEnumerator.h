// The one search loop over a folder's entries, for the program, its tests,
// tools and benchmarks alike.
#pragma once

#include "win/Handles.h"

#include <windows.h>
#include <functional>
#include <string>

// True for the "." and ".." entries a search of a folder's contents returns
// beside its real entries.
bool IsDots(const WIN32_FIND_DATAW& entry);

// True for a sub-folder (".", ".." included) as the search describes it.
inline bool IsFolderEntry(const WIN32_FIND_DATAW& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// True when the part of `name` from its last dot on equals `extension`
// (".xml"), regardless of letter case. The search's own matching is not
// enough: with short names it returns report.exe1 for "*.exe".
bool HasExtension(const std::wstring& name, const std::wstring& extension);

// Walks the entries the search for `pattern` (a folder with wildcards, or
// one path) returns, files and folders alike, in the platform's order. The
// search stays open only while the enumerator lives.
class CFolderEnumerator {
  public:
    explicit CFolderEnumerator(std::wstring pattern);

    CFolderEnumerator(const CFolderEnumerator&) = delete;
    CFolderEnumerator& operator=(const CFolderEnumerator&) = delete;

    // Fills `entry` with the next entry; false once there is none, or when
    // the search could not start (nothing matches, the folder is missing).
    bool Next(WIN32_FIND_DATAW& entry);

    // Once Next has returned false: 0 when the search reached its end or
    // nothing matched, else the system error that cut it short (a folder
    // that is missing or cannot be listed), so that a walk can tell an
    // empty folder from one it could not read.
    DWORD Error() const { return m_error; }

  private:
    bool Ended(DWORD code);

    std::wstring m_pattern;
    FindHandle m_search;
    bool m_started = false;
    DWORD m_error = 0;
};

// Hands `treat` each entry of CFolderEnumerator(pattern).
void ForEachFoundEntry(const std::wstring& pattern,
                       const std::function<void(const WIN32_FIND_DATAW&)>& treat);

// True when the search for `path` finds anything: a file of that name
// passes as well as a folder.
bool IsFound(const std::wstring& path);
