#include "shared/FileTree.h"

#include "win/FolderEnumerator.h"

#include <windows.h>

bool RemoveTree(const std::wstring& folder) {
    std::wstring path = folder;
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    {
        // The search stays open only while this block runs: a folder with an
        // open search cannot be removed.
        CFolderEnumerator entries(path + L"\\*");
        WIN32_FIND_DATAW entry;
        while (entries.Next(entry)) {
            if (IsDots(entry))
                continue;
            const std::wstring child = path + L"\\" + entry.cFileName;
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (IsFolderEntry(entry))
                RemoveTree(child);
            else
                ::DeleteFileW(child.c_str());
        }
    }
    if (::RemoveDirectoryW(path.c_str()))
        return true;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
