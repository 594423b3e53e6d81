#include "ui/ReportedOnce.h"

#include <algorithm>

bool IsFullDrive(DWORD code) {
    // ERROR_DISK_QUOTA_EXCEEDED, which not every SDK's headers name.
    constexpr DWORD kDiskQuotaExceeded = 1295;
    return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL || code == kDiskQuotaExceeded;
}

namespace {
bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}
} // namespace

bool ReportedOnce::ShouldTell(const RunEvent& event) {
    if (!WentWrong(event))
        return true;
    // A name the run found in its way is not its own: that it is not packed
    // either follows from it.
    if (event.Kind() == RunEventKind::FolderNotArchived &&
        std::find(m_unmadeFolders.begin(), m_unmadeFolders.end(), event.Path()) !=
            m_unmadeFolders.end())
        return false;
    if (event.Kind() == RunEventKind::FolderNotCreated) {
        for (const std::wstring& unmade : m_unmadeFolders)
            if (event.Path() == unmade ||
                (event.Code() == ERROR_PATH_NOT_FOUND && StartsWith(event.Path(), unmade)))
                return false;
        m_unmadeFolders.push_back(event.Path());
    }
    if (IsFullDrive(event.Code())) {
        if (m_fullDriveTold)
            return false;
        m_fullDriveTold = true;
    }
    return true;
}
