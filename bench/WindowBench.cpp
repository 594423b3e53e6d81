// The whole run through the real window, as an operator starts it, side by
// side with the plainest program that shows the same progress:
//
//   WindowBench <root> <work folder> [rounds]
//
// <root> is an installation with Dorvak.exe in <root>\Dorvak\ whose logs
// reach past today, so that the dialog's own start day (today) selects a
// few thousand files.
//
// short    Dorvak.exe started, its description set to 12 characters, Save
//          pressed; the time from Save to the summary message.
// long     the same with a description of 20,000 characters.
// minimal  in this process, with a visible window of its own: the files the
//          run copied (per folder one FindFirstFileW pass and a CopyFileW per
//          selected entry) and the same fourteen inventories (per .exe and
//          .dll the version read and one line written), with, per copied
//          file, SetWindowTextW of its destination on a visible edit and one
//          dispatched paint message: the cost any visible progress has.
// captures the five command captures alone, which the run makes before it
//          copies anything and the minimal loop does not.
//
// Each round runs the four in a rotated order, so that no method always
// follows the same one; each method's median and spread are printed.
#include "BenchSupport.h"

#include "DialogCaption.h"
#include "res/resource.h"
#include "collect/SnapshotFiles.h"
#include "win/ProcessStart.h"
#include "shared/WindowSearch.h"
#include "win/Handles.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace {

const wchar_t kDialogTitle[] = DORVAK_DIALOG_CAPTION_W;
const wchar_t kSummaryStart[] = L"Сохраненные данные помещены в папку ";

// A visible dialog of the process: the collection dialog, or (`dialog`
// false) any other, which is a message box, but for `skip`.
HWND WindowOf(DWORD process, bool dialog, HWND skip = nullptr) {
    return FindTopLevelWindow([&](HWND window) {
        return window != skip && ::IsWindowVisible(window) && WindowProcess(window) == process &&
               IsDialog(window) && (WindowCaption(window) == kDialogTitle) == dialog;
    });
}

// A control's text, read through its own thread (another process's); empty
// when it does not answer.
std::wstring TextOf(HWND control) {
    std::wstring text;
    ReadWindowText(control, text, 10000);
    return text;
}

// One whole run of Dorvak.exe: seconds from Save to the summary, or a
// negative figure when the run did not go as an operator's would.
double WindowRun(const std::wstring& program, const std::wstring& description) {
    const std::wstring folder = program.substr(0, program.find_last_of(L'\\') + 1);
    ProcessStart launch;
    launch.application = program;
    launch.commandLine = L"\"" + program + L"\"";
    launch.currentFolder = folder;
    const StartedProcess started = StartProcess(launch);
    if (!started) {
        PrintLine(L"cannot start %ls", program.c_str());
        return -1;
    }
    const KernelHandle& process = started.process;

    double elapsed = -1;
    HWND dialog = nullptr;
    for (int wait = 0; wait < 600 && dialog == nullptr; ++wait) {
        dialog = WindowOf(started.processId, true);
        if (dialog == nullptr)
            ::Sleep(100);
    }
    HWND edit = dialog != nullptr ? ::GetDlgItem(dialog, IDC_DESCRIPTION) : nullptr;
    if (edit != nullptr) {
        ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(description.c_str()));
        if (TextOf(edit) != description) {
            PrintLine(L"the description edit does not hold the text");
        } else {
            const double start = Seconds();
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
            for (;;) {
                HWND box = WindowOf(started.processId, false, dialog);
                if (box == nullptr) {
                    if (::WaitForSingleObject(process.Get(), 20) == WAIT_OBJECT_0)
                        break;
                    continue;
                }
                const double at = Seconds() - start;
                const std::wstring text = TextOf(::GetDlgItem(box, kMessageBoxTextId));
                const bool summary =
                    text.compare(0, std::wcslen(kSummaryStart), kSummaryStart) == 0;
                if (!summary)
                    PrintLine(L"message during the run: %ls", text.c_str());
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                if (summary) {
                    elapsed = at;
                    break;
                }
                while (::IsWindow(box))
                    ::Sleep(20);
            }
        }
    }
    if (::WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 1);
        elapsed = -1;
    }
    return elapsed;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A visible window with a read-only edit, as wide as the dialog's progress
// line.
struct ProgressWindow {
    ProgressWindow() {
        WNDCLASSW frameClass{};
        frameClass.lpfnWndProc = FrameProc;
        frameClass.hInstance = ::GetModuleHandleW(nullptr);
        frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        frameClass.lpszClassName = L"WindowBenchFrame";
        ::RegisterClassW(&frameClass);
        frame = ::CreateWindowExW(0, L"WindowBenchFrame", L"WindowBench",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 600, 760, 90, nullptr,
                                  nullptr, frameClass.hInstance, nullptr);
        edit = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                 WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_READONLY, 6, 10, 730,
                                 24, frame, nullptr, frameClass.hInstance, nullptr);
        Pump();
    }
    ~ProgressWindow() { ::DestroyWindow(frame); }
    void Pump() {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&message);
    }
    void Show(const std::wstring& path) {
        ::SetWindowTextW(edit, path.c_str());
        MSG message;
        if (::PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE))
            ::DispatchMessageW(&message);
    }
    HWND frame = nullptr;
    HWND edit = nullptr;
};

void PrintFigure(const wchar_t* name, const std::vector<double>& values) {
    PrintLine(L"%-9ls median %7.3f s, spread %6.3f s (%ls)", name, Median(values), Spread(values),
              [&] {
                  std::wstring all;
                  for (double value : values) {
                      wchar_t text[32];
                      std::swprintf(text, 32, all.empty() ? L"%.2f" : L" %.2f", value);
                      all += text;
                  }
                  return all;
              }()
                  .c_str());
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: WindowBench <root> <work folder> [rounds]\n");
        return 2;
    }
    const std::wstring root = WithBackslash(argv[1]);
    const std::wstring work = WithBackslash(argv[2]);
    const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 5;
    const std::wstring program = root + L"Dorvak\\Dorvak.exe";
    const std::wstring dated = root + DateTime::Now().Format(L"%Y_%m_%d", std::wstring()) + L"\\";
    RemoveTree(dated);
    RemoveTree(work);
    if (!::CreateDirectoryW(work.c_str(), nullptr)) {
        std::fwprintf(stderr, L"cannot create %ls\n", work.c_str());
        return 1;
    }

    const std::wstring shortText = L"Лифт 3 стоит";
    std::wstring longText;
    while (longText.size() < 20000) {
        std::wstring line = L"Строка " + std::to_wstring(longText.size() / 100) +
                            L": лифт остановился между этажами, код ошибки E42; ";
        line.resize(98, L'.');
        longText += line + L"\r\n";
    }
    longText.resize(20000);

    // An untimed run warms the file cache and shows what a run copies.
    if (WindowRun(program, shortText) < 0) {
        PrintLine(L"the warm-up run failed");
        return 1;
    }
    Selection selection;
    CollectSelection(dated + L"MERUDrv\\", L"", selection);
    RemoveTree(dated);

    ProgressWindow window;
    SilentUi silent;
    std::vector<double> shortRuns, longRuns, minimal, captures;
    bool failed = false;
    for (int round = 0; round < rounds; ++round) {
        const std::wstring base = work + L"r" + std::to_wstring(round) + L"\\";
        ::CreateDirectoryW(base.c_str(), nullptr);
        const std::function<void()> methods[] = {
            [&] {
                const double seconds = WindowRun(program, shortText);
                failed |= seconds < 0;
                shortRuns.push_back(seconds);
                RemoveTree(dated);
            },
            [&] {
                const double seconds = WindowRun(program, longText);
                failed |= seconds < 0;
                longRuns.push_back(seconds);
                RemoveTree(dated);
            },
            [&] {
                const std::wstring mirror = base + L"minimal\\";
                const double start = Seconds();
                MinimalCopy(root, mirror, selection,
                            [&](const std::wstring& path) { window.Show(path); });
                MinimalInventories(root, mirror);
                minimal.push_back(Seconds() - start);
            },
            [&] {
                const std::wstring folder = base + L"captures\\";
                ::CreateDirectoryW(folder.c_str(), nullptr);
                const RunSettings settings = BenchRunSettings(root + L"Dorvak\\");
                OwnFolders own;
                const CollectionContext context{
                    root, folder, folder + L"MERUDrv\\", DateTime::Now(), settings, own, silent};
                const double start = Seconds();
                for (const CaptureCommand& command : kCaptureCommands)
                    RunCaptureCommand(context, command);
                captures.push_back(Seconds() - start);
            },
        };
        for (int i = 0; i < 4; ++i)
            methods[(round + i) % 4]();
        window.Pump();
        RemoveTree(base);
    }
    RemoveTree(work);

    PrintLine(L"installation: %ls; files a run copies: %lu in %lu folders", root.c_str(),
              CountFiles(selection), static_cast<unsigned long>(selection.size()));
    PrintFigure(L"short", shortRuns);
    PrintFigure(L"long", longRuns);
    PrintFigure(L"minimal", minimal);
    PrintFigure(L"captures", captures);
    // Ratios of the medians, and the median of each round's own ratio, which
    // a machine busy with other work disturbs less.
    std::vector<double> longByShort, runByMinimal;
    for (size_t i = 0; i < shortRuns.size(); ++i) {
        longByShort.push_back(longRuns[i] / shortRuns[i]);
        runByMinimal.push_back(shortRuns[i] / minimal[i]);
    }
    PrintLine(L"long / short description: %.3f, per round %.3f (goal: at most 1.05)",
              Median(longRuns) / Median(shortRuns), Median(longByShort));
    PrintLine(L"whole run / minimal loop with progress: %.3f, per round %.3f (goal: at most 1.10)",
              Median(shortRuns) / Median(minimal), Median(runByMinimal));
    PrintLine(L"whole run less the captures / minimal loop with progress: %.3f",
              (Median(shortRuns) - Median(captures)) / Median(minimal));
    return failed ? 1 : 0;
}
