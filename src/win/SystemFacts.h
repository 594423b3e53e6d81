// Facts about the machine and the files of a run that a record of the run
// names; each is read when asked, none is kept.
#pragma once

#include <windows.h>
#include <optional>
#include <string>

// The computer's NetBIOS name; empty when the system does not say.
std::wstring ComputerName();

// True for a 32-bit process on 64-bit Windows.
bool RunsUnderWow64();

// The size of a file, even while another handle writes it (the directory
// entry may lag behind an open file); nothing when it cannot be opened.
std::optional<unsigned long long> FileSize(const std::wstring& path);

struct TreeTotals {
    unsigned long long files = 0;
    unsigned long long bytes = 0;
};

// Every file under `folder` (ending with a backslash), sub-folders included,
// but the one file `except`.
TreeTotals CountTree(const std::wstring& folder, const std::wstring& except);
