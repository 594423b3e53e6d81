#include "collect/ReportedOnce.h"

#include "support/RecordingUi.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
struct Step {
    RunEventKind kind;
    const wchar_t* path;
    DWORD code;
    bool told;
};

void Expect(const std::vector<Step>& steps) {
    RecordingUi dialog;
    ReportedOnce run(dialog);
    std::vector<Fact> expected;
    for (const Step& step : steps) {
        run.Report(RunEvent::WithPath(step.kind, step.path, step.code));
        if (step.told)
            expected.push_back({step.kind, step.path, step.code});
    }
    EXPECT_EQ(dialog.Problems(), expected);
}

constexpr RunEventKind kCopy = RunEventKind::CopyFailed;
constexpr RunEventKind kFolder = RunEventKind::FolderNotCreated;
constexpr RunEventKind kFile = RunEventKind::FileNotWritten;
} // namespace

TEST(ReportedOnce, AFullDriveInAnyOfItsCodesIsToldOncePerRun) {
    Expect({{kCopy, L"a", ERROR_DISK_FULL, true},
            {kCopy, L"b", ERROR_DISK_FULL, false},
            {kCopy, L"c", ERROR_ACCESS_DENIED, true},
            {kFile, L"d", ERROR_HANDLE_DISK_FULL, false},
            {kFolder, L"e\\", 1295 /* the account's quota */, false},
            {kCopy, L"f", ERROR_SHARING_VIOLATION, true},
            {kCopy, L"f", ERROR_SHARING_VIOLATION, true}});
    Expect({{kFile, L"second run", 1295, true}});
}

TEST(ReportedOnce, AFolderThatCannotBeMadeIsToldOnceAndNothingInsideItAfterwards) {
    Expect({{kFolder, L"M\\Disp\\", ERROR_ALREADY_EXISTS, true},
            {kFolder, L"M\\Disp\\", ERROR_ALREADY_EXISTS, false},
            {kFolder, L"M\\Disp\\Logs\\", ERROR_PATH_NOT_FOUND, false},
            // Not what follows: another folder, or another reason.
            {kFolder, L"M\\Dispatch\\", ERROR_PATH_NOT_FOUND, true},
            {kFolder, L"M\\Disp\\Web\\", ERROR_ACCESS_DENIED, true}});
    Expect({{kFolder, L"M\\Update\\", ERROR_DISK_FULL, true},
            {kFolder, L"M\\Update\\BadUpdate\\", ERROR_PATH_NOT_FOUND, false},
            {kFolder, L"M\\Common\\", ERROR_DISK_FULL, false}});
}

TEST(ReportedOnce, ProgressAndEverythingButFailuresPassUnchanged) {
    RecordingUi dialog;
    ReportedOnce run(dialog);
    run.ShowProgress(L"D:\\out\\a.log");
    run.Report(RunEvent::WithPath(RunEventKind::ProgramEndedAtLimit, L"x"));
    run.Report(RunEvent::WithPath(RunEventKind::ProgramEndedAtLimit, L"x"));
    run.Report(RunEvent::WithPath(RunEventKind::RunSaved, L"D:\\out\\"));
    EXPECT_EQ(dialog.trail,
              (std::vector<std::wstring>{L"D:\\out\\a.log",
                                         TrailEntry(RunEventKind::ProgramEndedAtLimit, L"x"),
                                         TrailEntry(RunEventKind::ProgramEndedAtLimit, L"x"),
                                         TrailEntry(RunEventKind::RunSaved, L"D:\\out\\")}));
}
