#include "support/DialogDriver.h"

#include "collect/ChildProcess.h"
#include "res/resource.h"
#include "support/RecordingUi.h"
#include "support/TestFiles.h"
#include "ui/DorvakDlg.h"
#include "win/ResourceText.h"

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
    ProgressProbeDlg dialog(root.Path(), TestProgramFacts(ProductVersion{}),
                            TestRunSettings(root.Path()));
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

TEST(CollectionDialog, ThousandProgressStepsLeaveALongDescriptionWhereTheOperatorLeftIt) {
    TempFolder root(L"ui");
    ProgressProbeDlg dialog(root.Path(), TestProgramFacts(ProductVersion{}),
                            TestRunSettings(root.Path()));
    for (int copy = 0; copy < 1000; ++copy)
        dialog.paths.push_back(root.Path() + L"2024_01_02\\MERUDrv\\MERUDrv\\LogDrv\\log" +
                               std::to_wstring(copy) + L".txt");
    // Far beyond the 255 characters the loading exchange compares, in more
    // lines than the edit shows.
    std::wstring description;
    for (int line = 0; line < 30; ++line)
        description += (line ? L"\r\n" : L"") + std::to_wstring(line) + L": " +
                       std::wstring(700, static_cast<wchar_t>(L'a' + line % 26));

    std::wstring progressShown;
    std::wstring textBefore;
    std::wstring textAfter;
    DWORD selectionBefore = 0;
    DWORD selectionAfter = 0;
    LRESULT firstLineBefore = 0;
    LRESULT firstLineAfter = 0;
    const DriveResult run = DriveModal(
        [&] { return dialog.DoModal(); },
        [&](DialogDriver& driver) {
            HWND window = driver.WaitForDialog(kCollectionCaption);
            HWND edit = ::GetDlgItem(window, IDC_DESCRIPTION);
            HWND progress = ::GetDlgItem(window, IDC_PROGRESS);
            ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(description.c_str()));
            // A selection in the middle, scrolled into view as the operator
            // would have it after reading there.
            ::SendMessageW(edit, EM_SETSEL, 10000, 10020);
            ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
            textBefore = driver.Text(edit);
            selectionBefore = static_cast<DWORD>(::SendMessageW(edit, EM_GETSEL, 0, 0));
            firstLineBefore = ::SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
            driver.Expect([&] { return firstLineBefore > 0; },
                          "the description did not scroll: the test would prove nothing");

            ::PostMessageW(window, ProgressProbeDlg::kReportCopies, 0, 0);
            driver.Expect([&] { return driver.Text(progress) == dialog.paths.back(); },
                          "the progress line does not show the last copy", 60000);
            progressShown = driver.Text(progress);
            textAfter = driver.Text(edit);
            selectionAfter = static_cast<DWORD>(::SendMessageW(edit, EM_GETSEL, 0, 0));
            firstLineAfter = ::SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
            driver.Press(VK_ESCAPE);
        });
    ExpectNoFailures(run);

    EXPECT_EQ(textBefore.size(), description.size());
    EXPECT_TRUE(textAfter == textBefore) << "the description changed";
    EXPECT_EQ(selectionBefore, static_cast<DWORD>(MAKELONG(10000, 10020)));
    EXPECT_EQ(selectionAfter, selectionBefore);
    EXPECT_EQ(firstLineAfter, firstLineBefore);
    EXPECT_EQ(Utf8(progressShown), Utf8(dialog.paths.back()));
    EXPECT_EQ(run.modalResult, IDCANCEL);
}

namespace {

// The collection dialog waiting for a program that never ends, on its own
// thread, as a run waits for a capture or a configurator.
class WaitProbeDlg : public CDorvakDlg {
  public:
    static constexpr UINT kWaitForProgram = WM_APP + 2;
    static constexpr DWORD kLimitMs = 15000;

    using CDorvakDlg::CDorvakDlg;

    ChildProgram program;
    std::atomic<int> result{-1};

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kWaitForProgram)
            return CDorvakDlg::HandleMessage(message, wParam, lParam);
        ShowProgress(L"before the wait");
        result = static_cast<int>(RunAndWait(program, kLimitMs, *this));
        return TRUE;
    }
};

} // namespace

TEST(CollectionDialog, WindowIsRepaintedWhileAProgramRunsAndTheLimitIsReportedOnce) {
    TempFolder root(L"ui");
    WaitProbeDlg dialog(root.Path(), TestProgramFacts(ProductVersion{}),
                        TestRunSettings(root.Path()));
    dialog.program.application = TestProgramFolder() + L"NeverEnds.exe";
    dialog.program.commandLine = L"\"" + dialog.program.application + L"\" waited for";

    std::wstring progressShown;
    std::wstring boxText;
    std::wstring progressAfter;
    bool paintedWhileWaiting = false;
    bool boxBeforeLimit = true;
    const DriveResult run = DriveModal(
        [&] { return dialog.DoModal(); },
        [&](DialogDriver& driver) {
            HWND window = driver.WaitForDialog(kCollectionCaption);
            HWND progress = ::GetDlgItem(window, IDC_PROGRESS);
            ::PostMessageW(window, WaitProbeDlg::kWaitForProgram, 0, 0);
            driver.Expect([&] { return driver.Text(progress) == dialog.program.commandLine; },
                          "the progress line does not show the program waited for", 10000);
            progressShown = driver.Text(progress);
            // As if another window had covered the whole dialog and gone.
            ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            paintedWhileWaiting = driver.WaitFor(
                [&] {
                    return !::GetUpdateRect(window, nullptr, FALSE) &&
                           !::GetUpdateRect(progress, nullptr, FALSE) &&
                           !::GetUpdateRect(::GetDlgItem(window, IDOK), nullptr, FALSE);
                },
                5000);
            boxBeforeLimit = dialog.result != -1;
            HWND box = driver.WaitForMessageBox(window, 120000);
            boxText = driver.MessageBoxText(box);
            driver.Activate(box);
            driver.Press(VK_RETURN);
            driver.WaitUntilGone(box);
            driver.Expect([&] { return dialog.result != -1; }, "the wait did not return");
            progressAfter = driver.Text(progress);
            driver.Activate(window);
            driver.Press(VK_ESCAPE);
        });
    ExpectNoFailures(run);

    EXPECT_EQ(Utf8(progressShown), Utf8(dialog.program.commandLine));
    EXPECT_TRUE(paintedWhileWaiting) << "the dialog stayed unpainted while the program ran";
    EXPECT_FALSE(boxBeforeLimit);
    EXPECT_EQ(Utf8(boxText),
              Utf8(LoadResourceText(IDS_PROGRAM_TIMED_OUT) + dialog.program.commandLine));
    EXPECT_EQ(dialog.result, static_cast<int>(ChildResult::TimedOut));
    // The command line does not linger once the wait is over.
    EXPECT_EQ(Utf8(progressAfter), "before the wait");
    EXPECT_TRUE(NoProcessLeft(L"NeverEnds.exe", 10000));
    EXPECT_EQ(run.modalResult, IDCANCEL);
}
