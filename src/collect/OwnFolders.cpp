#include "collect/OwnFolders.h"

#include <windows.h>

namespace {
std::wstring Key(std::wstring folder) {
    if (!folder.empty())
        ::CharUpperBuffW(folder.data(), static_cast<DWORD>(folder.size()));
    return folder;
}
} // namespace

void OwnFolders::Add(const std::wstring& folder) {
    m_folders.insert(Key(folder));
}

bool OwnFolders::Contains(const std::wstring& folder) const {
    return m_folders.count(Key(folder)) != 0;
}

std::wstring ParentFolder(const std::wstring& folder) {
    if (folder.size() < 2)
        return std::wstring();
    const size_t slash = folder.find_last_of(L'\\', folder.size() - 2);
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}
