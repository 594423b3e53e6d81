// The architecture a program or library file is built for, read from its
// header without loading it.
#pragma once

#include <windows.h>
#include <string>

// The machine of a PE file's header (IMAGE_FILE_MACHINE_I386, _AMD64, ...);
// 0 when the file cannot be read or is no PE image.
WORD ImageMachine(const std::wstring& path);

// The machine the running program itself is built for.
constexpr WORD kOwnImageMachine =
    sizeof(void*) == 4 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
