#include "collect/ProcessesFile.h"

#include "win/DateTime.h"
#include "win/Handles.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

namespace {
ULONGLONG Ticks(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::wstring FullImagePath(HANDLE process) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (::QueryFullProcessImageNameW(process, 0, buffer.data(), &length))
            return std::wstring(buffer.data(), length);
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || buffer.size() >= 32768)
            return std::wstring();
        buffer.resize(buffer.size() * 2);
    }
}

// What the process list alone does not say. The limited right is all that
// these calls need since Windows Vista, and is granted for far more
// processes than the full one.
void ReadDetails(ProcessFacts& facts) {
    DWORD session = 0;
    if (::ProcessIdToSessionId(facts.id, &session))
        facts.session = session;
    KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, facts.id));
    if (!process)
        return;
    const std::wstring image = FullImagePath(process.Get());
    if (!image.empty())
        facts.image = image;
    FILETIME created{}, exited{}, kernel{}, user{};
    if (::GetProcessTimes(process.Get(), &created, &exited, &kernel, &user)) {
        if (Ticks(created) != 0)
            facts.started = created;
        facts.processorTime = Ticks(kernel) + Ticks(user);
    }
    // A 32-bit program reads a 64-bit process's counters as the system
    // gives them to it, capped at what its own sizes can hold. The commit
    // charge is the process's private memory (PrivateUsage of the extended
    // counters is the same figure, which Wine leaves at 0).
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(process.Get(), &memory, sizeof memory)) {
        facts.workingSet = memory.WorkingSetSize;
        facts.privateBytes = memory.PagefileUsage;
    }
}

std::wstring Kibibytes(const std::optional<ULONGLONG>& bytes) {
    return bytes ? std::to_wstring(*bytes / 1024) : std::wstring();
}
} // namespace

ProcessList ReadProcesses(const std::wstring& installationRoot) {
    ProcessList list;
    FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        list.error = ::GetLastError();
        return list;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL found = ::Process32FirstW(snapshot.Get(), &entry); found;
         found = ::Process32NextW(snapshot.Get(), &entry)) {
        ProcessFacts facts;
        facts.id = entry.th32ProcessID;
        facts.parentId = entry.th32ParentProcessID;
        facts.threads = entry.cntThreads;
        facts.image = entry.szExeFile;
        ReadDetails(facts);
        facts.suite = LiesUnder(facts.image, installationRoot);
        list.processes.push_back(std::move(facts));
    }
    // The end of the list says ERROR_NO_MORE_FILES; anything else cut it short.
    const DWORD error = ::GetLastError();
    if (error != ERROR_NO_MORE_FILES)
        list.error = error;
    std::sort(list.processes.begin(), list.processes.end(),
              [](const ProcessFacts& left, const ProcessFacts& right) {
                  if (left.suite != right.suite)
                      return left.suite;
                  const std::wstring leftName = FileNameOf(left.image);
                  const std::wstring rightName = FileNameOf(right.image);
                  if (NameBefore(leftName, rightName))
                      return true;
                  if (NameBefore(rightName, leftName))
                      return false;
                  return left.id < right.id;
              });
    return list;
}

MachineTable ProcessTable(const ProcessList& list) {
    MachineTable table;
    table.header = {L"process id",      L"parent id",   L"started", L"processor seconds",
                    L"working set KiB", L"private KiB", L"threads", L"session",
                    L"suite",           L"image"};
    table.unreadCode = list.error;
    table.unreadWhat = L"processes could not be listed";
    for (const ProcessFacts& process : list.processes) {
        table.rows.push_back({
            std::to_wstring(process.id),
            std::to_wstring(process.parentId),
            process.started
                ? DateTime::FromFileTime(*process.started).Format(L"%Y-%m-%d %H:%M:%S", L"")
                : std::wstring(),
            process.processorTime ? Decimal(*process.processorTime, 10000000, 3) : std::wstring(),
            Kibibytes(process.workingSet),
            Kibibytes(process.privateBytes),
            std::to_wstring(process.threads),
            process.session ? std::to_wstring(*process.session) : std::wstring(),
            YesNo(process.suite),
            process.image,
        });
        if (process.suite)
            ++table.suiteRows;
    }
    return table;
}
