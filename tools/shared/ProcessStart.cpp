#include "shared/ProcessStart.h"

#include <vector>

StartedProcess StartProcess(const std::wstring& application, const std::wstring& commandLine,
                            const std::wstring& currentFolder, DWORD flags) {
    // CreateProcessW may write into the command line, so it gets its own
    // copy, as long as the line is.
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    StartedProcess started;
    if (!::CreateProcessW(application.empty() ? nullptr : application.c_str(), writable.data(),
                          nullptr, nullptr, FALSE, flags, nullptr,
                          currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup,
                          &created)) {
        started.error = ::GetLastError();
        return started;
    }
    KernelHandle thread(created.hThread);
    started.process.Reset(created.hProcess);
    started.id = created.dwProcessId;
    return started;
}
