#pragma once

#include <windows.h>
#include <string>

// The text of a string-table entry of the active resource module, cut to
// 1023 characters; "S" + number when the entry is missing or empty.
std::wstring LoadResourceText(UINT number);
