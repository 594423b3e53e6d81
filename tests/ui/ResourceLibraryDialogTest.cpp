#include "support/DialogDriver.h"

#include "app/ResourceLibrary.h"
#include "res/resource.h"
#include "support/RecordingUi.h"
#include "support/TestFiles.h"
#include "ui/DorvakDlg.h"
#include "win/Handles.h"
#include "win/Module.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Makes an accepted resource library the active resource module for one
// test, as start-up does, and puts the program's own module back after it.
class ActiveLibrary {
  public:
    explicit ActiveLibrary(const std::wstring& path) {
        m_library.Reset(
            CheckResourceLibrary(path, ProductVersion{4, 7, 2, 10}, [](const std::wstring& text) {
                ADD_FAILURE() << "refused: " << Utf8(text);
            }));
        if (m_library)
            SetActiveResourceModule(m_library.Get());
    }
    ~ActiveLibrary() { SetActiveResourceModule(nullptr); }

    HMODULE Get() const { return m_library.Get(); }

  private:
    LibraryModule m_library;
};

HICON IconOf(HMODULE module) {
    return ::LoadIconW(module, MAKEINTRESOURCEW(IDI_DORVAK));
}

// The colour pixels of an icon. A library mapped as data has no module name
// to share its icons under, so each load gives a new handle: icons are told
// apart by what they show.
std::string IconPixels(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !::GetIconInfo(icon, &info))
        return std::string();
    std::string pixels;
    BITMAP bitmap{};
    if (info.hbmColor != nullptr && ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap) != 0) {
        pixels.resize(static_cast<size_t>(bitmap.bmWidthBytes) * bitmap.bmHeight);
        pixels.resize(static_cast<size_t>(
            ::GetBitmapBits(info.hbmColor, static_cast<LONG>(pixels.size()), pixels.data())));
    }
    if (info.hbmColor != nullptr)
        ::DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr)
        ::DeleteObject(info.hbmMask);
    return pixels;
}

} // namespace

TEST(ResourceLibraryDialogs, DialogsComeFromTheLibraryButTheAboutIconDoesNot) {
    const ActiveLibrary library(TestProgramFolder() + L"..\\resdll\\4.7.2.10\\TelmarRC.dll");
    ASSERT_NE(library.Get(), nullptr);
    // The library's icon differs from the program's, or the checks below
    // could not tell the two modules apart.
    const std::string libraryPixels = IconPixels(IconOf(library.Get()));
    ASSERT_FALSE(libraryPixels.empty());
    ASSERT_NE(libraryPixels, IconPixels(IconOf(::GetModuleHandleW(nullptr))));

    TempFolder root(L"ui");
    CDorvakDlg dialog(root.Path(), TestProgramFacts(ProductVersion{4, 7, 2, 10}),
                      TestRunSettings(root.Path()));
    HINSTANCE dialogModule = nullptr;
    HINSTANCE aboutModule = nullptr;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    HICON aboutIcon = nullptr;
    std::wstring version;
    const DriveResult run = DriveModal(
        [&] { return dialog.DoModal(); },
        [&](DialogDriver& driver) {
            HWND window = driver.WaitForDialog(kCollectionCaption);
            // A dialog window belongs to the module its template came from.
            dialogModule = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window, GWLP_HINSTANCE));
            bigIcon = reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_BIG, 0));
            smallIcon = reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0));

            driver.Activate(window);
            driver.Press(VK_SPACE, {VK_MENU});
            driver.Press(VK_UP);
            driver.Press(VK_RETURN);
            HWND about = driver.WaitForDialog(kAboutCaption);
            aboutModule = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(about, GWLP_HINSTANCE));
            aboutIcon = reinterpret_cast<HICON>(
                ::SendMessageW(::GetDlgItem(about, IDC_ABOUT_ICON), STM_GETICON, 0, 0));
            version = driver.Text(::GetDlgItem(about, IDC_VERSION));
            driver.Activate(about);
            driver.Press(VK_RETURN);
            driver.WaitUntilGone(about);
            driver.Activate(window);
            driver.Press(VK_ESCAPE);
        });
    ExpectNoFailures(run);

    EXPECT_EQ(dialogModule, library.Get());
    EXPECT_EQ(aboutModule, library.Get());
    EXPECT_EQ(bigIcon, smallIcon);
    EXPECT_EQ(IconPixels(bigIcon), libraryPixels);
    EXPECT_EQ(aboutIcon, IconOf(::GetModuleHandleW(nullptr)));
    EXPECT_EQ(Utf8(version), "4.7.2.10");
    EXPECT_EQ(run.modalResult, IDCANCEL);
}

TEST(ResourceLibraryDialogs, WithoutTheAboutTextTheSystemMenuHasNoAboutEntry) {
    // Whether the collection dialog's system menu offers the about box, and
    // whether its last entry is a separator, with a library active.
    const auto aboutEntry = [](const wchar_t* variant, bool& lastIsSeparator) {
        const ActiveLibrary library(TestProgramFolder() + L"..\\resdll\\" + variant +
                                    L"\\TelmarRC.dll");
        EXPECT_NE(library.Get(), nullptr) << Utf8(variant);
        TempFolder root(L"ui");
        CDorvakDlg dialog(root.Path(), TestProgramFacts(ProductVersion{4, 7, 2, 10}),
                          TestRunSettings(root.Path()));
        bool offered = false;
        const DriveResult run =
            DriveModal([&] { return dialog.DoModal(); },
                       [&](DialogDriver& driver) {
                           HWND window = driver.WaitForDialog(kCollectionCaption);
                           HMENU menu = ::GetSystemMenu(window, FALSE);
                           offered = ::GetMenuState(menu, IDM_ABOUTBOX, MF_BYCOMMAND) != ~0u;
                           const int count = ::GetMenuItemCount(menu);
                           lastIsSeparator =
                               count > 0 &&
                               (::GetMenuState(menu, count - 1, MF_BYPOSITION) & MF_SEPARATOR) != 0;
                           driver.CloseAll();
                       });
        ExpectNoFailures(run);
        return offered;
    };
    bool lastIsSeparator = true;
    EXPECT_TRUE(aboutEntry(L"4.7.2.10", lastIsSeparator));
    EXPECT_FALSE(lastIsSeparator);
    EXPECT_FALSE(aboutEntry(L"noabout", lastIsSeparator));
    EXPECT_FALSE(lastIsSeparator) << "a separator with nothing after it";
}

TEST(ResourceLibraryDialogs, AModuleWithoutTheTemplateOpensNoDialog) {
    // Start-up refuses such a library; made active anyway, the dialog must
    // fail cleanly rather than hang.
    const std::wstring path = TestProgramFolder() + L"..\\resdll\\nostrings\\TelmarRC.dll";
    LibraryModule library(::LoadLibraryExW(
        path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(library);
    SetActiveResourceModule(library.Get());
    struct Restore {
        ~Restore() { SetActiveResourceModule(nullptr); }
    } restore;

    TempFolder root(L"ui");
    CDorvakDlg dialog(root.Path(), TestProgramFacts(ProductVersion{4, 7, 2, 10}),
                      TestRunSettings(root.Path()));
    bool appeared = false;
    const DriveResult run = DriveModal([&] { return dialog.DoModal(); },
                                       [&](DialogDriver& driver) {
                                           try {
                                               driver.WaitForDialog(kCollectionCaption, 2000);
                                               appeared = true;
                                               driver.CloseAll();
                                           } catch (const DriverFailure&) {
                                           }
                                       });
    ExpectNoFailures(run);
    EXPECT_FALSE(appeared);
    EXPECT_EQ(run.modalResult, -1);
    EXPECT_EQ(ListFolder(root.Path()), L"");
}
