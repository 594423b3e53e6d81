#pragma once

#include "win/VersionInfo.h"

#include <windows.h>
#include <functional>
#include <string>

// "%05d%05d" of the first two numbers: ordering two keys as texts orders the
// versions by (first, second) numerically; third and fourth do not count.
std::wstring VersionKey(const ProductVersion& version);

using StartupMessageSink = std::function<void(const std::wstring& text)>;

// Checks the suite's resource library at its full path and maps it as
// resources, never running its code, when its version key is not below the
// program's. Refusals and failures are told through `show` with the fixed
// English start-up texts; a library that is missing, carries no version data
// or lacks either dialog template or the dialog's icon is passed over
// silently. Returns the mapped module (free it with FreeLibrary) or null.
HMODULE CheckResourceLibrary(const std::wstring& libraryPath, const ProductVersion& ownVersion,
                             const StartupMessageSink& show);
