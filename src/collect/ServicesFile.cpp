#include "collect/ServicesFile.h"

#include "win/Handles.h"

#include <algorithm>
#include <vector>

namespace {
// A variable-size answer of the service manager: asked for its size, then
// filled; the size may grow in between (a service added), so it is asked
// again until it fits.
template <typename Ask> std::vector<BYTE> SizedAnswer(size_t firstSize, Ask ask, DWORD& error) {
    std::vector<BYTE> buffer(firstSize);
    for (;;) {
        DWORD needed = 0;
        if (ask(buffer, needed)) {
            error = 0;
            return buffer;
        }
        error = ::GetLastError();
        if ((error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_MORE_DATA) ||
            needed <= buffer.size())
            return {};
        buffer.resize(needed);
    }
}

void ReadConfiguration(SC_HANDLE manager, ServiceFacts& facts) {
    ServiceHandle service(::OpenServiceW(manager, facts.name.c_str(), SERVICE_QUERY_CONFIG));
    if (!service)
        return;
    DWORD error = 0;
    const std::vector<BYTE> config = SizedAnswer(
        8 * 1024,
        [&](std::vector<BYTE>& buffer, DWORD& needed) {
            return ::QueryServiceConfigW(service.Get(),
                                         reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data()),
                                         static_cast<DWORD>(buffer.size()), &needed) != FALSE;
        },
        error);
    if (config.empty())
        return;
    const auto* values = reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(config.data());
    facts.startType = values->dwStartType;
    facts.account = values->lpServiceStartName ? values->lpServiceStartName : L"";
    facts.binaryPath = values->lpBinaryPathName ? values->lpBinaryPathName : L"";
    SERVICE_DELAYED_AUTO_START_INFO delayed{};
    DWORD needed = 0;
    if (::QueryServiceConfig2W(service.Get(), SERVICE_CONFIG_DELAYED_AUTO_START_INFO,
                               reinterpret_cast<BYTE*>(&delayed), sizeof delayed, &needed))
        facts.delayedStart = delayed.fDelayedAutostart != FALSE;
}
} // namespace

ServiceList ReadServices(const std::wstring& installationRoot) {
    ServiceList list;
    ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager) {
        list.error = ::GetLastError();
        return list;
    }
    // Asked in parts: each answer holds what fitted, and the resume handle
    // says where the next one starts.
    DWORD resume = 0;
    for (;;) {
        DWORD count = 0;
        DWORD error = 0;
        const DWORD resumeAt = resume;
        const std::vector<BYTE> answer = SizedAnswer(
            64 * 1024,
            [&](std::vector<BYTE>& buffer, DWORD& needed) {
                resume = resumeAt;
                const BOOL done = ::EnumServicesStatusExW(
                    manager.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                    buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count, &resume,
                    nullptr);
                // A part that fitted is an answer too, with more to come.
                return done || (::GetLastError() == ERROR_MORE_DATA && count > 0);
            },
            error);
        if (answer.empty() && error != 0) {
            list.error = error;
            break;
        }
        const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(answer.data());
        for (DWORD i = 0; i < count; ++i) {
            ServiceFacts facts;
            facts.name = entries[i].lpServiceName;
            facts.displayName = entries[i].lpDisplayName ? entries[i].lpDisplayName : L"";
            facts.state = entries[i].ServiceStatusProcess.dwCurrentState;
            facts.processId = entries[i].ServiceStatusProcess.dwProcessId;
            ReadConfiguration(manager.Get(), facts);
            facts.suite = LiesUnder(facts.binaryPath, installationRoot);
            list.services.push_back(std::move(facts));
        }
        if (resume == 0 || count == 0)
            break;
    }
    std::stable_sort(list.services.begin(), list.services.end(),
                     [](const ServiceFacts& left, const ServiceFacts& right) {
                         if (left.suite != right.suite)
                             return left.suite;
                         return NameBefore(left.name, right.name);
                     });
    return list;
}

std::wstring ServiceStateName(DWORD state) {
    switch (state) {
    case SERVICE_STOPPED:
        return L"stopped";
    case SERVICE_START_PENDING:
        return L"starting";
    case SERVICE_STOP_PENDING:
        return L"stopping";
    case SERVICE_RUNNING:
        return L"running";
    case SERVICE_CONTINUE_PENDING:
        return L"continuing";
    case SERVICE_PAUSE_PENDING:
        return L"pausing";
    case SERVICE_PAUSED:
        return L"paused";
    }
    return std::to_wstring(state);
}

std::wstring StartTypeName(DWORD startType, bool delayed) {
    switch (startType) {
    case SERVICE_BOOT_START:
        return L"boot";
    case SERVICE_SYSTEM_START:
        return L"system";
    case SERVICE_AUTO_START:
        return delayed ? L"auto (delayed)" : L"auto";
    case SERVICE_DEMAND_START:
        return L"manual";
    case SERVICE_DISABLED:
        return L"disabled";
    }
    return std::to_wstring(startType);
}

MachineTable ServiceTable(const ServiceList& list) {
    MachineTable table;
    table.header = {L"name",       L"display name", L"state", L"start type",
                    L"process id", L"account",      L"suite", L"binary path"};
    table.unreadCode = list.error;
    table.unreadWhat = L"services could not be listed";
    for (const ServiceFacts& service : list.services) {
        table.rows.push_back({
            service.name,
            service.displayName,
            ServiceStateName(service.state),
            service.startType ? StartTypeName(*service.startType, service.delayedStart)
                              : std::wstring(),
            service.processId != 0 ? std::to_wstring(service.processId) : std::wstring(),
            service.account,
            YesNo(service.suite),
            service.binaryPath,
        });
        if (service.suite)
            ++table.suiteRows;
    }
    return table;
}
