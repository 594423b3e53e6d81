#include "win/VersionInfo.h"

#include <vector>

bool ReadProductVersion(const std::wstring& path, ProductVersion& version,
                        VersionReadFailure* failure, DWORD* error) {
    const auto fail = [&](VersionReadFailure step, DWORD code) {
        if (failure != nullptr)
            *failure = step;
        if (error != nullptr)
            *error = code;
        return false;
    };
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return fail(VersionReadFailure::NoVersionData, 0);
    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return fail(VersionReadFailure::GetFileVersionInfo, ::GetLastError());
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoLength) ||
        info == nullptr || infoLength < sizeof(VS_FIXEDFILEINFO))
        return fail(VersionReadFailure::VerQueryValue, ::GetLastError());
    version.first = HIWORD(info->dwProductVersionMS);
    version.second = LOWORD(info->dwProductVersionMS);
    version.third = HIWORD(info->dwProductVersionLS);
    version.fourth = LOWORD(info->dwProductVersionLS);
    if (failure != nullptr)
        *failure = VersionReadFailure::None;
    return true;
}

std::wstring FormatProductVersion(const ProductVersion& version) {
    return std::to_wstring(version.first) + L"." + std::to_wstring(version.second) + L"." +
           std::to_wstring(version.third) + L"." + std::to_wstring(version.fourth);
}
