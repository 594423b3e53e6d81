// services.txt: every Win32 service of the machine, the suite's first.
#pragma once

#include "collect/MachineTable.h"

#include <windows.h>
#include <optional>
#include <string>
#include <vector>

struct ServiceFacts {
    std::wstring name;
    std::wstring displayName;
    DWORD state = 0;     // SERVICE_RUNNING and the others
    DWORD processId = 0; // 0 while it does not run
    // From the service's configuration, which another account's service may
    // not let us read: then unknown, and the service is not the suite's.
    std::optional<DWORD> startType; // SERVICE_AUTO_START and the others
    bool delayedStart = false;
    std::wstring account;
    std::wstring binaryPath;
    bool suite = false; // its binary lies under the installation root
};

struct ServiceList {
    std::vector<ServiceFacts> services;
    // The system error when the services could not be listed (without the
    // right to list them, say); 0 when they were.
    DWORD error = 0;
};

// Every Win32 service in any state; the suite's first, each part by name.
ServiceList ReadServices(const std::wstring& installationRoot);

MachineTable ServiceTable(const ServiceList& list);

// The words of the file for a state and a start type.
std::wstring ServiceStateName(DWORD state);
std::wstring StartTypeName(DWORD startType, bool delayed);
