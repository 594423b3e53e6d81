#pragma once

#include <windows.h>
#include <string>

// The system's description of an error code in the user's default language,
// exactly as FormatMessageW gives it (normally ending with CR LF); empty when
// the system has none.
std::wstring SystemMessageText(DWORD code);
