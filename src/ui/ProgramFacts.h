#pragma once

#include "win/VersionInfo.h"

#include <string>

// What start-up learnt about the program itself, for the about box and the
// run record: nothing of it changes while the process lives.
struct ProgramFacts {
    ProductVersion version;
    // The folder of the executable, with its trailing backslash.
    std::wstring folder;
    // The resource library in use and its version; an empty path when the
    // program runs on its own resources.
    std::wstring resourceLibrary;
    ProductVersion resourceLibraryVersion;
};
