#include "collect/ReportedOnce.h"

bool IsFullDrive(DWORD code) {
    // ERROR_DISK_QUOTA_EXCEEDED, which not every SDK's headers name.
    constexpr DWORD kDiskQuotaExceeded = 1295;
    return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL || code == kDiskQuotaExceeded;
}

namespace {
bool IsFailure(RunEventKind kind) {
    return kind == RunEventKind::FolderNotCreated || kind == RunEventKind::CopyFailed ||
           kind == RunEventKind::FileNotWritten || kind == RunEventKind::FileNotArchived;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}
} // namespace

bool ReportedOnce::AlreadyTold(const RunEvent& event) {
    if (!IsFailure(event.kind))
        return false;
    if (event.kind == RunEventKind::FolderNotCreated) {
        for (const std::wstring& unmade : m_unmadeFolders)
            if (event.path == unmade ||
                (event.code == ERROR_PATH_NOT_FOUND && StartsWith(event.path, unmade)))
                return true;
        m_unmadeFolders.push_back(event.path);
    }
    if (IsFullDrive(event.code)) {
        if (m_fullDriveTold)
            return true;
        m_fullDriveTold = true;
    }
    return false;
}

void ReportedOnce::Report(const RunEvent& event) {
    if (!AlreadyTold(event))
        m_ui.Report(event);
}
