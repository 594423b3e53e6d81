#pragma once

#include "collect/RunSettings.h"

#include <string>

// The program's single application object: start-up, and the settings root
// it names.
class CDorvakApp {
  public:
    // Start-up, steps 1 to 7. Always false: the program lives exactly as long
    // as the collection dialog, with no message loop of its own. The wait
    // limits are the build's own (see Main.cpp).
    bool InitInstance(const WaitLimits& waitLimits);

    // Named at start-up; nothing is ever read from or written to it.
    const std::wstring& SettingsRoot() const { return m_settingsRoot; }

  private:
    std::wstring m_settingsRoot;
};

CDorvakApp& TheApp();
