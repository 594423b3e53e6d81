// Holds one file open for reading and writing, sharing nothing, the way
// another program on an operator's machine might, until its standard input
// ends or it reads a line:
//
//   FileHolder <path>
//
// Prints "held" once the file is held, or "failed <code>" and ends.
#include "win/Handles.h"

#include <windows.h>

#include <cstdio>

namespace {

int Failed(DWORD code) {
    std::printf("failed %lu\n", static_cast<unsigned long>(code));
    std::fflush(stdout);
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: FileHolder <path>\n");
        return 2;
    }
    FileHandle file(::CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return Failed(::GetLastError());
    std::printf("held\n");
    std::fflush(stdout);

    char line[16];
    std::fgets(line, sizeof line, stdin); // returns at a line or at the end of input
    return 0;
}
