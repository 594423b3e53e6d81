#include "app/ResourceLibrary.h"

#include <cwchar>

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
    ProductVersion libraryVersion;
    VersionReadFailure failure = VersionReadFailure::None;
    DWORD error = 0;
    if (!ReadProductVersion(libraryName, libraryVersion, &failure, &error)) {
        // A suite without the library, or with one that carries no version,
        // simply runs on the program's own resources.
        if (failure == VersionReadFailure::GetFileVersionInfo)
            show(WithCode(L"GetFileVersionInfo", error));
        else if (failure == VersionReadFailure::VerQueryValue)
            show(WithCode(L"VerQueryValue", error));
        return nullptr;
    }
    if (VersionKey(libraryVersion) < VersionKey(ownVersion)) {
        show(L"Version of TelmarRC.dll is bad");
        return nullptr;
    }

    HMODULE module = ::LoadLibraryW(libraryName.c_str());
    if (module == nullptr) {
        const DWORD loadError = ::GetLastError();
        show(WithCode(L"LoadLibrary", loadError));
    }
    return module;
}
