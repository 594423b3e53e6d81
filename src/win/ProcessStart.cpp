#include "win/ProcessStart.h"

#include <vector>

StartedProcess StartProcess(const ProcessStart& start) {
    // CreateProcessW may write into the command line, so it gets its own
    // copy, as long as the line is: no fixed buffer cuts a deep path short.
    std::vector<wchar_t> writable(start.commandLine.begin(), start.commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW blank{};
    blank.cb = sizeof blank;

    StartedProcess started;
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(start.application.empty() ? nullptr : start.application.c_str(),
                          writable.data(), nullptr, nullptr, start.inheritHandles ? TRUE : FALSE,
                          start.creationFlags, nullptr,
                          start.currentFolder.empty() ? nullptr : start.currentFolder.c_str(),
                          start.startup != nullptr ? start.startup : &blank, &created)) {
        started.error = ::GetLastError();
        return started;
    }
    started.process.Reset(created.hProcess);
    started.processId = created.dwProcessId;
    if (start.creationFlags & CREATE_SUSPENDED)
        started.thread.Reset(created.hThread);
    else
        ::CloseHandle(created.hThread);
    return started;
}
