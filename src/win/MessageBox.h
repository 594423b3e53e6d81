#pragma once

#include <windows.h>
#include <string>

// The program's name as message boxes show it: the executable's file name
// without its extension.
std::wstring ProgramTitle();

// A modal message box with one OK button and the program's name as caption.
// A box asked for without an icon gets the exclamation icon.
void ShowMessage(HWND owner, const std::wstring& text, UINT icon);
