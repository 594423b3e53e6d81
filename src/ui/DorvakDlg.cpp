#include "ui/DorvakDlg.h"

#include "app/DorvakApp.h"
#include "app/ErrorReport.h"
#include "app/MessageBox.h"
#include "collect/CollectionRun.h"
#include "res/resource.h"
#include "win/Module.h"

#include <commctrl.h>

#include <vector>

INT_PTR CDorvakDlg::DoModal() {
    return ::DialogBoxParamW(ActiveResourceModule(), MAKEINTRESOURCEW(IDD_DORVAK_DIALOG), nullptr,
                             DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDorvakDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* self = reinterpret_cast<CDorvakDlg*>(lParam);
        self->m_hWnd = window;
        TheApp().SetMainWindow(window);
        return TRUE;
    }
    auto* self = reinterpret_cast<CDorvakDlg*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr || message != WM_COMMAND)
        return FALSE;
    if (LOWORD(wParam) == IDOK) {
        self->OnOK();
        return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(window, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

void CDorvakDlg::OnOK() {
    CollectionRequest request;
    request.installationRoot = TheApp().InstallationRoot();
    SYSTEMTIME day{};
    if (::SendDlgItemMessageW(m_hWnd, IDC_START_DATE, MCM_GETCURSEL, 0,
                              reinterpret_cast<LPARAM>(&day)))
        request.startDate = DateTime::FromFields(day.wYear, day.wMonth, day.wDay, 0, 0, 0);
    else
        request.startDate = DateTime::Now();
    HWND edit = ::GetDlgItem(m_hWnd, IDC_DESCRIPTION);
    std::vector<wchar_t> text(static_cast<size_t>(::GetWindowTextLengthW(edit)) + 1);
    ::GetWindowTextW(edit, text.data(), static_cast<int>(text.size()));
    request.description = text.data();
    if (RunCollection(request, *this))
        ::EndDialog(m_hWnd, IDOK);
}

void CDorvakDlg::ShowProgress(const std::wstring& path) {
    ::SetDlgItemTextW(m_hWnd, IDC_PROGRESS, path.c_str());
}

void CDorvakDlg::ReportSystemError(const std::wstring& text, DWORD code) {
    ::ReportSystemError(m_hWnd, text, code);
}

void CDorvakDlg::ShowMessage(const std::wstring& text, UINT icon) {
    ::ShowMessage(m_hWnd, text, icon);
}

void CDorvakDlg::Beep(UINT type) {
    ::MessageBeep(type);
}
