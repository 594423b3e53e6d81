// Collection time of the engine on one installation, side by side with the
// least any program could do for the same result and with the platform's
// xcopy of the same folders:
//
//   CollectBench <root> <work folder> <YYYY-MM-DD> [rounds]
//
// engine   WalkProductPlan as Save runs it, with a silent dialog stand-in;
//          the snapshot files are left out (their five command captures are
//          other programs' time). The installation should have no
//          configurators, so the walk starts no other program either.
// minimal  the same work done the plainest way: exactly the files the
//          engine copied, per folder one FindFirstFileW pass and a CopyFileW
//          for each selected entry (the selection looked up in a set made
//          before the clock starts), and the same fourteen inventories, per
//          .exe and .dll the version read and one line written.
// inventories  the engine's fourteen version inventories alone.
// xcopy    one batch of xcopy commands: *.xml and the single files of the
//          product folders, and the log folders with /D:m-d-y (entries
//          written on or after the start day; xcopy has no newest-entry
//          fallback, so it copies a little less).
//
// Every round copies into a new folder; the rounds alternate the methods and
// each method's median is printed.
#include "BenchSupport.h"

#include "collect/ProductPlan.h"
#include "collect/VersionInventory.h"
#include "win/ProcessStart.h"
#include "win/Handles.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

bool HasXml(const std::wstring& name) {
    return name.size() > 4 && ::CompareStringOrdinal(name.c_str() + name.size() - 4, 4, L".xml", 4,
                                                     TRUE) == CSTR_EQUAL;
}

std::wstring XcopyBatch(const std::wstring& root, const std::wstring& mirror,
                        const Selection& selection, const DateTime& startDate) {
    const std::wstring date = startDate.Format(L"%m-%d-%Y", std::wstring());
    std::wstring batch = L"@echo off\r\n";
    const std::wstring flags = L" /Q /Y /I >nul\r\n";
    for (const auto& [folder, names] : selection) {
        const std::wstring source = L"\"" + root + folder + L"\\";
        const std::wstring destination = L"\"" + mirror + folder + L"\\\"";
        if (folder.find(L'\\') == std::wstring::npos) {
            batch += L"xcopy " + source + L"*.xml\" " + destination + flags;
            for (const std::wstring& name : names)
                if (!HasXml(name))
                    batch += L"xcopy " + source + name + L"\" " + destination + flags;
        } else {
            batch += L"xcopy " + source + L"*.*\" " + destination + L" /D:" + date + flags;
        }
    }
    return batch;
}

bool WriteBatch(const std::wstring& path, const std::wstring& text) {
    const int size =
        ::WideCharToMultiByte(CP_OEMCP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_OEMCP, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size() - 1),
                               &written, nullptr);
}

bool RunBatch(const std::wstring& batch) {
    ProcessStart launch;
    launch.commandLine = L"cmd.exe /c \"" + batch + L"\"";
    launch.creationFlags = CREATE_NO_WINDOW;
    const StartedProcess process = StartProcess(launch);
    if (!process)
        return false;
    ::WaitForSingleObject(process.process.Get(), INFINITE);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    DateTime startDate;
    if (argc < 4 || !ParseStartDate(argv[3], startDate)) {
        std::fwprintf(stderr, L"usage: CollectBench <root> <work folder> <YYYY-MM-DD> [rounds]\n");
        return 2;
    }
    const std::wstring root = WithBackslash(argv[1]);
    const std::wstring work = WithBackslash(argv[2]);
    const int rounds = argc > 4 ? std::max(1, _wtoi(argv[4])) : 5;
    RemoveTree(work);
    if (!::CreateDirectoryW(work.c_str(), nullptr)) {
        std::fwprintf(stderr, L"cannot create %ls\n", work.c_str());
        return 1;
    }

    // A first engine run, untimed, warms the file cache and gives the
    // selection the other two copy.
    SilentUi warmUi;
    const std::wstring warm = work + L"warm\\";
    ::CreateDirectoryW(warm.c_str(), nullptr);
    ::CreateDirectoryW((warm + L"MERUDrv\\").c_str(), nullptr);
    const RunSettings settings = BenchRunSettings(root + L"Dorvak\\");
    OwnFolders warmFolders;
    warmFolders.Add(warm + L"MERUDrv\\");
    WalkProductPlan({root, warm, warm + L"MERUDrv\\", startDate, settings, warmFolders, warmUi});
    Selection selection;
    CollectSelection(warm + L"MERUDrv\\", L"", selection);
    const std::wstring batchPath = work + L"xcopy.cmd";

    std::vector<double> engine, minimal, xcopy, inventories;
    unsigned long minimalCopied = 0;
    unsigned long minimalLines = 0;
    for (int round = 0; round < rounds; ++round) {
        const std::wstring base = work + L"r" + std::to_wstring(round) + L"\\";
        ::CreateDirectoryW(base.c_str(), nullptr);
        const std::function<void()> methods[] = {
            [&] {
                const std::wstring mirror = base + L"engine\\";
                ::CreateDirectoryW(mirror.c_str(), nullptr);
                SilentUi ui;
                const double start = Seconds();
                OwnFolders own;
                own.Add(mirror);
                WalkProductPlan({root, base, mirror, startDate, settings, own, ui});
                engine.push_back(Seconds() - start);
            },
            [&] {
                const std::wstring mirror = base + L"minimal\\";
                const double start = Seconds();
                minimalCopied = MinimalCopy(root, mirror, selection);
                minimalLines = MinimalInventories(root, mirror);
                minimal.push_back(Seconds() - start);
            },
            [&] {
                const std::wstring mirror = base + L"xcopy\\";
                ::CreateDirectoryW(mirror.c_str(), nullptr);
                WriteBatch(batchPath, XcopyBatch(root, mirror, selection, startDate));
                const double start = Seconds();
                RunBatch(batchPath);
                xcopy.push_back(Seconds() - start);
            },
        };
        for (int i = 0; i < 3; ++i)
            methods[(round + i) % 3]();
        const std::wstring mirror = base + L"inventories\\";
        ::CreateDirectoryW(mirror.c_str(), nullptr);
        SilentUi ui;
        OwnFolders own;
        own.Add(mirror);
        const double start = Seconds();
        for (const std::wstring& folder : PlanInventoryFolders())
            WriteVersionInventory({root, base, mirror, startDate, settings, own, ui}, folder);
        inventories.push_back(Seconds() - start);
        RemoveTree(base);
    }
    RemoveTree(work);

    PrintLine(L"installation: %ls, start day %ls", root.c_str(),
              startDate.Format(L"%Y-%m-%d", std::wstring()).c_str());
    PrintLine(L"files the engine copied: %lu in %lu folders (minimal copy: %lu, inventory "
              L"lines: %lu)",
              CountFiles(selection), static_cast<unsigned long>(selection.size()), minimalCopied,
              minimalLines);
    PrintLine(L"engine plan walk: median %.3f s, spread %.3f s over %d rounds", Median(engine),
              Spread(engine), rounds);
    PrintLine(L"minimal loop:     median %.3f s, spread %.3f s", Median(minimal), Spread(minimal));
    PrintLine(L"xcopy:            median %.3f s, spread %.3f s", Median(xcopy), Spread(xcopy));
    PrintLine(L"inventories:      median %.3f s (part of the engine's time)", Median(inventories));
    std::vector<double> engineByMinimal;
    for (size_t i = 0; i < engine.size(); ++i)
        engineByMinimal.push_back(engine[i] / minimal[i]);
    PrintLine(L"engine / minimal: %.3f, per round %.3f (goal: at most 1.10)",
              Median(engine) / Median(minimal), Median(engineByMinimal));
    return warmUi.failures == 0 ? 0 : 1;
}
