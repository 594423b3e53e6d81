#include "app/DorvakApp.h"

#include "app/InstallLayout.h"
#include "app/ResourceLibrary.h"
#include "ui/DorvakDlg.h"
#include "win/MessageBox.h"
#include "win/Module.h"

#include <commctrl.h>

CDorvakApp& TheApp() {
    static CDorvakApp app;
    return app;
}

bool CDorvakApp::InitInstance(const WaitLimits& waitLimits) {
    const std::wstring executablePath = ModuleFileName(nullptr);
    m_installationRoot = InstallationRootFromExecutablePath(executablePath);

    ReadProductVersion(executablePath, m_productVersion);

    // Only the copy beside the program counts: a library found along the
    // search path belongs to someone else. No window exists yet, so the
    // start-up messages have no owner.
    HMODULE library =
        CheckResourceLibrary(ModuleFolder(nullptr) + L"TelmarRC.dll", m_productVersion,
                             [](const std::wstring& text) { ShowMessage(nullptr, text, 0); });
    if (library != nullptr)
        SetActiveResourceModule(library); // kept for the life of the process

    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    m_settingsRoot = L"MERU";

    {
        CDorvakDlg dialog(m_installationRoot, m_productVersion, waitLimits);
        dialog.DoModal();
    }
    return false;
}
