#pragma once

#include "win/VersionInfo.h"

#include <windows.h>
#include <functional>
#include <string>

// "%05d%05d" of the first two numbers: ordering two keys as texts orders the
// versions by (first, second) numerically; third and fourth do not count.
std::wstring VersionKey(const ProductVersion& version);

using StartupMessageSink = std::function<void(const std::wstring& text)>;

// Checks the suite's resource library and loads it when its version key is
// not below the program's. Refusals and failures are told through `show` with
// the fixed English start-up texts; a library that is missing or carries no
// version data is passed over silently. Returns the loaded module or null.
HMODULE CheckResourceLibrary(const std::wstring& libraryName, const ProductVersion& ownVersion,
                             const StartupMessageSink& show);
