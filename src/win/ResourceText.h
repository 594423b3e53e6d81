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

// For the texts this program added to the suite's set: the active module's
// entry when it holds one, else the program's own, so that a site's older
// resource library never shows a placeholder. Cut like LoadResourceText.
std::wstring LoadAddedResourceText(UINT number);
