#include "collect/LogFolderCopy.h"

#include "collect/CollectFixture.h"
#include "win/FolderEnumerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

class LogFolderCopy : public CollectFixture {
  protected:
    LogFolderCopy() {
        MakeFolder(root + L"MERUDisp");
        MakeFolder(root + L"MERUDisp\\Log");
        MakeOwnFolder(mirrorBase + L"MERUDisp");
    }

    void AddLog(const std::wstring& name, int year, int month, int day, int hour, int minute,
                int second) {
        WriteBytes(source + name, Utf8(name));
        SetLastWriteLocal(source + name, year, month, day, hour, minute, second);
    }

    bool Collect(const DateTime& startDate) {
        return CollectLogFolder(Context(startDate), L"MERUDisp\\Log");
    }

    const std::wstring source = root + L"MERUDisp\\Log\\";
    const std::wstring mirror = mirrorBase + L"MERUDisp\\Log\\";
    const DateTime start = DateTime::FromFields(2024, 3, 10, 0, 0, 0);
};

// The names of a folder in the order the platform's search returns them.
std::vector<std::wstring> SearchOrder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    ForEachFoundEntry(folder + L"*.*", [&](const WIN32_FIND_DATAW& entry) {
        if (!IsDots(entry))
            names.push_back(entry.cFileName);
    });
    return names;
}
} // namespace

TEST_F(LogFolderCopy, CopiesEverythingFromTheStartOfTheDayOn) {
    AddLog(L"midnight.log", 2024, 3, 10, 0, 0, 0);
    AddLog(L"before.log", 2024, 3, 9, 23, 59, 59);
    // Half an hour either side of the day's start, in local time: where the
    // zone is away from UTC, a file time read as UTC moves each across it.
    AddLog(L"half past midnight.log", 2024, 3, 10, 0, 30, 0);
    AddLog(L"half past eleven.log", 2024, 3, 9, 23, 30, 0);
    AddLog(L"old.log", 2023, 1, 1, 12, 0, 0);
    AddLog(L"Today.LOG", 2024, 3, 10, 15, 30, 0);
    AddLog(L"clock-wrong.txt", 2099, 12, 31, 23, 59, 59);

    EXPECT_TRUE(Collect(start));

    EXPECT_EQ(L"Today.LOG clock-wrong.txt half past midnight.log midnight.log", ListFolder(mirror));
    EXPECT_EQ("midnight.log", ReadBytes(mirror + L"midnight.log"));
    std::vector<std::wstring> shown = ui.progress;
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(
        (std::vector<std::wstring>{mirror + L"Today.LOG", mirror + L"clock-wrong.txt",
                                   mirror + L"half past midnight.log", mirror + L"midnight.log"}),
        shown);
    EXPECT_EQ(std::vector<Fact>{}, ui.Problems());
}

TEST_F(LogFolderCopy, WhenNothingIsRecentOnlyTheNewestIsCopiedWithoutProgress) {
    AddLog(L"a.log", 2024, 3, 1, 8, 0, 0);
    AddLog(L"b.log", 2024, 3, 9, 23, 59, 59);
    AddLog(L"c.log", 2024, 2, 1, 8, 0, 0);
    ui.ShowProgress(L"shown before");

    EXPECT_TRUE(Collect(start));

    EXPECT_EQ(L"b.log", ListFolder(mirror));
    EXPECT_EQ("b.log", ReadBytes(mirror + L"b.log"));
    // Only the progress shown before the call; the folder came to its
    // newest log.
    EXPECT_EQ(std::vector<std::wstring>{L"shown before"}, ui.progress);
    EXPECT_EQ(std::vector<Fact>{}, ui.Problems());
    const std::vector<RunEvent> collected = ui.OfKind(RunEventKind::FolderCollected);
    ASSERT_EQ(1u, collected.size());
    EXPECT_TRUE(collected[0].FallbackUsed());
    EXPECT_EQ(1u, collected[0].Tally().files);
    EXPECT_EQ(5u, collected[0].Tally().bytes);
}

TEST_F(LogFolderCopy, AStartDateThatCannotMatchFallsBackToTheNewest) {
    AddLog(L"a.log", 2024, 3, 11, 8, 0, 0);
    AddLog(L"b.log", 2024, 3, 12, 8, 0, 0);
    const DateTime starts[] = {DateTime::Invalid(), DateTime(),
                               DateTime::FromFields(9999, 12, 31, 0, 0, 0)};
    for (const DateTime& unmatched : starts) {
        RemoveTree(mirror);
        ui = RecordingUi();
        EXPECT_TRUE(Collect(unmatched));
        EXPECT_EQ(L"b.log", ListFolder(mirror));
        EXPECT_TRUE(ui.Quiet());
    }
}

TEST_F(LogFolderCopy, AmongEquallyNewEntriesTheFirstFoundIsCopied) {
    AddLog(L"one.log", 2024, 3, 5, 10, 0, 0);
    AddLog(L"two.log", 2024, 3, 5, 10, 0, 0);
    AddLog(L"three.log", 2024, 3, 5, 10, 0, 0);
    AddLog(L"older.log", 2024, 3, 5, 9, 59, 59);
    std::wstring first;
    for (const std::wstring& name : SearchOrder(source))
        if (name != L"older.log" && first.empty())
            first = name;

    EXPECT_TRUE(Collect(start));

    EXPECT_EQ(first, ListFolder(mirror));
}

TEST_F(LogFolderCopy, ASelectedEntryThatFailsIsReportedAndStopsTheFallback) {
    AddLog(L"old.log", 2024, 3, 1, 8, 0, 0);
    AddLog(L"current.log", 2024, 3, 10, 9, 0, 0);
    FileHandle held(::CreateFileW((source + L"current.log").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);

    EXPECT_TRUE(Collect(start));
    held.Reset();

    EXPECT_EQ(L"", ListFolder(mirror));
    EXPECT_EQ(
        (std::vector<std::wstring>{mirror + L"current.log",
                                   TrailEntry(RunEventKind::CopyFailed, source + L"current.log"),
                                   TrailEntry(RunEventKind::FolderCollected, L"MERUDisp\\Log")}),
        ui.trail);
    EXPECT_EQ((std::vector<Fact>{
                  {RunEventKind::CopyFailed, source + L"current.log", ERROR_SHARING_VIOLATION}}),
              ui.Problems());
}

TEST_F(LogFolderCopy, AFailedFallbackNamesTheLogWithItsFolder) {
    AddLog(L"old.log", 2024, 3, 1, 8, 0, 0);
    AddLog(L"newest.log", 2024, 3, 2, 8, 0, 0);
    FileHandle held(::CreateFileW((source + L"newest.log").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);

    EXPECT_TRUE(Collect(start));
    held.Reset();

    EXPECT_EQ((std::vector<Fact>{{RunEventKind::CopyFailed, root + L"MERUDisp\\Log\\newest.log",
                                  ERROR_SHARING_VIOLATION}}),
              ui.Problems());
}

TEST_F(LogFolderCopy, SubFoldersAreNeitherSelectedNorReported) {
    AddLog(L"recent.log", 2024, 3, 11, 8, 0, 0);
    MakeFolder(source + L"Archive");
    WriteBytes(source + L"Archive\\inner.log", "inner");
    SetLastWriteLocal(source + L"Archive", 2024, 3, 12, 8, 0, 0);

    EXPECT_TRUE(Collect(start));

    EXPECT_EQ(L"recent.log", ListFolder(mirror));
    EXPECT_EQ((std::vector<std::wstring>{mirror + L"recent.log"}), ui.progress);
    EXPECT_EQ(std::vector<Fact>{}, ui.Problems());
}

TEST_F(LogFolderCopy, ARecentSubFolderDoesNotKeepTheNewestLogFromBeingCopied) {
    AddLog(L"older.log", 2024, 3, 1, 8, 0, 0);
    AddLog(L"newest.log", 2024, 3, 2, 8, 0, 0);
    MakeFolder(source + L"Archive");
    WriteBytes(source + L"Archive\\inner.log", "inner");
    SetLastWriteLocal(source + L"Archive", 2024, 3, 12, 8, 0, 0);
    MakeFolder(source + L"Old");
    SetLastWriteLocal(source + L"Old", 2024, 3, 5, 8, 0, 0);

    EXPECT_TRUE(Collect(start));

    EXPECT_EQ(L"newest.log", ListFolder(mirror));
    EXPECT_EQ("newest.log", ReadBytes(mirror + L"newest.log"));
    EXPECT_TRUE(ui.Quiet());
}

TEST_F(LogFolderCopy, AnEmptyOrMissingLogFolder) {
    EXPECT_TRUE(Collect(start));
    EXPECT_TRUE(IsFolder(mirror));
    EXPECT_EQ(L"", ListFolder(mirror));

    EXPECT_FALSE(CollectLogFolder(Context(start), L"MERUDisp\\Trace"));
    EXPECT_FALSE(Exists(mirrorBase + L"MERUDisp\\Trace"));
    EXPECT_TRUE(ui.Quiet());
    EXPECT_EQ(std::vector<std::wstring>{L"MERUDisp\\Trace"}, ui.Paths(RunEventKind::FolderMissing));
}

TEST_F(LogFolderCopy, AMissingMirrorParentIsReported) {
    MakeFolder(root + L"MERUComm");
    MakeFolder(root + L"MERUComm\\Log");
    WriteBytes(root + L"MERUComm\\Log\\a.log", "a");

    EXPECT_FALSE(CollectLogFolder(Context(start), L"MERUComm\\Log"));

    EXPECT_EQ((std::vector<Fact>{{RunEventKind::FolderNotCreated, mirrorBase + L"MERUComm\\Log\\",
                                  ERROR_PATH_NOT_FOUND}}),
              ui.Problems());
    EXPECT_FALSE(Exists(mirrorBase + L"MERUComm"));
}
