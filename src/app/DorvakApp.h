#pragma once

#include "collect/ChildProcess.h"
#include "win/VersionInfo.h"

#include <windows.h>
#include <string>

// The program's single application object: what start-up derives once and
// every later step reads.
class CDorvakApp {
  public:
    // Start-up, steps 1 to 7. Always false: the program lives exactly as long
    // as the collection dialog, with no message loop of its own. The limits
    // are the build's own (see Main.cpp).
    bool InitInstance(const WaitLimits& waitLimits = kShippedWaitLimits);

    const std::wstring& InstallationRoot() const { return m_installationRoot; }
    const ProductVersion& Version() const { return m_productVersion; }
    const std::wstring& SettingsRoot() const { return m_settingsRoot; }

  private:
    std::wstring m_installationRoot;
    ProductVersion m_productVersion;
    std::wstring m_settingsRoot;
};

CDorvakApp& TheApp();
