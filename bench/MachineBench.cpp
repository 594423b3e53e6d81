// What the machine state adds to a run: WriteMachineState as Save runs it
// (the three lists and the search for the suite's crash reports), first
// with the processes the system already runs, then with `stand-ins` more
// (copies of a program that never ends), in alternating rounds:
//
//   MachineBench <root> <work folder> <stand-in program> <stand-ins> [rounds]
//
// Each round writes into a new dated folder of its own; the processes the
// last two rounds listed are counted from their processes.txt. Memory: the
// benchmark's own working set and private bytes after the first round and
// after the last (a round that kept anything would show as growth), and its
// peak working set.
#include "BenchSupport.h"

#include "collect/MachineState.h"
#include "win/Handles.h"
#include "win/ProcessStart.h"

#include <psapi.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {
struct Footprint {
    double workingSetKib = 0;
    double privateKib = 0;
    double peakKib = 0;
};

Footprint Measure() {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory);
    return {static_cast<double>(memory.WorkingSetSize) / 1024,
            static_cast<double>(memory.PagefileUsage) / 1024,
            static_cast<double>(memory.PeakWorkingSetSize) / 1024};
}

// One WriteMachineState into a new dated folder under `work`; its seconds.
double OneRound(const std::wstring& root, const std::wstring& work, int round, SilentUi& ui) {
    const std::wstring dated = work + L"r" + std::to_wstring(round) + L"\\";
    ::CreateDirectoryW(dated.c_str(), nullptr);
    OwnFolders own;
    own.Add(dated);
    const RunSettings settings = BenchRunSettings(root + L"Dorvak\\");
    const DateTime today = DateTime::Now();
    SYSTEMTIME day{};
    today.ToSystemTime(day);
    const DateTime startDate = DateTime::FromFields(day.wYear, day.wMonth, day.wDay, 0, 0, 0);
    const double start = Seconds();
    WriteMachineState({root, dated, dated + L"MERUDrv\\", startDate, settings, own, ui});
    return Seconds() - start;
}

// The rows of a round's processes.txt: its lines less the header.
unsigned long ListedProcesses(const std::wstring& work, int round) {
    const std::wstring path = work + L"r" + std::to_wstring(round) + L"\\processes.txt";
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text(1024 * 1024, '\0');
    DWORD read = 0;
    if (!file ||
        !::ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr))
        return 0;
    text.resize(read);
    unsigned long lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines > 0 ? lines - 1 : 0;
}

void Print(const wchar_t* what, const std::vector<double>& seconds) {
    PrintLine(L"%ls: %.3f s (%.3f)", what, Median(seconds), Spread(seconds));
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5 || argc > 6) {
        std::fwprintf(stderr, L"usage: MachineBench <root> <work folder> <stand-in program> "
                              L"<stand-ins> [rounds]\n");
        return 2;
    }
    const std::wstring root = WithBackslash(argv[1]);
    const std::wstring work = WithBackslash(argv[2]);
    const std::wstring standIn = argv[3];
    const int standIns = std::wcstol(argv[4], nullptr, 10);
    const int rounds = argc == 6 ? std::wcstol(argv[5], nullptr, 10) : 5;
    RemoveTree(work);
    if (!::CreateDirectoryW(work.c_str(), nullptr)) {
        std::fwprintf(stderr, L"cannot create %ls\n", work.c_str());
        return 1;
    }

    SilentUi ui;
    int round = 0;
    // Warm-up: the first listing loads what the later ones find loaded.
    OneRound(root, work, round++, ui);
    const Footprint first = Measure();
    std::vector<double> own, more;
    std::vector<StartedProcess> started;
    for (int i = 0; i < rounds; ++i) {
        // Started and ended around each timed round, so that the rounds of
        // the machine's own processes alternate with those of many more.
        own.push_back(OneRound(root, work, round++, ui));
        for (int n = 0; n < standIns; ++n) {
            ProcessStart start;
            start.application = standIn;
            start.commandLine = L"\"" + standIn + L"\" --started-by-a-hung-program";
            // Its own job ends it with the benchmark, whatever happens here.
            start.ownJob = true;
            started.push_back(StartProcess(start));
            if (!started.back()) {
                std::fwprintf(stderr, L"cannot start %ls: %lu\n", standIn.c_str(),
                              static_cast<unsigned long>(started.back().error));
                return 1;
            }
        }
        more.push_back(OneRound(root, work, round++, ui));
        for (StartedProcess& process : started)
            process.EndTree(1, 10000);
        started.clear();
    }
    const Footprint last = Measure();
    const unsigned long listedOwn = ListedProcesses(work, round - 2);
    const unsigned long listedMore = ListedProcesses(work, round - 1);
    RemoveTree(work);

    Print(
        (L"machine state, the system's own processes (" + std::to_wstring(listedOwn) + L" listed)")
            .c_str(),
        own);
    Print((L"machine state, " + std::to_wstring(standIns) + L" stand-ins more (" +
           std::to_wstring(listedMore) + L" listed)")
              .c_str(),
          more);
    PrintLine(L"after the warm-up: working set %.0f KiB, private %.0f KiB", first.workingSetKib,
              first.privateKib);
    PrintLine(L"after %d more rounds: working set %.0f KiB, private %.0f KiB; peak working set "
              L"%.0f KiB",
              2 * rounds, last.workingSetKib, last.privateKib, last.peakKib);
    return ui.failures == 0 ? 0 : 1;
}
