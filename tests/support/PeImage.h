// The architecture a built program or library is for, read from its file.
#pragma once

#include <windows.h>
#include <string>

// The machine of a PE file's header (IMAGE_FILE_MACHINE_I386 or _AMD64);
// 0 when the file is no PE image.
WORD ImageMachine(const std::wstring& path);

// The machine of the running test program's own build.
constexpr WORD kOwnImageMachine =
    sizeof(void*) == 4 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
