#include "win/LongPath.h"

#include <windows.h>

std::wstring ExtendedLengthPath(const std::wstring& path) {
    if (path.compare(0, 4, L"\\\\?\\") == 0 || path.compare(0, 4, L"\\\\.\\") == 0)
        return path;
    std::wstring full(path.size() + MAX_PATH, L'\0');
    DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = ::GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    }
    if (length == 0 || length >= full.size())
        return path;
    full.resize(length);
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}
