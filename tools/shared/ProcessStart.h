// Starting another program, for the tests, the tools and the benchmarks.
// The program's own runs of outside programs go through the engine's
// RunAndWait, which also limits and paints the wait.
#pragma once

#include "win/Handles.h"

#include <windows.h>
#include <string>

// A started program: its process owned, its first thread's handle already
// closed. On failure the process is empty and `error` holds the system's
// code.
struct StartedProcess {
    KernelHandle process;
    DWORD id = 0;
    DWORD error = ERROR_SUCCESS;

    explicit operator bool() const noexcept { return process.IsValid(); }
};

// Starts `commandLine`. `application` empty lets the system take the
// program from the command line's first word; `currentFolder` empty keeps
// this process's current folder. `flags` are CreateProcessW's creation
// flags.
StartedProcess StartProcess(const std::wstring& application, const std::wstring& commandLine,
                            const std::wstring& currentFolder = std::wstring(), DWORD flags = 0);
