#include "ui/ReportedOnce.h"

#include "support/RecordingUi.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using Make = RunEvent (*)(std::wstring, DWORD);

struct Step {
    Make make;
    const wchar_t* path;
    DWORD code;
    bool told;
};

void Expect(const std::vector<Step>& steps) {
    ReportedOnce run;
    std::vector<Fact> told, expected;
    for (const Step& step : steps) {
        const RunEvent event = step.make(step.path, step.code);
        const Fact fact{event.Kind(), event.Path(), event.Code()};
        if (run.ShouldTell(event))
            told.push_back(fact);
        if (step.told)
            expected.push_back(fact);
    }
    EXPECT_EQ(told, expected);
}

constexpr Make kCopy = &RunEvent::CopyFailed;
constexpr Make kFolder = &RunEvent::FolderNotCreated;
constexpr Make kFile = &RunEvent::FileNotWritten;
constexpr Make kNotPacked = &RunEvent::FolderNotArchived;
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
            {kFolder, L"M\\Disp\\Web\\", ERROR_ACCESS_DENIED, true},
            // The name in the way left out of the archive too (a link).
            {kNotPacked, L"M\\Disp\\", ERROR_CANT_ACCESS_FILE, false},
            {kNotPacked, L"M\\Other\\", ERROR_CANT_ACCESS_FILE, true}});
    Expect({{kFolder, L"M\\Update\\", ERROR_DISK_FULL, true},
            {kFolder, L"M\\Update\\BadUpdate\\", ERROR_PATH_NOT_FOUND, false},
            {kFolder, L"M\\Common\\", ERROR_DISK_FULL, false}});
}

TEST(ReportedOnce, EverythingButFailuresIsToldEachTime) {
    ReportedOnce run;
    const RunEvent limit =
        RunEvent::ProgramEndedAtLimit(ProgramRole::Capture, L"x", L"x.txt", 1, std::nullopt);
    EXPECT_TRUE(run.ShouldTell(limit));
    EXPECT_TRUE(run.ShouldTell(limit));
    EXPECT_TRUE(run.ShouldTell(RunEvent::RunSaved(L"D:\\out\\", L"", 0, std::nullopt)));
}
