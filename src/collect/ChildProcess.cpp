#include "collect/ChildProcess.h"

#include "win/Handles.h"

#include <windows.h>
#include <vector>

bool RunAndWait(const std::wstring& commandLine, const std::wstring& currentFolder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoW(&startup);

    // CreateProcessW may write into the command line, so it gets its own
    // copy, as long as the line is: no fixed buffer cuts a deep path short.
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');

    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup,
                          &process))
        return false;
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    threadHandle.Reset();
    ::WaitForSingleObject(processHandle.Get(), INFINITE);
    return true;
}
