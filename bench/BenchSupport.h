// What the benchmark programs share: a silent stand-in for the collection
// dialog, a clock, and folder helpers.
#pragma once

#include "collect/CollectionUi.h"
#include "collect/DateTime.h"

#include <windows.h>
#include <string>

// Counts what the engine asks of the dialog and answers at once; failures go
// to the standard error so a benchmark that went wrong says so.
class SilentUi : public ICollectionUi {
  public:
    void ShowProgress(const std::wstring&) override { ++progress; }
    void LetPaintThrough() override {}
    void ReportSystemError(const std::wstring& text, DWORD code) override;
    void ShowMessage(const std::wstring& text, UINT icon) override;
    void Beep(UINT) override {}

    unsigned long progress = 0;
    unsigned long failures = 0;
};

// Seconds from an arbitrary start, to the resolution of the platform's
// performance counter.
double Seconds();

// "YYYY-MM-DD" as a start date (00:00:00 of that day).
bool ParseStartDate(const wchar_t* text, DateTime& date);

// Removes a folder with everything in it; true when it is gone.
bool RemoveTree(const std::wstring& folder);

// The folder with a trailing backslash.
std::wstring WithBackslash(std::wstring folder);

void PrintLine(const wchar_t* format, ...);
