// What the benchmark programs share: a silent stand-in for the collection
// dialog, a clock, and folder helpers.
#pragma once

#include "collect/CollectionUi.h"
#include "collect/RunSettings.h"
#include "shared/FileTree.h"
#include "win/DateTime.h"

#include <windows.h>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// Counts what the engine asks of the dialog and answers at once; failures go
// to the standard error so a benchmark that went wrong says so.
class SilentUi : public ICollectionUi {
  public:
    void ShowProgress(const std::wstring&) override { ++progress; }
    void LetPaintThrough() override {}
    void Report(const RunEvent& event) override;

    unsigned long progress = 0;
    unsigned long failures = 0;
};

// The shipped program's settings, with the captures run in `captureFolder`.
RunSettings BenchRunSettings(const std::wstring& captureFolder);

// Seconds from an arbitrary start, to the resolution of the platform's
// performance counter.
double Seconds();

// "YYYY-MM-DD" as a start date (00:00:00 of that day).
bool ParseStartDate(const wchar_t* text, DateTime& date);

// The folder with a trailing backslash.
std::wstring WithBackslash(std::wstring folder);

void PrintLine(const wchar_t* format, ...);

// Median and spread (largest less smallest) of a set of timings.
double Median(std::vector<double> values);
double Spread(const std::vector<double>& values);

// Relative folder (no trailing backslash) -> names the engine copied from
// it, read back from a mirror the engine wrote (Version.txt left out).
using Selection = std::map<std::wstring, std::set<std::wstring>>;
void CollectSelection(const std::wstring& mirror, const std::wstring& relative,
                      Selection& selection);
unsigned long CountFiles(const Selection& selection);

// The least any program could do for the engine's copies: per folder one
// FindFirstFileW pass and a CopyFileW for each selected entry. `beforeCopy`,
// when given, is called with each destination first. Returns the copies made.
unsigned long MinimalCopy(const std::wstring& root, const std::wstring& mirror,
                          const Selection& selection,
                          const std::function<void(const std::wstring&)>& beforeCopy = {});

// The least any program could do for the engine's inventories: for each
// installed inventoried folder, its mirror folder and a Version.txt with one
// line per .exe and then per .dll (name, product version when there is one,
// local last-write time, size), each line one write. Returns the lines.
unsigned long MinimalInventories(const std::wstring& root, const std::wstring& mirror);
