// processes.txt: every process of the machine, the suite's first.
#pragma once

#include "collect/MachineTable.h"

#include <windows.h>
#include <optional>
#include <string>
#include <vector>

struct ProcessFacts {
    DWORD id = 0;
    DWORD parentId = 0;
    DWORD threads = 0;
    // Each unknown when the process cannot be opened for it (the system's
    // own processes, those of other accounts without the right).
    std::optional<FILETIME> started;
    std::optional<ULONGLONG> processorTime; // kernel and user, in 100 ns
    std::optional<ULONGLONG> workingSet;    // bytes
    std::optional<ULONGLONG> privateBytes;
    std::optional<DWORD> session;
    // The full path where it can be read, else the file name the process
    // list gives.
    std::wstring image;
    bool suite = false; // its image lies under the installation root
};

struct ProcessList {
    std::vector<ProcessFacts> processes;
    // The system error when the list itself could not be taken; 0 when it was.
    DWORD error = 0;
};

// Every process running now; the suite's first, then the others, each by
// the image's file name in any letter case, then by id.
ProcessList ReadProcesses(const std::wstring& installationRoot);

MachineTable ProcessTable(const ProcessList& list);
