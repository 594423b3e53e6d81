#include "app/ResourceLibrary.h"

#include "res/resource.h"
#include "win/Handles.h"
#include "win/PeImage.h"

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

// Refusals that say the system cannot map this file as an image for this
// program (a 64-bit file on 32-bit Windows: 193; a foreign machine or
// header: 216, 191), which a plain data mapping does not need. Any other
// refusal (the file cannot be read or is locked, memory runs out, or an
// image load ran code that failed: 1114) says the file is unusable, and
// must never be papered over by a second way in.
bool IsUnmappableImage(DWORD error) {
    return error == ERROR_BAD_EXE_FORMAT || error == ERROR_EXE_MACHINE_TYPE_MISMATCH ||
           error == ERROR_INVALID_EXE_SIGNATURE;
}

// What the program takes from the library without a fallback of its own:
// without either template no window could open at all.
bool HoldsWhatTheProgramNeeds(HMODULE module) {
    return ::FindResourceW(module, MAKEINTRESOURCEW(IDD_ABOUTBOX), RT_DIALOG) != nullptr &&
           ::FindResourceW(module, MAKEINTRESOURCEW(IDD_DORVAK_DIALOG), RT_DIALOG) != nullptr &&
           ::FindResourceW(module, MAKEINTRESOURCEW(IDI_DORVAK), RT_GROUP_ICON) != nullptr;
}
} // namespace

HMODULE CheckResourceLibrary(const std::wstring& libraryPath, const ProductVersion& ownVersion,
                             const StartupMessageSink& show) {
    ProductVersion libraryVersion;
    VersionReadFailure failure = VersionReadFailure::None;
    DWORD error = 0;
    if (!ReadProductVersion(libraryPath, libraryVersion, &failure, &error)) {
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

    // Mapped as resources only: none of its code runs, and a library built
    // for the other bitness serves as well as one of the program's own.
    LibraryModule module(::LoadLibraryExW(
        libraryPath.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
    if (!module) {
        const DWORD loadError = ::GetLastError();
        // 32-bit Windows cannot map a 64-bit file as an image at all; read
        // as a plain data file its resources are found all the same. A file
        // for any other machine is no library of the suite.
        const WORD machine = ImageMachine(libraryPath);
        if (IsUnmappableImage(loadError) &&
            (machine == IMAGE_FILE_MACHINE_I386 || machine == IMAGE_FILE_MACHINE_AMD64))
            module.Reset(::LoadLibraryExW(libraryPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!module) {
            // The first refusal says why the file is not a usable module.
            show(WithCode(L"LoadLibrary", loadError));
            return nullptr;
        }
    }
    if (!HoldsWhatTheProgramNeeds(module.Get()))
        return nullptr;
    return module.Release();
}
