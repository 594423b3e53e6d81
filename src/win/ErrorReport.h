#pragma once

#include <windows.h>
#include <string>

// The message ReportSystemError shows: the caller's text, then, for a code
// other than 0, ": <decimal> (0x<hex>) - <system text without its CR LF>".
// A code the system has no text for keeps the prefix and both numbers.
std::wstring ComposeSystemErrorText(const std::wstring& text, DWORD code);

// Shows the composed text in a modal error box owned by `owner` and returns
// when the user has closed it. An empty text with code 0 shows nothing;
// code -1 stands for the thread's last error at the moment of the call.
void ReportSystemError(HWND owner, const std::wstring& text, DWORD code);
