#include "app/DorvakApp.h"

#include "app/InstallLayout.h"
#include "app/ResourceLibrary.h"
#include "ui/DorvakDlg.h"
#include "ui/OperatorNotice.h"
#include "win/MessageBox.h"
#include "win/Module.h"
#include "win/VersionInfo.h"

#include <commctrl.h>

#include <utility>

CDorvakApp& TheApp() {
    static CDorvakApp app;
    return app;
}

bool CDorvakApp::InitInstance(const WaitLimits& waitLimits) {
    const std::wstring executablePath = ModuleFileName(nullptr);
    const std::wstring installationRoot = InstallationRootFromExecutablePath(executablePath);

    ProductVersion productVersion;
    ReadProductVersion(executablePath, productVersion);

    ProgramFacts program{productVersion, ModuleFolder(nullptr), std::wstring(), ProductVersion{}};

    // Only the copy beside the program counts: a library found along the
    // search path belongs to someone else. No window exists yet, so the
    // start-up messages have no owner.
    const std::wstring libraryPath = program.folder + L"TelmarRC.dll";
    HMODULE library =
        CheckResourceLibrary(libraryPath, productVersion,
                             [](const std::wstring& text) { ShowMessage(nullptr, text, 0); });
    if (library != nullptr) {
        SetActiveResourceModule(library); // kept for the life of the process
        program.resourceLibrary = libraryPath;
        ReadProductVersion(libraryPath, program.resourceLibraryVersion);
    }

    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    m_settingsRoot = L"MERU";

    {
        // Started from anywhere, the captures still see the installation
        // root as "..": they run in the program's own folder.
        RunSettings settings{waitLimits, kShippedMachineLimits, SystemFolder(), program.folder,
                             InvalidDateText()};
        CDorvakDlg dialog(installationRoot, std::move(program), std::move(settings));
        dialog.DoModal();
    }
    return false;
}
