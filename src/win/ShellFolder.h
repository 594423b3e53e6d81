#pragma once

#include <windows.h>
#include <string>

// Opens the folder that holds `path` in the system's file manager, with
// the item selected, as "Open file location" does; S_OK, or the HRESULT of
// the step that failed.
HRESULT ShowInFolder(const std::wstring& path);
