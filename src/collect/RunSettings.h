#pragma once

#include <windows.h>
#include <string>

// How long the run waits for each outside program before it ends it.
struct WaitLimits {
    DWORD captureMs;
    DWORD configuratorMs;
};
// The shipped program's; only a test build of the program chooses others.
constexpr WaitLimits kShippedWaitLimits{5 * 60 * 1000, 10 * 60 * 1000};
static_assert(kShippedWaitLimits.captureMs == 5 * 60 * 1000 &&
                  kShippedWaitLimits.configuratorMs == 10 * 60 * 1000,
              "the shipped program waits 5 minutes for a capture, 10 for a configurator");

// How long the run waits for a drive to say what it holds, and how much of
// the suite's crash dumps it copies at most.
struct MachineLimits {
    DWORD driveAnswerMs;
    unsigned long long crashDumpBytes;
};
// The shipped program's; only tests choose others.
constexpr MachineLimits kShippedMachineLimits{5 * 1000, 256ull * 1024 * 1024};

// What start-up settles for every run of the process; nothing of it comes
// from the operator.
struct RunSettings {
    WaitLimits waitLimits;
    MachineLimits machineLimits;
    // Where the command interpreter is, without a trailing backslash; empty
    // when the system does not say, and then no capture runs.
    std::wstring systemFolder;
    // The captures' current folder: the program's own, so that "tree .."
    // lists the installation root whoever started the program.
    std::wstring captureFolder;
    // What a file time the platform cannot convert reads as in an inventory,
    // worded by whoever shows the run.
    std::wstring invalidDateText;
};
