// A program that never ends, for the tests of the run's wait limits: it
// stands in for a command that hangs (planted where the command interpreter
// finds it first) or for a configurator that shows its own box and waits. It
// starts one copy of itself, which never ends either, so a test can see that
// everything it started is ended with it. It writes nothing anywhere.
#include "win/ProcessStart.h"
#include "win/Module.h"

#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || std::wstring(argv[1]) != L"--started-by-a-hung-program") {
        const std::wstring self = ModuleFileName(nullptr);
        ProcessStart copy;
        copy.application = self;
        copy.commandLine = L"\"" + self + L"\" --started-by-a-hung-program";
        StartProcess(copy);
    }
    for (;;)
        ::Sleep(INFINITE);
}
