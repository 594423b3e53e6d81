#include "win/MessageBox.h"

#include "win/Module.h"

std::wstring ProgramTitle() {
    return ProgramName();
}

void ShowMessage(HWND owner, const std::wstring& text, UINT icon) {
    const UINT iconFlags = (icon & MB_ICONMASK) != 0 ? (icon & MB_ICONMASK) : MB_ICONEXCLAMATION;
    ::MessageBoxW(owner, text.c_str(), ProgramTitle().c_str(), MB_OK | iconFlags);
}
