// The suite's crash reports, copied into Crashes\ of the dated folder:
// Windows Error Reporting's report folders and the crash dumps of the
// suite's programs, from the start day on.
#pragma once

#include "collect/CollectionContext.h"

#include <windows.h>
#include <set>
#include <string>
#include <vector>

enum class CrashPlaceKind {
    ReportFolders, // AppCrash_… and AppHang_… folders, each copied whole
    Dumps,         // <program>.<pid>.dmp files
};

struct CrashPlace {
    CrashPlaceKind kind;
    std::wstring folder;     // where they lie, ending with a backslash
    std::wstring copyFolder; // where their copies go under Crashes\, no backslash at either end
};

// The machine's: the report archive and queue under ProgramData and under
// the running account's local application data, then the crash dumps of
// the running account and of the system account, where services write
// theirs. A place the system does not name is left out.
std::vector<CrashPlace> MachineCrashPlaces();

// The suite's programs: the file names of the .exe files in the folders the
// inventories list, in upper case.
std::set<std::wstring> SuitePrograms(const std::wstring& installationRoot);

// The program a report folder is about: its Report.wer's AppPath, or, when
// that cannot be read, the name between the folder's kind and the next
// underscore (which the system cuts short for a long name). Upper case.
std::wstring ReportProgram(const std::wstring& reportFolder, const std::wstring& folderName);

// The program of a dump named "<program>.<pid>.dmp", in upper case; empty
// for a name of another shape.
std::wstring DumpProgram(const std::wstring& fileName);

// Copies the report folders of `programs` last written on or after the
// start day, whole, and then their dumps of that time, the newest first, as
// long as the dumps copied stay within `dumpCapBytes` in all; a dump that
// would pass the cap is left out (a smaller, older one may still fit). The
// copies go to dated folder + "Crashes\" + the place's copy folder, made
// only when something is copied.
void CopyCrashReports(const CollectionContext& context, const std::vector<CrashPlace>& places,
                      const std::set<std::wstring>& programs, unsigned long long dumpCapBytes);
