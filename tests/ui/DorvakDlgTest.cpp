#include "support/DialogDriver.h"

#include "collect/CollectionRun.h"
#include "res/resource.h"
#include "shared/MessageIcon.h"
#include "support/RunSummary.h"
#include "support/SampleTree.h"
#include "support/RecordingUi.h"
#include "support/TestFiles.h"
#include "ui/DorvakDlg.h"
#include "win/ResourceText.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cmath>

namespace {

SYSTEMTIME Today() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return now;
}

DateTime Midnight(const SYSTEMTIME& day) {
    return DateTime::FromFields(day.wYear, day.wMonth, day.wDay, 0, 0, 0);
}

// Types a description into the focused edit and waits until it shows it.
void TypeDescription(DialogDriver& driver, HWND dialog, const std::wstring& text) {
    HWND description = ::GetDlgItem(dialog, IDC_DESCRIPTION);
    const std::wstring before = driver.Text(description);
    driver.Type(text);
    driver.Expect([&] { return driver.Text(description) == before + text; },
                  "the description does not show what was typed");
}

} // namespace

TEST(CollectionDialog, EnterRightAfterOpeningAsksForADescription) {
    TempFolder root(L"ui");
    CDorvakDlg dialog(root.Path(), TestProgramFacts(ProductVersion{}),
                      TestRunSettings(root.Path()));

    // Until a saving exchange, the start date carries the time of day of the
    // dialog's creation.
    const double sinceNow = std::fabs(dialog.StartDate().DayValue() - DateTime::Now().DayValue());
    EXPECT_LT(sinceNow * 86400.0, 60.0);

    std::wstring message;
    MessageIcon icon = MessageIcon::Unknown;
    HWND focusAfterMessage = nullptr;
    HWND descriptionEdit = nullptr;
    const DriveResult run =
        DriveModal([&] { return dialog.DoModal(); },
                   [&](DialogDriver& driver) {
                       HWND window = driver.WaitForDialog(kCollectionCaption);
                       descriptionEdit = ::GetDlgItem(window, IDC_DESCRIPTION);
                       driver.Activate(window);
                       driver.Press(VK_RETURN);
                       HWND box = driver.WaitForMessageBox(window);
                       message = driver.MessageBoxText(box);
                       icon = MessageBoxIcon(box);
                       driver.Press(VK_RETURN);
                       driver.WaitUntilGone(box);
                       driver.WaitFor([&] { return driver.Focus() == descriptionEdit; });
                       focusAfterMessage = driver.Focus();
                       driver.Press(VK_ESCAPE);
                   });
    ExpectNoFailures(run);

    EXPECT_EQ(Utf8(message), Utf8(L"Не введено описание"));
    EXPECT_STREQ(MessageIconName(icon), "exclamation");
    EXPECT_EQ(focusAfterMessage, descriptionEdit);
    EXPECT_EQ(run.modalResult, IDCANCEL);
    // The refused Save had already taken the calendar's day.
    EXPECT_TRUE(dialog.StartDate().SameAs(Midnight(Today())));
    EXPECT_EQ(ListFolder(root.Path()), L"");
}

TEST(CollectionDialog, CtrlEnterAddsALineAndEnterRunsTheCollection) {
    TempFolder root(L"ui");
    CDorvakDlg dialog(root.Path(), TestProgramFacts(ProductVersion{}),
                      TestRunSettings(root.Path()));

    std::wstring shownDescription;
    std::wstring summary;
    std::wstring datedFolder;
    std::vector<std::wstring> otherMessages;
    const DriveResult run = DriveModal(
        [&] { return dialog.DoModal(); },
        [&](DialogDriver& driver) {
            HWND window = driver.WaitForDialog(kCollectionCaption);
            driver.Activate(window);
            TabToDescription(driver, window);
            TypeDescription(driver, window, L"Lift 3 stopped");
            driver.Press(VK_RETURN, {VK_CONTROL});
            TypeDescription(driver, window, L"at 10:15");
            shownDescription = driver.Text(::GetDlgItem(window, IDC_DESCRIPTION));
            datedFolder = DatedFolderPath(
                root.Path(), Midnight(CalendarSelection(::GetDlgItem(window, IDC_START_DATE))));
            driver.Press(VK_RETURN);
            summary = AnswerUntilSummary(driver, window, otherMessages);
        });
    ExpectNoFailures(run);

    EXPECT_EQ(Utf8(shownDescription), "Lift 3 stopped\r\nat 10:15");
    EXPECT_EQ(Utf8(dialog.Description()), "Lift 3 stopped\r\nat 10:15");
    EXPECT_EQ(run.modalResult, IDOK);
    EXPECT_EQ(Utf8(summary), Utf8(ExpectedSummary(datedFolder, dialog.StartDate())));
    for (const std::wstring& text : otherMessages)
        ADD_FAILURE() << "unexpected message: " << Utf8(text);
    EXPECT_TRUE(IsFolder(datedFolder));
    EXPECT_TRUE(IsFolder(datedFolder + L"MERUDrv\\"));
}

TEST(CollectionDialog, KeysGivenDuringTheRunDoNotCloseTheSummaryUnread) {
    TempFolder root(L"ui");
    CDorvakDlg dialog(root.Path(), TestProgramFacts(ProductVersion{}),
                      TestRunSettings(root.Path()));

    std::wstring summary;
    std::string waitingRecord;
    bool stayedOpen = false;
    std::wstring datedFolder;
    const DriveResult run = DriveModal(
        [&] { return dialog.DoModal(); },
        [&](DialogDriver& driver) {
            HWND window = driver.WaitForDialog(kCollectionCaption);
            driver.Activate(window);
            TabToDescription(driver, window);
            TypeDescription(driver, window, L"twice");
            datedFolder = DatedFolderPath(
                root.Path(), Midnight(CalendarSelection(::GetDlgItem(window, IDC_START_DATE))));
            // An impatient operator: Enter twice and Esc, all while the run
            // works (it starts five commands, so it outlasts the keys).
            driver.Press(VK_RETURN);
            driver.Press(VK_RETURN);
            driver.Press(VK_ESCAPE);
            HWND box = driver.WaitForMessageBox(window, 120000);
            summary = driver.MessageBoxText(box);
            waitingRecord = ReadBytes(datedFolder + L"Dorvak.log");
            stayedOpen = ::IsWindow(box) != FALSE;
            driver.Activate(box);
            driver.Press(VK_ESCAPE);
            driver.WaitUntilGone(box);
        });
    ExpectNoFailures(run);

    EXPECT_EQ(Utf8(summary), Utf8(ExpectedSummary(datedFolder, dialog.StartDate())));
    // While it waited, the record already ended with it.
    const size_t lastLine = waitingRecord.rfind("\r\n", waitingRecord.size() - 3);
    ASSERT_NE(lastLine, std::string::npos) << waitingRecord;
    EXPECT_NE(waitingRecord.find(" BOX icon=information code=0 text=", lastLine), std::string::npos)
        << waitingRecord.substr(lastLine);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(run.modalResult, IDOK);
    // Nor did a queued Enter press Send, the summary's default: the operator
    // chose once, and chose to close.
    const std::string record = ReadBytes(datedFolder + L"Dorvak.log");
    EXPECT_EQ(record.find(" CHOSE send"), std::string::npos);
    EXPECT_NE(record.find(" CHOSE close\r\n"), std::string::npos);
}

TEST(CollectionDialog, EscAndTheCloseCommandCancelWithoutWriting) {
    for (const WORD closeKey : {WORD(VK_ESCAPE), WORD(VK_F4)}) {
        SCOPED_TRACE(closeKey == VK_ESCAPE ? "Esc" : "Alt+F4");
        TempFolder root(L"ui");
        CDorvakDlg dialog(root.Path(), TestProgramFacts(ProductVersion{}),
                          TestRunSettings(root.Path()));
        const DriveResult run = DriveModal([&] { return dialog.DoModal(); },
                                           [&](DialogDriver& driver) {
                                               HWND window =
                                                   driver.WaitForDialog(kCollectionCaption);
                                               driver.Activate(window);
                                               TabToDescription(driver, window);
                                               TypeDescription(driver, window, L"not to be saved");
                                               if (closeKey == VK_F4)
                                                   driver.Press(VK_F4, {VK_MENU});
                                               else
                                                   driver.Press(VK_ESCAPE);
                                               driver.WaitUntilGone(window);
                                           });
        ExpectNoFailures(run);
        EXPECT_EQ(run.modalResult, IDCANCEL);
        EXPECT_EQ(ListFolder(root.Path()), L"");
    }
}

TEST(CollectionDialog, OneSpaceIsADescription) {
    TempFolder root(L"ui");
    CDorvakDlg dialog(root.Path(), TestProgramFacts(ProductVersion{}),
                      TestRunSettings(root.Path()));
    std::vector<std::wstring> otherMessages;
    std::wstring summary;
    const DriveResult run = DriveModal([&] { return dialog.DoModal(); },
                                       [&](DialogDriver& driver) {
                                           HWND window = driver.WaitForDialog(kCollectionCaption);
                                           driver.Activate(window);
                                           TabToDescription(driver, window);
                                           TypeDescription(driver, window, L" ");
                                           driver.Press(VK_RETURN);
                                           summary =
                                               AnswerUntilSummary(driver, window, otherMessages);
                                       });
    ExpectNoFailures(run);
    EXPECT_EQ(run.modalResult, IDOK);
    EXPECT_EQ(Utf8(dialog.Description()), " ");
    EXPECT_EQ(Utf8(summary), Utf8(ExpectedSummary(DatedFolderPath(root.Path(), Midnight(Today())),
                                                  dialog.StartDate())));
}

TEST(CollectionDialog, AChosenFutureDayIsTheStartDateAtMidnight) {
    TempFolder root(L"ui");
    CDorvakDlg dialog(root.Path(), TestProgramFacts(ProductVersion{}),
                      TestRunSettings(root.Path()));

    SYSTEMTIME chosen{};
    std::vector<std::wstring> otherMessages;
    const DriveResult run =
        DriveModal([&] { return dialog.DoModal(); },
                   [&](DialogDriver& driver) {
                       HWND window = driver.WaitForDialog(kCollectionCaption);
                       HWND calendar = ::GetDlgItem(window, IDC_START_DATE);
                       driver.Activate(window);
                       // The 15th of next month: a day the calendar does not start
                       // on, in the future, whatever today is.
                       chosen = CalendarSelection(calendar);
                       chosen.wMonth = chosen.wMonth == 12 ? 1 : chosen.wMonth + 1;
                       chosen.wYear = chosen.wMonth == 1 ? chosen.wYear + 1 : chosen.wYear;
                       chosen.wDay = 15;
                       ClickNextMonth(driver, calendar);
                       ClickCalendarDay(driver, calendar, chosen);
                       TabUntilFocused(driver, ::GetDlgItem(window, IDC_DESCRIPTION));
                       TypeDescription(driver, window, L"future");
                       driver.Press(VK_RETURN);
                       AnswerUntilSummary(driver, window, otherMessages);
                   });
    ExpectNoFailures(run);

    EXPECT_EQ(run.modalResult, IDOK);
    const DateTime expected = Midnight(chosen);
    EXPECT_TRUE(dialog.StartDate().SameAs(expected))
        << Utf8(dialog.StartDate().Format(L"%Y-%m-%d %H:%M:%S", InvalidDateText()));
    EXPECT_EQ(Utf8(dialog.StartDate().Format(L"%H:%M:%S", InvalidDateText())), "00:00:00");
    EXPECT_TRUE(dialog.StartDate().LaterThan(DateTime::Now()));
    const std::wstring datedFolder =
        root.Path() + expected.Format(L"%Y_%m_%d", InvalidDateText()) + L"\\";
    EXPECT_EQ(ListFolder(root.Path()), expected.Format(L"%Y_%m_%d", InvalidDateText()) + L"/");
    EXPECT_TRUE(IsFolder(datedFolder + L"MERUDrv\\"));
}

TEST(CollectionDialog, ADayOfNineteenNinetySetInTheCalendarIsTheWholeRunsStartDay) {
    // Set by the calendar's own message, as the exchange reads it, not
    // reached by paging back three decades.
    TempFolder root(L"ui");
    PutFile(root.Path(), L"MERUDrv\\BadClb\\on.log", "on the day", 1990, 1, 1);
    PutFile(root.Path(), L"MERUDrv\\BadClb\\before.log", "the day before", 1989, 12, 31);
    CDorvakDlg dialog(root.Path(), TestProgramFacts(ProductVersion{}),
                      TestRunSettings(root.Path()));

    std::vector<std::wstring> otherMessages;
    std::wstring summary;
    const DriveResult run =
        DriveModal([&] { return dialog.DoModal(); },
                   [&](DialogDriver& driver) {
                       HWND window = driver.WaitForDialog(kCollectionCaption);
                       HWND calendar = ::GetDlgItem(window, IDC_START_DATE);
                       SYSTEMTIME day{};
                       day.wYear = 1990;
                       day.wMonth = 1;
                       day.wDay = 1;
                       ::SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
                       driver.Expect([&] { return CalendarSelection(calendar).wYear == 1990; },
                                     "the calendar did not take 1 January 1990");
                       driver.Activate(window);
                       TabUntilFocused(driver, ::GetDlgItem(window, IDC_DESCRIPTION));
                       TypeDescription(driver, window, L"1990");
                       driver.Press(VK_RETURN);
                       summary = AnswerUntilSummary(driver, window, otherMessages);
                   });
    ExpectNoFailures(run);

    EXPECT_EQ(run.modalResult, IDOK);
    EXPECT_EQ(Utf8(dialog.StartDate().Format(L"%Y-%m-%d %H:%M:%S", InvalidDateText())),
              "1990-01-01 00:00:00");
    const std::wstring dated = root.Path() + L"1990_01_01\\";
    EXPECT_EQ(Utf8(summary), Utf8(ExpectedSummary(dated, dialog.StartDate())));
    for (const std::wstring& text : otherMessages)
        ADD_FAILURE() << "unexpected message: " << Utf8(text);
    const std::string tree = ListTree(dated + L"MERUDrv\\");
    EXPECT_NE(tree.find("BadClb\\on.log"), std::string::npos) << tree;
    EXPECT_EQ(tree.find("before.log"), std::string::npos) << tree;
}
