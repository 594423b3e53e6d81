#include "ui/AboutDlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg(const ProductVersion& productVersion)
    : CProgramDialog(IDD_ABOUTBOX), m_productVersion(productVersion) {}

bool CAboutDlg::DoDataExchange(CDataExchange& exchange) {
    exchange.Text(IDC_VERSION, m_versionText);
    return true;
}

bool CAboutDlg::OnInitDialog() {
    m_versionText = FormatProductVersion(m_productVersion);
    CDialog::OnInitDialog();

    // Always the program's own icon, even when the template and every text
    // come from the suite's resource library.
    HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_DORVAK));
    ::SendDlgItemMessageW(m_hWnd, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    return true;
}
