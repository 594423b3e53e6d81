// Peak working set of one plan walk, measured in a process of its own so
// that nothing of an earlier run counts:
//
//   PeakMemory <root> <work folder> <YYYY-MM-DD>
//
// Run it once per installation size; the growth between sizes is what the
// engine holds per log file (it should hold nothing: no lists, no sorting).
#include "BenchSupport.h"

#include "collect/ProductPlan.h"

#include <psapi.h>

#include <cstdio>
#include <string>

namespace {
double Kib(SIZE_T bytes) {
    return static_cast<double>(bytes) / 1024.0;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    DateTime startDate;
    if (argc != 4 || !ParseStartDate(argv[3], startDate)) {
        std::fwprintf(stderr, L"usage: PeakMemory <root> <work folder> <YYYY-MM-DD>\n");
        return 2;
    }
    const std::wstring root = WithBackslash(argv[1]);
    const std::wstring work = WithBackslash(argv[2]);
    RemoveTree(work);
    const std::wstring mirror = work + L"MERUDrv\\";
    if (!::CreateDirectoryW(work.c_str(), nullptr) ||
        !::CreateDirectoryW(mirror.c_str(), nullptr)) {
        std::fwprintf(stderr, L"cannot create %ls\n", mirror.c_str());
        return 1;
    }

    PROCESS_MEMORY_COUNTERS before{};
    before.cb = sizeof before;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof before);
    SilentUi ui;
    const RunSettings settings = BenchRunSettings(root + L"Dorvak\\");
    const double start = Seconds();
    OwnFolders own;
    own.Add(mirror);
    WalkProductPlan({root, work, mirror, startDate, settings, own, ui});
    const double elapsed = Seconds() - start;
    PROCESS_MEMORY_COUNTERS after{};
    after.cb = sizeof after;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof after);
    RemoveTree(work);

    PrintLine(L"%ls: %lu files copied in %.2f s; peak working set %.0f KiB "
              L"(%.0f KiB before the walk)",
              root.c_str(), ui.progress, elapsed, Kib(after.PeakWorkingSetSize),
              Kib(before.PeakWorkingSetSize));
    return ui.failures == 0 ? 0 : 1;
}
