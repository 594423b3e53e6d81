#include "ui/RunRecord.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <vector>

namespace {

RunEvent Event(RunEventKind kind, const std::wstring& path, DWORD code = 0) {
    return RunEvent::WithPath(kind, path, code);
}

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
TEST(RunRecord, LinesForWhatNoBoxTellsAndTotalsOfTheFolderButTheRecord) {
    TempFolder root(L"record");
    const std::wstring dated = root.Path() + L"2019_04_05\\";
    MakeFolder(dated);
    WriteBytes(dated + L"ipconfig.txt", "12345");
    MakeFolder(dated + L"MERUDrv\\");
    WriteBytes(dated + L"MERUDrv\\Kavmon.Bad", "0123456789");

    RunRecord record(Head(root.Path()));
    record.Take(Event(RunEventKind::DatedFolderCreated, dated));
    RunEvent capture = Event(RunEventKind::ProgramEndedAtLimit, L"cmd.exe /C ipconfig /all");
    capture.output = dated + L"ipconfig.txt";
    capture.durationMs = 30004;
    record.Take(capture);
    capture.kind = RunEventKind::ProgramNotStarted;
    capture.code = ERROR_FILE_NOT_FOUND;
    record.Take(capture);
    capture.kind = RunEventKind::ProgramEnded;
    capture.output = dated + L"route.txt"; // none was left
    capture.durationMs = 7;
    record.Take(capture);
    RunEvent configurator =
        Event(RunEventKind::ProgramEnded, L"C:\\R\\\\D\\Cfg.exe -s\"x\"", 0xC0000005);
    configurator.program = ProgramRole::Configurator;
    record.Take(configurator);
    RunEvent folder = Event(RunEventKind::FolderCollected, L"MERUDrv\\LogDrv");
    folder.files = 1;
    folder.bytes = 10;
    folder.fallbackUsed = true;
    record.Take(folder);
    record.Take(Event(RunEventKind::FolderCollected, L"MERUDrv\\LogCll"));
    record.Take(Event(RunEventKind::FolderMissing, L"MERUProt"));
    // Told in a box, so the box's line is its only one.
    record.Take(Event(RunEventKind::CopyFailed, L"C:\\R\\MERUDrv\\a.xml", 32));
    record.Take(Event(RunEventKind::RunSaved, dated));

    const std::vector<std::string> lines = Lines(dated + L"Dorvak.log");
    ASSERT_EQ(lines.size(), 16u);
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
        "TOTAL copied-files=1 copied-bytes=10 folder-files=2 folder-bytes=15",
    };
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[7 + i], expected[i]);
    EXPECT_EQ(lines[15].substr(0, 15), "COMPLETED took=");
}

TEST(RunRecord, ARecordThatCannotBeMadeIsToldOnceAndWritesNothing) {
    TempFolder root(L"record");
    const std::wstring dated = root.Path() + L"2019_04_05\\";
    // Something of that name already stands where the record would go.
    MakeFolder(dated);
    MakeFolder(dated + L"Dorvak.log\\");

    RunRecord record(Head(root.Path()));
    record.Take(Event(RunEventKind::DatedFolderCreated, dated));
    const std::optional<RunEvent> failure = record.TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, RunEventKind::FileNotWritten);
    EXPECT_EQ(Utf8(failure->path), Utf8(dated + L"Dorvak.log"));
    EXPECT_NE(failure->code, 0u);

    record.TakeBox({OperatorNotice::Form::Box, L"told", MB_ICONERROR, failure->code});
    record.Take(Event(RunEventKind::FolderMissing, L"MERUProt"));
    record.Take(Event(RunEventKind::RunSaved, dated));
    EXPECT_FALSE(record.TakeFailure());
    EXPECT_EQ(ListFolder(dated), L"Dorvak.log/");
    EXPECT_EQ(ListFolder(dated + L"Dorvak.log\\"), L"");
}
