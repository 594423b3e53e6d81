#include "app/ResourceLibrary.h"

#include <cwchar>
#include <vector>

std::wstring VersionKey(const ProductVersion& version) {
    wchar_t key[16];
    std::swprintf(key, 16, L"%05d%05d", static_cast<int>(version.first),
                  static_cast<int>(version.second));
    return key;
}

namespace {
std::wstring WithCode(const wchar_t* call, DWORD code) {
    return std::wstring(call) + L" " + std::to_wstring(static_cast<int>(code));
}
} // namespace

HMODULE CheckResourceLibrary(const std::wstring& libraryName, const ProductVersion& ownVersion,
                             const StartupMessageSink& show) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(libraryName.c_str(), &ignored);
    if (size == 0)
        return nullptr;

    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoW(libraryName.c_str(), 0, size, data.data())) {
        const DWORD error = ::GetLastError();
        show(WithCode(L"GetFileVersionInfo", error));
        return nullptr;
    }

    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoLength) ||
        info == nullptr) {
        const DWORD error = ::GetLastError();
        show(WithCode(L"VerQueryValue", error));
        return nullptr;
    }

    ProductVersion libraryVersion;
    libraryVersion.first = HIWORD(info->dwProductVersionMS);
    libraryVersion.second = LOWORD(info->dwProductVersionMS);
    if (VersionKey(libraryVersion) < VersionKey(ownVersion)) {
        show(L"Version of TelmarRC.dll is bad");
        return nullptr;
    }

    HMODULE module = ::LoadLibraryW(libraryName.c_str());
    if (module == nullptr) {
        const DWORD error = ::GetLastError();
        show(WithCode(L"LoadLibrary", error));
    }
    return module;
}
