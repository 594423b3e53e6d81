#include "app/MessageBox.h"

#include "win/Module.h"

std::wstring ProgramTitle() {
    std::wstring name = ModuleFileName(nullptr);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

void ShowMessage(HWND owner, const std::wstring& text, UINT icon) {
    const UINT iconFlags = (icon & MB_ICONMASK) != 0 ? (icon & MB_ICONMASK) : MB_ICONEXCLAMATION;
    ::MessageBoxW(owner, text.c_str(), ProgramTitle().c_str(), MB_OK | iconFlags);
}
