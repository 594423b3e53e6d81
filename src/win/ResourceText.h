#pragma once

#include <windows.h>
#include <optional>
#include <string>

// The whole text of a string-table entry of the active resource module;
// nothing when the entry is missing or empty.
std::optional<std::wstring> LoadStringEntry(UINT id);

// The entry cut to 1023 characters; "S" + number when it is missing or
// empty.
std::wstring LoadResourceText(UINT number);
