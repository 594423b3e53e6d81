#pragma once

#include "win/Handles.h"

#include <windows.h>
#include <string>

// The security descriptor CreateProtectedFolder gives the folder: a
// protected access list, inherited by files and folders made inside it;
// full control for this program's account, Administrators and SYSTEM, read
// and execute for Users. Null, with the system error in `error`, when it
// cannot be made.
LocalMemory ProtectedFolderDescriptor(DWORD& error);

// Creates `path` as a folder that nobody but this program's account,
// Administrators and SYSTEM can change, and that Users can read, whatever
// its parent allows: a protected access list, inherited by everything made
// inside it. 0, or the system error of the failed step.
DWORD CreateProtectedFolder(const std::wstring& path);
