#include "ui/RunRecord.h"

#include "support/TestFiles.h"
#include "ui/HeardRun.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <vector>

namespace {

RunRecordHead Head(const std::wstring& root) {
    ProgramFacts program{ProductVersion{4, 7, 2, 10}, root + L"Dorvak\\", std::wstring(),
                         ProductVersion{}};
    return RunRecordHead{program, root, DateTime::FromFields(2019, 4, 5, 0, 0, 0),
                         CharacterCount(L"лифт 𝄞\r\n")};
}

// The record's lines without their time stamps; fails the test when the
// file is not UTF-8 with its mark, or any line lacks its stamp or its CR LF.
std::vector<std::string> Lines(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    const std::regex stamped(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} [+-]\d\d:\d\d (.*))");
    std::vector<std::string> lines;
    std::istringstream stream(bytes.substr(3));
    for (std::string line; std::getline(stream, line);) {
        EXPECT_EQ(line.back(), '\r') << line;
        line.pop_back();
        std::smatch match;
        if (!std::regex_match(line, match, stamped))
            ADD_FAILURE() << "no time stamp: " << line;
        else
            lines.push_back(match[1]);
    }
    return lines;
}

} // namespace

// The head and the captures are read from a whole run end to end; here the
// outcomes such a run rarely shows.
TEST(RunRecord, LinesForEveryOutcomeAndTotalsOfTheFolderAsPacked) {
    TempFolder root(L"record");
    const std::wstring dated = root.Path() + L"2019_04_05\\";
    MakeFolder(dated);
    constexpr ProgramRole kCapture = ProgramRole::Capture;
    const std::wstring ipconfig = L"cmd.exe /C ipconfig /all";

    RunRecord record(Head(root.Path()));
    record.Take(RunEvent::DatedFolderCreated(dated));
    record.Take(
        RunEvent::ProgramEndedAtLimit(kCapture, ipconfig, dated + L"ipconfig.txt", 30004, 5));
    record.Take(RunEvent::ProgramNotStarted(kCapture, ipconfig, dated + L"ipconfig.txt",
                                            ERROR_FILE_NOT_FOUND));
    // None was left.
    record.Take(RunEvent::ProgramEnded(kCapture, ipconfig, dated + L"route.txt",
                                       ERROR_FILE_NOT_FOUND, 7, std::nullopt));
    record.Take(RunEvent::ProgramEnded(ProgramRole::Configurator, L"C:\\R\\\\D\\Cfg.exe -s\"x\"",
                                       L"Struct.XML", 0xC0000005, 0, std::nullopt));
    record.Take(RunEvent::FolderCollected(L"MERUDrv\\LogDrv", {1, 10}, true, 0));
    record.Take(RunEvent::FolderCollected(L"MERUDrv\\LogCll", {}, false, 0));
    record.Take(RunEvent::FolderMissing(L"MERUProt"));
    // Told in a box too, but a full drive is told only once: the record
    // names every file that is missing.
    record.Take(RunEvent::CopyFailed(L"C:\\R\\MERUDrv\\a.xml", 32));
    record.Take(RunEvent::MachineListUnread(MachineList::Services, dated + L"services.txt", 5));
    record.Take(RunEvent::MachineListWritten(MachineList::Services, dated + L"services.txt", 0, 0));
    record.Take(RunEvent::MachineListWritten(MachineList::Drives, dated + L"drives.txt", 3, 0));
    record.Take(RunEvent::DriveNotAnswering(L"Z:\\", 5000));
    // Copies like the plan's, in the totals too; a dump left out is not.
    record.Take(RunEvent::CrashReportCopied(L"C:\\W\\AppCrash_a.exe_1\\", {2, 20}));
    record.Take(RunEvent::CrashDumpCopied(L"C:\\D\\a.exe.7.dmp", 300));
    record.Take(RunEvent::CrashDumpLeftOut(L"C:\\D\\a.exe.8.dmp", 5000000000));
    record.Take(RunEvent::ArchiveStarted(dated + L"VM.zip"));
    record.Take(RunEvent::FolderNotArchived(dated + L"MERUDrv\\", ERROR_CANT_ACCESS_FILE));
    record.Take(RunEvent::RunSaved(dated, L"", 0, FileTally{2, 15}));

    const std::vector<std::string> lines = Lines(dated + L"Dorvak.log");
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[5], "RESOURCES none: the program's own");
    EXPECT_EQ(lines[6], "DESCRIPTION characters=8");
    const std::vector<std::string> expected = {
        "LIMIT capture ended-at-limit took=30.004s size=5 command=cmd.exe /C ipconfig /all",
        "NOT-STARTED capture code=2 command=cmd.exe /C ipconfig /all",
        "ENDED capture exit=2 took=0.007s size=unknown command=cmd.exe /C ipconfig /all",
        "ENDED configurator exit=3221225477 took=0.000s command=C:\\R\\\\D\\Cfg.exe -s\"x\"",
        "FOLDER files=1 bytes=10 took=0.000s fallback=yes folder=MERUDrv\\LogDrv",
        "FOLDER files=0 bytes=0 took=0.000s fallback=no folder=MERUDrv\\LogCll",
        "MISSING folder=MERUProt",
        "NOT-COPIED code=32 file=C:\\R\\MERUDrv\\a.xml",
        "NOT-LISTED code=5 file=" + Utf8(dated) + "services.txt",
        "SERVICES entries=0 suite=0 file=" + Utf8(dated) + "services.txt",
        "DRIVES entries=3 file=" + Utf8(dated) + "drives.txt",
        "NO-ANSWER waited=5.000s drive=Z:\\",
        "CRASH-REPORT files=2 bytes=20 folder=C:\\W\\AppCrash_a.exe_1\\",
        "DUMP size=300 file=C:\\D\\a.exe.7.dmp",
        "DUMP-LEFT-OUT size=5000000000 file=C:\\D\\a.exe.8.dmp",
        "PACKING file=" + Utf8(dated) + "VM.zip",
        "NOT-ARCHIVED code=1920 folder=" + Utf8(dated) + "MERUDrv\\",
        "TOTAL copied-files=4 copied-bytes=330 folder-files=2 folder-bytes=15",
    };
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[7 + i], expected[i]);
    EXPECT_EQ(lines[25].substr(0, 15), "COMPLETED took=");
}

TEST(RunRecord, EveryCopyThatMetAFullDriveHasALineThoughTheOperatorIsToldOnce) {
    TempFolder root(L"record");
    const std::wstring dated = root.Path() + L"2019_04_05\\";
    MakeFolder(dated);
    HeardRun run(Head(root.Path()));
    EXPECT_TRUE(run.Hear(RunEvent::DatedFolderCreated(dated)));
    EXPECT_TRUE(run.Hear(RunEvent::CopyFailed(L"C:\\R\\a.log", ERROR_DISK_FULL)));
    EXPECT_FALSE(run.Hear(RunEvent::CopyFailed(L"C:\\R\\b.log", ERROR_DISK_FULL)));
    EXPECT_FALSE(run.Hear(RunEvent::FileNotWritten(dated + L"Version.txt", ERROR_DISK_FULL)));
    EXPECT_TRUE(run.Hear(RunEvent::RunSaved(dated, L"", 0, std::nullopt)));

    const std::vector<std::string> lines = Lines(dated + L"Dorvak.log");
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[7], "NOT-COPIED code=112 file=C:\\R\\a.log");
    EXPECT_EQ(lines[8], "NOT-COPIED code=112 file=C:\\R\\b.log");
    EXPECT_EQ(lines[9], "NOT-WRITTEN code=112 file=" + Utf8(dated) + "Version.txt");
    EXPECT_EQ(lines[10], "TOTAL copied-files=0 copied-bytes=0 folder-files=unknown "
                         "folder-bytes=unknown");
}

TEST(RunRecord, ARecordThatCannotBeMadeIsToldOnceAndWritesNothing) {
    TempFolder root(L"record");
    const std::wstring dated = root.Path() + L"2019_04_05\\";
    // Something of that name already stands where the record would go.
    MakeFolder(dated);
    MakeFolder(dated + L"Dorvak.log\\");

    RunRecord record(Head(root.Path()));
    record.Take(RunEvent::DatedFolderCreated(dated));
    const std::optional<RunEvent> failure = record.TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Kind(), RunEventKind::FileNotWritten);
    EXPECT_EQ(Utf8(failure->Path()), Utf8(dated + L"Dorvak.log"));
    EXPECT_NE(failure->Code(), 0u);

    record.TakeBox({OperatorNotice::Form::Box, L"told", MB_ICONERROR, failure->Code()});
    record.Take(RunEvent::FolderMissing(L"MERUProt"));
    record.Take(RunEvent::RunSaved(dated, L"", 0, FileTally{}));
    EXPECT_FALSE(record.TakeFailure());
    EXPECT_EQ(ListFolder(dated), L"Dorvak.log/");
    EXPECT_EQ(ListFolder(dated + L"Dorvak.log\\"), L"");
}
