#include "collect/DrivesFile.h"

#include "win/CriticalErrors.h"
#include "win/ErrorReport.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {
// One drive being asked: shared by the run and the drive's worker, and
// freed by whichever lets go of it last.
struct PendingDrive {
    PendingDrive(std::wstring driveRoot, DriveQuery driveQuery)
        : root(std::move(driveRoot)), query(std::move(driveQuery)) {}
    const std::wstring root;
    const DriveQuery query;
    std::mutex lock;
    std::condition_variable answered;
    // Taken first and kept apart: a network drive whose server is gone may
    // still say that it is one before its volume keeps the worker waiting.
    std::optional<UINT> type;
    std::optional<DriveAnswer> answer;
};

std::shared_ptr<PendingDrive> StartAsking(const std::wstring& root, const DriveQuery& query) {
    auto pending = std::make_shared<PendingDrive>(root, query);
    try {
        std::thread([pending] {
            // Its own thread's mode: the run's does not reach it.
            CriticalErrorBoxesOff boxesOff;
            // Nothing may leave a worker: an exception there would end the
            // whole program.
            try {
                const UINT type = ::GetDriveTypeW(pending->root.c_str());
                {
                    const std::lock_guard<std::mutex> hold(pending->lock);
                    pending->type = type;
                }
                DriveAnswer answer = pending->query(pending->root);
                const std::lock_guard<std::mutex> hold(pending->lock);
                pending->answer = std::move(answer);
            } catch (...) {
            }
            pending->answered.notify_all();
        }).detach();
    } catch (...) {
        return nullptr; // no thread: the drive goes unasked rather than ask it here
    }
    return pending;
}

// Drives hold a path when its drive letter is theirs; a network path
// (\\server\share) is on none of them.
bool Holds(const std::wstring& root, const std::wstring& path) {
    return path.size() >= 2 && path[1] == L':' &&
           ::CompareStringOrdinal(root.c_str(), 2, path.c_str(), 2, TRUE) == CSTR_EQUAL;
}

std::vector<std::wstring> DriveRoots() {
    std::vector<wchar_t> buffer(128);
    for (;;) {
        const DWORD length =
            ::GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0)
            return {};
        if (length < buffer.size())
            break;
        buffer.resize(length + 1);
    }
    std::vector<std::wstring> roots;
    for (const wchar_t* root = buffer.data(); *root != L'\0'; root += wcslen(root) + 1)
        roots.emplace_back(root);
    return roots;
}

std::wstring Mebibytes(ULONGLONG bytes) {
    return std::to_wstring(bytes / (1024 * 1024));
}

std::wstring Holdings(const DriveFacts& drive) {
    if (drive.holdsInstallation && drive.holdsDatedFolder)
        return L"installation, dated folder";
    if (drive.holdsInstallation)
        return L"installation";
    return drive.holdsDatedFolder ? L"dated folder" : L"";
}
} // namespace

DriveAnswer QueryDrive(const std::wstring& root) {
    CriticalErrorBoxesOff boxesOff;
    DriveAnswer answer;
    // The system's own limit for both names.
    wchar_t label[MAX_PATH + 1] = {};
    wchar_t fileSystem[MAX_PATH + 1] = {};
    if (::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                                fileSystem, MAX_PATH + 1)) {
        answer.label = label;
        answer.fileSystem = fileSystem;
    } else {
        answer.volumeError = ::GetLastError();
    }
    ULARGE_INTEGER freeForAccount{}, total{};
    if (::GetDiskFreeSpaceExW(root.c_str(), &freeForAccount, &total, nullptr)) {
        answer.total = total.QuadPart;
        answer.freeForAccount = freeForAccount.QuadPart;
    } else {
        answer.spaceError = ::GetLastError();
    }
    return answer;
}

std::vector<DriveFacts> AskDrives(const std::vector<std::wstring>& roots, const DriveQuery& query,
                                  DWORD boundMs, ICollectionUi& ui) {
    std::vector<std::shared_ptr<PendingDrive>> pending;
    for (const std::wstring& root : roots)
        pending.push_back(StartAsking(root, query));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    std::vector<DriveFacts> drives;
    for (size_t i = 0; i < roots.size(); ++i) {
        DriveFacts facts;
        facts.root = roots[i];
        if (const std::shared_ptr<PendingDrive>& drive = pending[i]) {
            std::unique_lock<std::mutex> hold(drive->lock);
            // In short steps, so the window is still drawn while a drive
            // keeps the run waiting.
            while (!drive->answer && std::chrono::steady_clock::now() < deadline) {
                drive->answered.wait_for(hold, std::chrono::milliseconds(50));
                hold.unlock();
                ui.LetPaintThrough();
                hold.lock();
            }
            facts.type = drive->type.value_or(DRIVE_UNKNOWN);
            facts.answer = drive->answer;
        }
        drives.push_back(std::move(facts));
    }
    return drives;
}

DriveList ReadDrives(const std::wstring& installationRoot, const std::wstring& datedFolder,
                     const DriveQuery& query, DWORD boundMs, ICollectionUi& ui) {
    DriveList list;
    list.boundMs = boundMs;
    list.drives = AskDrives(DriveRoots(), query, boundMs, ui);
    for (DriveFacts& drive : list.drives) {
        drive.holdsInstallation = Holds(drive.root, installationRoot);
        drive.holdsDatedFolder = Holds(drive.root, datedFolder);
    }
    return list;
}

std::wstring DriveTypeName(UINT type) {
    switch (type) {
    case DRIVE_FIXED:
        return L"fixed";
    case DRIVE_REMOVABLE:
        return L"removable";
    case DRIVE_REMOTE:
        return L"network";
    case DRIVE_CDROM:
        return L"CD-ROM";
    case DRIVE_RAMDISK:
        return L"RAM disk";
    case DRIVE_NO_ROOT_DIR:
        return L"no root";
    }
    return L"unknown";
}

MachineTable DriveTable(const DriveList& list) {
    MachineTable table;
    table.header = {L"root",     L"type",   L"file system", L"label", L"total MiB",
                    L"free MiB", L"free %", L"holds",       L"answer"};
    for (const DriveFacts& drive : list.drives) {
        std::vector<std::wstring> row = {drive.root, DriveTypeName(drive.type)};
        if (!drive.answer) {
            row.insert(row.end(), {L"", L"", L"", L"", L"", Holdings(drive),
                                   L"none within " + Decimal(list.boundMs, 1000, 1) + L" s"});
        } else {
            const DriveAnswer& answer = *drive.answer;
            const bool sized = answer.spaceError == 0;
            row.insert(row.end(),
                       {answer.fileSystem, answer.label, sized ? Mebibytes(answer.total) : L"",
                        sized ? Mebibytes(answer.freeForAccount) : L"",
                        sized && answer.total != 0
                            ? Decimal(answer.freeForAccount * 100, answer.total, 1)
                            : L"",
                        Holdings(drive)});
            // A drive without media says so here, not in a system box.
            const DWORD error = answer.volumeError != 0 ? answer.volumeError : answer.spaceError;
            row.push_back(error != 0 ? ComposeSystemErrorText(L"error", error) : L"yes");
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}
