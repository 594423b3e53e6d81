// Writing a whole block to a file: the one rule every writer of the program
// follows, so that no file can end early without its writer knowing why.
#pragma once

#include <windows.h>
#include <cstddef>

// Writes `size` bytes in as many calls as the system needs. Returns 0 when
// all were written, else the system error: the failed call's own code, or
// ERROR_DISK_FULL for a call that wrote less than it was given without
// failing (on a file, no room for the rest).
DWORD WriteAll(HANDLE file, const void* bytes, size_t size);
