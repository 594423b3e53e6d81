#pragma once

#include "collect/CollectionUi.h"

#include <windows.h>
#include <string>

// How long the run waits for each outside program before it ends it. The
// shipped program always uses kShippedWaitLimits; only a test build of the
// program chooses shorter ones, so that a program that never ends can be
// shown to be ended without waiting minutes.
struct WaitLimits {
    DWORD captureMs;
    DWORD configuratorMs;
};
constexpr WaitLimits kShippedWaitLimits{5 * 60 * 1000, 10 * 60 * 1000};
static_assert(kShippedWaitLimits.captureMs == 5 * 60 * 1000 &&
                  kShippedWaitLimits.configuratorMs == 10 * 60 * 1000,
              "an operator's run waits 5 minutes for a capture and 10 for a configurator");

// One outside program to start. `application` is its full path, handed to
// the system as the program to start, so a blank in the path can never make
// the system try a shorter path first; `commandLine` is what the program
// receives, unchanged. `currentFolder` empty means the program's own current
// directory. `standardOutput`, when given, is the file the program writes
// its standard output into (inherited by it and by nothing else); its
// standard input and error are then the null device.
struct ChildProgram {
    std::wstring application;
    std::wstring commandLine;
    std::wstring currentFolder;
    HANDLE standardOutput = nullptr;
};

enum class ChildResult {
    NotStarted, // the process could not be created
    Ended,      // it ended by itself within the limit
    TimedOut,   // it was ended, with everything it started, at the limit
};

// Starts the program with the startup information the program itself was
// started with, shows its command line in the progress line and waits for it
// while the window stays painted, at most `limitMs`. At the limit the
// program and every process it started are ended and the user is told once,
// naming the command line. The exit code is not read.
ChildResult RunAndWait(const ChildProgram& program, DWORD limitMs, ICollectionUi& ui);
