#pragma once

#include "ui/ProgramDialog.h"
#include "win/VersionInfo.h"

#include <string>

// What the program is for and its product version; opened from the
// collection dialog's system menu.
class CAboutDlg : public CProgramDialog {
  public:
    explicit CAboutDlg(const ProductVersion& productVersion);

  protected:
    bool DoDataExchange(CDataExchange& exchange) override;
    bool OnInitDialog() override;

  private:
    std::wstring m_versionText;
    ProductVersion m_productVersion;
};
