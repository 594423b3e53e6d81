#pragma once

#include <set>
#include <string>

// The folders this run made itself. Inside the dated folder a name that is
// already there may be anyone's: a folder, or a link to a folder elsewhere
// that another process put there while the run went on. The run writes only
// into the folders it made.
class OwnFolders {
  public:
    // `folder` ends with a backslash.
    void Add(const std::wstring& folder);
    bool Contains(const std::wstring& folder) const;

  private:
    std::set<std::wstring> m_folders; // upper case: the file system ignores it
};

// The folder that holds `folder` (both end with a backslash).
std::wstring ParentFolder(const std::wstring& folder);
