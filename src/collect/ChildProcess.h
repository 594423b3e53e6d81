#pragma once

#include "collect/CollectionUi.h"
#include "collect/RunEvent.h"

#include <windows.h>
#include <string>
#include <vector>

// One outside program to start. `application` is its full path, handed to
// the system as the program to start, so a blank in the path can never make
// the system try a shorter path first; `commandLine` is what the program
// receives, unchanged. `currentFolder` empty means the program's own current
// directory. `standardOutput`, when given, is the file the program writes
// its standard output into (inherited by it and by nothing else); its size
// once the program has ended goes with the outcome, read through this
// handle, which needs FILE_READ_ATTRIBUTES for that.
struct ChildProgram {
    ProgramRole role = ProgramRole::Capture;
    std::wstring application;
    std::wstring commandLine;
    std::wstring currentFolder;
    HANDLE standardOutput = nullptr;
    std::vector<std::wstring> environmentAdditions;
    // The file it writes, named in what is reported about it.
    std::wstring output;
};

enum class ChildResult {
    NotStarted, // the process could not be created
    Ended,      // it ended by itself within the limit
    TimedOut,   // it was ended, with everything it started, at the limit
};

// Starts the program in a job of its own, as the program itself was
// started, and waits for it while the window stays painted, at most
// `limitMs`; at the limit the program and everything it started are ended.
// Each step is reported: started, not started (with the system error),
// ended (with its exit code, duration and the size of its standard output)
// or ended at the limit.
ChildResult RunAndWait(const ChildProgram& program, DWORD limitMs, ICollectionUi& ui);
