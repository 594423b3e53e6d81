#include "ui/RunRecord.h"

#include "support/TestFiles.h"
#include "win/ErrorReport.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <vector>

namespace {

RunEvent Event(RunEventKind kind, const std::wstring& path, DWORD code = 0) {
    return RunEvent::WithPath(kind, path, code);
}

RunRecordHead Head(const std::wstring& root) {
    ProgramFacts program{ProductVersion{4, 7, 2, 10}, root + L"Dorvak\\",
                         root + L"Dorvak\\TelmarRC.dll", ProductVersion{4, 8, 0, 1}};
    return RunRecordHead{program, root, DateTime::FromFields(2019, 4, 5, 0, 0, 0), 42};
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

TEST(RunRecord, HoldsTheRunsOutcomesAndBoxesWithTotalsOfTheFolder) {
    TempFolder root(L"record");
    const std::wstring dated = root.Path() + L"2019_04_05\\";
    MakeFolder(dated);
    MakeFolder(dated + L"MERUDrv\\");
    WriteBytes(dated + L"ipconfig.txt", "12345");
    MakeFolder(dated + L"MERUDrv\\Kavmon\\");
    WriteBytes(dated + L"MERUDrv\\Kavmon\\Kavmon.Bad", "0123456789");

    RunRecord record(Head(root.Path()));
    record.Take(Event(RunEventKind::DatedFolderCreated, dated));
    RunEvent program = Event(RunEventKind::ProgramEnded, L"cmd.exe /U /Q /C ipconfig /all", 1);
    program.output = dated + L"ipconfig.txt";
    program.durationMs = 412;
    record.Take(program);
    program.kind = RunEventKind::ProgramEndedAtLimit;
    program.output = dated + L"route.txt"; // none was left
    record.Take(program);
    program = Event(RunEventKind::ProgramEnded, L"C:\\R\\\\MERUDisp\\MERUDispCfg.exe -s\"x\"",
                    0xC0000005);
    program.program = ProgramRole::Configurator;
    program.durationMs = 30004;
    record.Take(program);
    RunEvent folder = Event(RunEventKind::FolderCollected, L"MERUDrv\\LogDrv");
    folder.files = 1;
    folder.bytes = 10;
    folder.fallbackUsed = true;
    folder.durationMs = 3;
    record.Take(folder);
    folder.path = L"Kavmon";
    folder.files = 2;
    folder.bytes = 5;
    folder.fallbackUsed = false;
    record.Take(folder);
    record.Take(Event(RunEventKind::FolderMissing, L"MERUProt"));
    // Told in a box, so the box's line is its only one.
    record.Take(Event(RunEventKind::CopyFailed, L"C:\\R\\MERUDrv\\a.xml", 32));
    record.TakeBox({OperatorNotice::Form::Box, L"Ошибка\r\nвторая строка", MB_ICONERROR, 32});
    record.Take(Event(RunEventKind::RunSaved, dated));

    const std::vector<std::string> lines = Lines(dated + L"Dorvak.log");
    ASSERT_EQ(lines.size(), 16u);
    const std::string at = Utf8(root.Path());
    EXPECT_EQ(lines[0], "PROGRAM version=4.7.2.10 build=" +
                            std::string(sizeof(void*) == 8 ? "64-bit" : "32-bit") +
                            " folder=" + at + "Dorvak\\");
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(WINDOWS wow64=(yes|no) version=Version )"
                                                      R"(Windows is \d+\.\d+ \(\d+\))")))
        << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], std::regex("COMPUTER name=.+"))) << lines[2];
    const std::vector<std::string> expected = {
        "ROOT folder=" + at,
        "START-DAY day=2019-04-05 folder=" + at + "2019_04_05\\",
        "RESOURCES version=4.8.0.1 library=" + at + "Dorvak\\TelmarRC.dll",
        "DESCRIPTION characters=42",
        "ENDED capture exit=1 took=0.412s size=5 command=cmd.exe /U /Q /C ipconfig /all",
        "LIMIT capture ended-at-limit took=0.412s size=unknown command=cmd.exe /U /Q /C ipconfig "
        "/all",
        "ENDED configurator exit=3221225477 took=30.004s "
        "command=C:\\R\\\\MERUDisp\\MERUDispCfg.exe -s\"x\"",
        "FOLDER files=1 bytes=10 took=0.003s fallback=yes folder=MERUDrv\\LogDrv",
        "FOLDER files=2 bytes=5 took=0.003s fallback=no folder=Kavmon",
        "MISSING folder=MERUProt",
        "BOX icon=error code=32 text=Ошибка<CR><LF>вторая строка",
        // The record itself is not counted: it is still growing.
        "TOTAL copied-files=3 copied-bytes=15 folder-files=2 folder-bytes=15",
    };
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[3 + i], expected[i]);
    EXPECT_TRUE(std::regex_match(lines[15], std::regex(R"(COMPLETED took=\d+\.\d{3}s folder=.*)")))
        << lines[15];
    EXPECT_EQ(lines[15].substr(lines[15].find(" folder=")), " folder=" + at + "2019_04_05\\");
}

TEST(RunRecord, RefusedRunAndProgramsOwnResourcesAndAnEmptyDescription) {
    TempFolder root(L"record");
    const std::wstring dated = root.Path() + L"2019_04_05\\";
    MakeFolder(dated);
    RunRecordHead head = Head(root.Path());
    head.program.resourceLibrary.clear();
    head.descriptionCharacters = CharacterCount(L"лифт 𝄞\r\n");
    {
        RunRecord refused(head);
        refused.Take(Event(RunEventKind::DatedFolderExists, dated));
        refused.TakeBox({OperatorNotice::Form::Box, L"exists", MB_ICONERROR, 0});
        EXPECT_FALSE(refused.TakeFailure());
    }
    EXPECT_EQ(ListFolder(dated), L"");

    RunRecord record(head);
    record.Take(Event(RunEventKind::DatedFolderCreated, dated));
    const std::vector<std::string> lines = Lines(dated + L"Dorvak.log");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[5], "RESOURCES none: the program's own");
    EXPECT_EQ(lines[6], "DESCRIPTION characters=8");
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
