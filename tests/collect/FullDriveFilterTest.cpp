#include "collect/FullDriveFilter.h"

#include "support/RecordingUi.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using Kind = UiEvent::Kind;
}

TEST(FullDriveFilter, AFullDriveIsToldOnceAndEverythingElseAsItComes) {
    RecordingUi dialog;
    FullDriveReportedOnce run(dialog);

    run.ShowProgress(L"D:\\out\\a.log");
    run.ReportSystemError(L"a", ERROR_DISK_FULL);
    run.ShowProgress(L"D:\\out\\b.log");
    run.ReportSystemError(L"b", ERROR_DISK_FULL);
    run.ReportSystemError(L"c", ERROR_ACCESS_DENIED);
    // The other code of a full drive is the same drive, full.
    run.ReportSystemError(L"d", ERROR_HANDLE_DISK_FULL);
    run.ReportSystemError(L"e", ERROR_SHARING_VIOLATION);
    run.ReportSystemError(L"f", ERROR_ACCESS_DENIED);
    run.Beep(MB_ICONEXCLAMATION);
    run.ShowMessage(L"summary", MB_ICONINFORMATION);

    ASSERT_EQ(dialog.events.size(), 8u);
    EXPECT_EQ(dialog.Texts(Kind::Progress),
              (std::vector<std::wstring>{L"D:\\out\\a.log", L"D:\\out\\b.log"}));
    EXPECT_EQ(dialog.Texts(Kind::SystemError), (std::vector<std::wstring>{L"a", L"c", L"e", L"f"}));
    EXPECT_EQ(dialog.events[1].code, static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(dialog.events[6].kind, Kind::Beep);
    EXPECT_EQ(dialog.events[7].kind, Kind::Message);
    EXPECT_EQ(dialog.events[7].text, L"summary");
}

TEST(FullDriveFilter, EachRunStartsAfresh) {
    RecordingUi dialog;
    {
        FullDriveReportedOnce first(dialog);
        first.ReportSystemError(L"first", ERROR_HANDLE_DISK_FULL);
    }
    FullDriveReportedOnce second(dialog);
    second.ReportSystemError(L"second", ERROR_DISK_FULL);
    EXPECT_EQ(dialog.Texts(Kind::SystemError), (std::vector<std::wstring>{L"first", L"second"}));
}
