// The one place a process is created, for the program, its tests, tools and
// benchmarks alike.
#pragma once

#include "win/Handles.h"

#include <windows.h>
#include <string>

struct ProcessStart {
    // The program file the system starts; empty leaves it to the first
    // token of the command line (and the system's search for it).
    std::wstring application;
    // What the program receives, unchanged.
    std::wstring commandLine;
    // Empty: the current directory of the caller.
    std::wstring currentFolder;
    DWORD creationFlags = 0;
    bool inheritHandles = false;
    // Null: a blank STARTUPINFOW. With EXTENDED_STARTUPINFO_PRESENT among
    // the flags it is the StartupInfo of a STARTUPINFOEXW.
    STARTUPINFOW* startup = nullptr;
};

struct StartedProcess {
    KernelHandle process;
    // Kept only for a process created suspended, which the caller resumes;
    // otherwise closed at once, since nothing waits on the first thread.
    KernelHandle thread;
    DWORD processId = 0;
    // The system error of a failed creation; 0 when the process started.
    DWORD error = 0;

    explicit operator bool() const noexcept { return process.IsValid(); }
};

StartedProcess StartProcess(const ProcessStart& start);
