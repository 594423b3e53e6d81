#pragma once

#include <string>

// The suite's installation root: the parent of the folder that holds the
// executable, with its trailing backslash (C:\Suite\Dorvak\Dorvak.exe gives
// C:\Suite\). An executable at a drive's top level gives the drive's root
// folder, C:\, never the drive-relative C:.
std::wstring InstallationRootFromExecutablePath(const std::wstring& executablePath);
