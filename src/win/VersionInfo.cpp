#include "win/VersionInfo.h"

#include <vector>

bool ReadProductVersion(const std::wstring& path, ProductVersion& version, DWORD* error) {
    if (error != nullptr)
        *error = 0;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return false;
    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
        if (error != nullptr)
            *error = ::GetLastError();
        return false;
    }
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoLength) ||
        info == nullptr || infoLength < sizeof(VS_FIXEDFILEINFO)) {
        if (error != nullptr)
            *error = ::GetLastError();
        return false;
    }
    version.first = HIWORD(info->dwProductVersionMS);
    version.second = LOWORD(info->dwProductVersionMS);
    version.third = HIWORD(info->dwProductVersionLS);
    version.fourth = LOWORD(info->dwProductVersionLS);
    return true;
}

std::wstring FormatProductVersion(const ProductVersion& version) {
    return std::to_wstring(version.first) + L"." + std::to_wstring(version.second) + L"." +
           std::to_wstring(version.third) + L"." + std::to_wstring(version.fourth);
}
