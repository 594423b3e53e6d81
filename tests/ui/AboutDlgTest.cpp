#include "support/DialogDriver.h"

#include "res/resource.h"
#include "support/RecordingUi.h"
#include "support/TestFiles.h"
#include "ui/AboutDlg.h"
#include "ui/DorvakDlg.h"

#include <gtest/gtest.h>

namespace {

std::wstring MenuItemText(HMENU menu, UINT position) {
    wchar_t text[128] = {};
    ::GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return text;
}

HICON OwnIcon() {
    return ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_DORVAK));
}

struct AboutBoxSeen {
    std::wstring version;
    HICON icon = nullptr;
    HWND focus = nullptr;
    HWND okButton = nullptr;
};

AboutBoxSeen LookAtAboutBox(DialogDriver& driver, HWND about) {
    AboutBoxSeen seen;
    seen.version = driver.Text(::GetDlgItem(about, IDC_VERSION));
    seen.icon = reinterpret_cast<HICON>(
        ::SendMessageW(::GetDlgItem(about, IDC_ABOUT_ICON), STM_GETICON, 0, 0));
    seen.okButton = ::GetDlgItem(about, IDOK);
    driver.WaitFor([&] { return driver.Focus() == seen.okButton; });
    seen.focus = driver.Focus();
    return seen;
}

} // namespace

TEST(AboutBox, OpensFromTheSystemMenuWithTheVersion) {
    TempFolder root(L"ui");
    // Numbers that show formatting faults: the largest, a zero, two digits.
    CDorvakDlg dialog(root.Path(), TestProgramFacts(ProductVersion{65535, 0, 12, 7}),
                      TestRunSettings(root.Path()));

    std::wstring lastMenuText;
    UINT lastMenuId = 0;
    UINT separatorState = 0;
    AboutBoxSeen first;
    AboutBoxSeen second;
    INT_PTR dragIcon = 0;
    std::wstring descriptionAfter;
    const DriveResult run =
        DriveModal([&] { return dialog.DoModal(); },
                   [&](DialogDriver& driver) {
                       HWND window = driver.WaitForDialog(kCollectionCaption);
                       HMENU systemMenu = ::GetSystemMenu(window, FALSE);
                       const int count = ::GetMenuItemCount(systemMenu);
                       lastMenuText = MenuItemText(systemMenu, count - 1);
                       lastMenuId = ::GetMenuItemID(systemMenu, count - 1);
                       separatorState = ::GetMenuState(systemMenu, count - 2, MF_BYPOSITION);
                       dragIcon = ::SendMessageW(window, WM_QUERYDRAGICON, 0, 0);

                       // Alt+Space opens the system menu; Up wraps to its last entry.
                       driver.Activate(window);
                       driver.Press(VK_SPACE, {VK_MENU});
                       driver.Press(VK_UP);
                       driver.Press(VK_RETURN);
                       HWND about = driver.WaitForDialog(kAboutCaption);
                       first = LookAtAboutBox(driver, about);
                       driver.Press(VK_RETURN);
                       driver.WaitUntilGone(about);

                       // Again, by the command the menu entry sends.
                       ::PostMessageW(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
                       about = driver.WaitForDialog(kAboutCaption);
                       second = LookAtAboutBox(driver, about);
                       driver.Activate(about);
                       driver.Press(VK_ESCAPE);
                       driver.WaitUntilGone(about);

                       descriptionAfter = driver.Text(::GetDlgItem(window, IDC_DESCRIPTION));
                       driver.Activate(window);
                       driver.Press(VK_ESCAPE);
                   });
    ExpectNoFailures(run);

    EXPECT_EQ(Utf8(lastMenuText), Utf8(L"&О проекте Dorvak..."));
    EXPECT_EQ(lastMenuId, static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_TRUE(separatorState & MF_SEPARATOR);
    EXPECT_EQ(reinterpret_cast<HICON>(dragIcon), OwnIcon());

    for (const AboutBoxSeen* seen : {&first, &second}) {
        EXPECT_EQ(Utf8(seen->version), "65535.0.12.7");
        EXPECT_EQ(seen->icon, OwnIcon());
        EXPECT_EQ(seen->focus, seen->okButton);
    }
    EXPECT_EQ(Utf8(descriptionAfter), "");
    EXPECT_EQ(run.modalResult, IDCANCEL);
}

TEST(AboutBox, UnreadableVersionShowsZeros) {
    // What start-up keeps when the program's own version data cannot be read.
    TempFolder folder(L"ui");
    WriteBytes(folder.Path() + L"Dorvak.exe", "not a program");
    ProductVersion version;
    EXPECT_FALSE(ReadProductVersion(folder.Path() + L"Dorvak.exe", version));

    CAboutDlg about(version);
    std::wstring shown;
    const DriveResult run = DriveModal([&] { return about.DoModal(); },
                                       [&](DialogDriver& driver) {
                                           HWND window = driver.WaitForDialog(kAboutCaption);
                                           shown = driver.Text(::GetDlgItem(window, IDC_VERSION));
                                           driver.Activate(window);
                                           driver.Press(VK_RETURN);
                                       });
    ExpectNoFailures(run);
    EXPECT_EQ(Utf8(shown), "0.0.0.0");
    EXPECT_EQ(run.modalResult, IDOK);
}
