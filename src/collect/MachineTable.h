// The shape the three machine-state files share (processes.txt,
// services.txt, drives.txt): UTF-8 with a byte-order mark, CR LF, one
// header line, then one line per row with its columns separated by tabs, so
// each opens in Notepad and pastes into a spreadsheet.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

struct MachineTable {
    std::vector<std::wstring> header;
    std::vector<std::vector<std::wstring>> rows;
    // How many of the rows are the suite's.
    size_t suiteRows = 0;
    // The list as a whole could not be read: the system error, said in the
    // file under the header as `unreadWhat` and the system's text. 0 when
    // it was read.
    DWORD unreadCode = 0;
    std::wstring unreadWhat;
};

// Creates `path` as a new file with the table's text. 0 when it was
// written whole, else the system error.
DWORD WriteMachineTable(const std::wstring& path, const MachineTable& table);

// True when `path` lies under the installation root `root` (ending with a
// backslash, or a drive alone), in any letter case. A leading double quote,
// as a service's binary path may have, is passed over, and whatever follows
// the program (arguments) does not matter.
bool LiesUnder(const std::wstring& path, const std::wstring& root);

// The order of the lists' names: in any letter case, as Windows compares
// names.
bool NameBefore(const std::wstring& left, const std::wstring& right);

// "yes" or "no", as the suite columns say.
const wchar_t* YesNo(bool value);

// `value` / `divisor` with `places` decimals and a point, rounded:
// Decimal(1234567, 10000000, 3) is "0.123".
std::wstring Decimal(unsigned long long value, unsigned long long divisor, int places);

// The last component of a path: the file name of an image.
std::wstring FileNameOf(const std::wstring& path);
