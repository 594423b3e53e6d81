// Time from starting Dorvak.exe to its collection dialog being on screen:
//
//   StartupTime <path of Dorvak.exe> [rounds]
//
// Each round starts the program from its own folder, waits for a visible
// window of that process with the dialog's title, then closes it (IDCANCEL,
// what Esc does) and waits for the process to end.
#include "BenchSupport.h"

#include "DialogCaption.h"
#include "win/Handles.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t kTitle[] = DORVAK_DIALOG_CAPTION_W;

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != search->process || !::IsWindowVisible(window))
        return TRUE;
    wchar_t title[64] = {};
    ::GetWindowTextW(window, title, 64);
    if (std::wstring(title) != kTitle)
        return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: StartupTime <path of Dorvak.exe> [rounds]\n");
        return 2;
    }
    const std::wstring program = argv[1];
    const std::wstring folder = program.substr(0, program.find_last_of(L'\\') + 1);
    const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;

    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        std::wstring line = L"\"" + program + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        const double start = Seconds();
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &startup, &process)) {
            std::fwprintf(stderr, L"cannot start %ls\n", program.c_str());
            return 1;
        }
        KernelHandle processHandle(process.hProcess);
        KernelHandle threadHandle(process.hThread);
        Search search{process.dwProcessId, nullptr};
        while (search.found == nullptr && Seconds() - start < 60) {
            ::EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
            if (search.found == nullptr)
                ::Sleep(1);
        }
        const double shown = Seconds() - start;
        if (search.found == nullptr) {
            std::fwprintf(stderr, L"the dialog did not appear\n");
            ::TerminateProcess(processHandle.Get(), 1);
            return 1;
        }
        times.push_back(shown);
        ::PostMessageW(search.found, WM_COMMAND, IDCANCEL, 0);
        ::WaitForSingleObject(processHandle.Get(), 30000);
    }
    std::sort(times.begin(), times.end());
    PrintLine(L"start to dialog shown: median %.3f s, fastest %.3f s, slowest %.3f s "
              L"(%d starts)",
              times[times.size() / 2], times.front(), times.back(), rounds);
    return 0;
}
