#include "collect/FullDriveFilter.h"

void FullDriveReportedOnce::ReportSystemError(const std::wstring& text, DWORD code) {
    if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL) {
        if (m_fullDriveShown)
            return;
        m_fullDriveShown = true;
    }
    m_ui.ReportSystemError(text, code);
}
