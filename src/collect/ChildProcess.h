#pragma once

#include <string>

// Starts one command line the way the program starts every outside program
// (its own startup information, no inherited handles, its own environment)
// and waits for it to end, however long that takes. `currentFolder` empty
// means the program's own current directory. False when the process could not
// be created; the exit code is not read.
bool RunAndWait(const std::wstring& commandLine, const std::wstring& currentFolder);
