#include "app/InstallLayout.h"

std::wstring InstallationRootFromExecutablePath(const std::wstring& executablePath) {
    // The executable's folder with its trailing backslash.
    const size_t nameStart = executablePath.find_last_of(L"\\/");
    std::wstring folder =
        nameStart == std::wstring::npos ? std::wstring() : executablePath.substr(0, nameStart + 1);

    if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();

    const size_t lastSlash = folder.find_last_of(L"\\/");
    std::wstring root = folder;
    if (lastSlash != std::wstring::npos && lastSlash != 0)
        root = folder.substr(0, lastSlash + 1);

    // Appending to "C:" would make paths relative to the drive's current
    // folder; the root folder of the drive is what is meant.
    if (root.size() == 2 && root[1] == L':')
        root += L'\\';
    return root;
}
