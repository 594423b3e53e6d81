// Time from starting Dorvak.exe to its collection dialog being on screen:
//
//   StartupTime <path of Dorvak.exe> [rounds]
//
// Each round starts the program from its own folder, waits for a visible
// window of that process with the dialog's title, then closes it (IDCANCEL,
// what Esc does) and waits for the process to end.
#include "BenchSupport.h"

#include "DialogCaption.h"
#include "win/ProcessStart.h"
#include "shared/WindowSearch.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t kTitle[] = DORVAK_DIALOG_CAPTION_W;

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
        ProcessStart launch;
        launch.commandLine = L"\"" + program + L"\"";
        launch.currentFolder = folder;
        const double start = Seconds();
        const StartedProcess process = StartProcess(launch);
        if (!process) {
            std::fwprintf(stderr, L"cannot start %ls\n", program.c_str());
            return 1;
        }
        const HWND dialog =
            WaitForTopLevelWindow(VisibleDialogOf(process.processId, kTitle), 60000, 1);
        const double shown = Seconds() - start;
        if (dialog == nullptr) {
            std::fwprintf(stderr, L"the dialog did not appear\n");
            ::TerminateProcess(process.process.Get(), 1);
            return 1;
        }
        times.push_back(shown);
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ::WaitForSingleObject(process.process.Get(), 30000);
    }
    std::sort(times.begin(), times.end());
    PrintLine(L"start to dialog shown: median %.3f s, fastest %.3f s, slowest %.3f s "
              L"(%d starts)",
              times[times.size() / 2], times.front(), times.back(), rounds);
    return 0;
}
