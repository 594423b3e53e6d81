#include "win/SystemFacts.h"

#include "win/FolderEnumerator.h"
#include "win/Handles.h"

#include <vector>

std::wstring ComputerName() {
    DWORD length = 0;
    ::GetComputerNameW(nullptr, &length);
    if (length == 0)
        return std::wstring();
    std::vector<wchar_t> name(length + 1);
    length = static_cast<DWORD>(name.size());
    if (!::GetComputerNameW(name.data(), &length))
        return std::wstring();
    return std::wstring(name.data(), length);
}

bool RunsUnderWow64() {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

std::optional<unsigned long long> FileSize(const std::wstring& path) {
    FileHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size))
        return std::nullopt;
    return static_cast<unsigned long long>(size.QuadPart);
}

TreeTotals CountTree(const std::wstring& folder, const std::wstring& except) {
    TreeTotals totals;
    ForEachFoundEntry(folder + L"*", [&](const WIN32_FIND_DATAW& entry) {
        if (IsDots(entry))
            return;
        const std::wstring path = folder + entry.cFileName;
        if (IsFolderEntry(entry)) {
            const TreeTotals inner = CountTree(path + L"\\", except);
            totals.files += inner.files;
            totals.bytes += inner.bytes;
        } else if (path != except) {
            ++totals.files;
            totals.bytes +=
                (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        }
    });
    return totals;
}
