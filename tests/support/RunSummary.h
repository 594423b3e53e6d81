// What a collection run ends with, as the engine tests and the dialog
// tests both expect it.
#pragma once

#include "res/resource.h"
#include "win/ResourceText.h"

#include <string>

// The closing message of a run that wrote `datedFolder` (with its trailing
// backslash).
inline std::wstring ExpectedSummary(const std::wstring& datedFolder) {
    return LoadResourceText(IDS_SAVED_TO) + datedFolder + LoadResourceText(IDS_SEND_TO_SUPPORT);
}
