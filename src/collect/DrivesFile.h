// drives.txt: every drive letter, what it is and how much room it has.
#pragma once

#include "collect/CollectionUi.h"
#include "collect/MachineTable.h"

#include <windows.h>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What a drive says of itself when asked.
struct DriveAnswer {
    DWORD volumeError = 0; // the system error of the volume's name and file system
    std::wstring fileSystem;
    std::wstring label;
    DWORD spaceError = 0; // the system error of its sizes
    ULONGLONG total = 0;
    ULONGLONG freeForAccount = 0; // what this account may still write
};

// Asks one drive ("C:\"); it may take as long as the drive does.
using DriveQuery = std::function<DriveAnswer(const std::wstring& root)>;

// The system's answer, with the system's critical-error boxes off for the
// calling thread.
DriveAnswer QueryDrive(const std::wstring& root);

struct DriveFacts {
    std::wstring root; // "C:\"
    // DRIVE_FIXED and the others; DRIVE_UNKNOWN also when the drive did not
    // say within the bound.
    UINT type = DRIVE_UNKNOWN;
    std::optional<DriveAnswer> answer; // nothing: no answer within the bound
    bool holdsInstallation = false;
    bool holdsDatedFolder = false;
};

// Asks each drive, its type and then `query`, on a worker thread of its
// own, all at once, and waits for them at most `boundMs` in all, letting the
// window's paint through. A drive that has not answered by then has
// nothing; its worker owns all it touches (a copy of the query, the root and
// the place for its answer), so it may finish later, or never, without harm
// to anyone.
std::vector<DriveFacts> AskDrives(const std::vector<std::wstring>& roots, const DriveQuery& query,
                                  DWORD boundMs, ICollectionUi& ui);

struct DriveList {
    std::vector<DriveFacts> drives;
    DWORD boundMs = 0;
};

// Every drive letter, in order, asked through `query` within `boundMs`.
DriveList ReadDrives(const std::wstring& installationRoot, const std::wstring& datedFolder,
                     const DriveQuery& query, DWORD boundMs, ICollectionUi& ui);

MachineTable DriveTable(const DriveList& list);

// "fixed", "removable", "network", "CD-ROM", "RAM disk"; the others too.
std::wstring DriveTypeName(UINT type);
