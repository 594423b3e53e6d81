#include "DialogDriver.h"

#include "res/resource.h"
#include "support/TestFiles.h"
#include "ui/DorvakDlg.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>

namespace {

// The collection dialog with one extra message that does what Save does
// before the engine starts copying (the saving exchange), then reports a
// series of copies the way the engine does, all on the dialog's thread.
class ProgressProbeDlg : public CDorvakDlg {
  public:
    static constexpr UINT kReportCopies = WM_APP + 1;

    using CDorvakDlg::CDorvakDlg;

    std::vector<std::wstring> paths;
    // Whether the dialog and its progress line still waited for painting
    // after the last report.
    std::atomic<bool> dialogUnpainted{true};
    std::atomic<bool> progressUnpainted{true};

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kReportCopies)
            return CDorvakDlg::HandleMessage(message, wParam, lParam);
        if (UpdateData(true)) {
            // Everything needs painting, as after another window covered it.
            ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            for (const std::wstring& path : paths)
                ShowProgress(path);
            // One paint per report, in the platform's order: the dialog comes
            // first, and the progress line, invalidated by each new path, is
            // repainted by the report that changed it.
            dialogUnpainted = ::GetUpdateRect(m_hWnd, nullptr, FALSE) != FALSE;
            progressUnpainted =
                ::GetUpdateRect(::GetDlgItem(m_hWnd, IDC_PROGRESS), nullptr, FALSE) != FALSE;
        }
        return TRUE;
    }
};

} // namespace

TEST(CollectionDialog, ProgressLeavesTheOperatorsInputAlone) {
    TempFolder root(L"ui");
    ProgressProbeDlg dialog(root.Path(), ProductVersion{});
    for (int copy = 0; copy < 40; ++copy) {
        std::wstring path =
            root.Path() + L"2024_01_02\\MERUDrv\\Kavmon\\log" + std::to_wstring(copy);
        // Some paths beyond 255 characters, which are always rewritten.
        if (copy % 3 == 0)
            path += L"\\" + std::wstring(260, L'x');
        dialog.paths.push_back(path + L".txt");
    }

    SYSTEMTIME chosenDay{};
    SYSTEMTIME dayAfter{};
    std::wstring progressShown;
    std::wstring descriptionAfter;
    DWORD selectionBefore = 0;
    DWORD selectionAfter = 0;
    HWND focusBefore = nullptr;
    HWND focusAfter = nullptr;
    const DriveResult run = DriveModal(
        [&] { return dialog.DoModal(); },
        [&](DialogDriver& driver) {
            HWND window = driver.WaitForDialog(kCollectionCaption);
            HWND calendar = ::GetDlgItem(window, IDC_START_DATE);
            HWND description = ::GetDlgItem(window, IDC_DESCRIPTION);
            HWND progress = ::GetDlgItem(window, IDC_PROGRESS);
            driver.Activate(window);

            // A day other than today, picked on the calendar.
            chosenDay = CalendarSelection(calendar);
            chosenDay.wDay = chosenDay.wDay <= 14 ? chosenDay.wDay + 7 : chosenDay.wDay - 7;
            ClickCalendarDay(driver, calendar, chosenDay);

            // A description with the caret inside a selection of its last two
            // characters.
            TabUntilFocused(driver, description);
            driver.Type(L"abcdef");
            driver.Expect([&] { return driver.Text(description) == L"abcdef"; },
                          "the description does not show what was typed");
            driver.Press(VK_LEFT, {VK_SHIFT});
            driver.Press(VK_LEFT, {VK_SHIFT});
            driver.Expect(
                [&] { return ::SendMessageW(description, EM_GETSEL, 0, 0) == MAKELONG(4, 6); },
                "Shift+Left did not select the last two characters");
            selectionBefore = static_cast<DWORD>(::SendMessageW(description, EM_GETSEL, 0, 0));
            focusBefore = driver.Focus();

            ::PostMessageW(window, ProgressProbeDlg::kReportCopies, 0, 0);
            driver.Expect([&] { return driver.Text(progress) == dialog.paths.back(); },
                          "the progress line does not show the last copy");
            progressShown = driver.Text(progress);
            descriptionAfter = driver.Text(description);
            selectionAfter = static_cast<DWORD>(::SendMessageW(description, EM_GETSEL, 0, 0));
            dayAfter = CalendarSelection(calendar);
            focusAfter = driver.Focus();
            driver.Press(VK_ESCAPE);
        });
    ExpectNoFailures(run);

    EXPECT_EQ(Utf8(progressShown), Utf8(dialog.paths.back()));
    EXPECT_EQ(Utf8(descriptionAfter), "abcdef");
    EXPECT_EQ(selectionAfter, selectionBefore);
    EXPECT_EQ(focusAfter, focusBefore);
    EXPECT_EQ(dayAfter.wYear, chosenDay.wYear);
    EXPECT_EQ(dayAfter.wMonth, chosenDay.wMonth);
    EXPECT_EQ(dayAfter.wDay, chosenDay.wDay);
    EXPECT_FALSE(dialog.dialogUnpainted) << "ShowProgress let no paint message through";
    EXPECT_FALSE(dialog.progressUnpainted) << "the progress line was not repainted";
    EXPECT_EQ(run.modalResult, IDCANCEL);
    EXPECT_EQ(ListFolder(root.Path()), L"");
}
