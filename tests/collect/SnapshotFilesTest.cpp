#include "collect/SnapshotFiles.h"
#include "shared/StandInOutput.h"
#include "support/RecordingUi.h"
#include "support/TestFiles.h"
#include "win/Module.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::wstring EnvironmentValue(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return std::wstring();
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

// What the interpreter's own commands write into a file with /U.
std::string Utf16(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// One capture as a run makes it into `dated`, with the interpreter of
// `systemFolder`, in the current folder `current`.
bool Capture(const std::wstring& systemFolder, const std::wstring& dated,
             const CaptureCommand& command, const std::wstring& current, DWORD limitMs,
             RecordingUi& ui) {
    const RunSettings settings{
        {limitMs, limitMs}, kShippedMachineLimits, systemFolder, current, L""};
    OwnFolders own;
    return RunCaptureCommand({L"", dated, dated + L"MERUDrv\\", DateTime(), settings, own, ui},
                             command);
}

} // namespace

TEST(WindowVersion, SplitsTheValueAndDropsTheBuildWhenBit31IsSet) {
    EXPECT_EQ(WindowVersionText(0x1DB10106), "Version Windows is 6.1 (7601)");
    // Bits 16 to 30 carry something, but bit 31 says there is no build.
    EXPECT_EQ(WindowVersionText(0xC0DE0A04), "Version Windows is 4.10 (0)");
    EXPECT_EQ(WindowVersionText(0x7FFFFFFF), "Version Windows is 255.255 (32767)");
    EXPECT_EQ(WindowVersionText(0), "Version Windows is 0.0 (0)");
}

TEST(WindowVersion, FileHoldsOneLineEndedByCrLf) {
    TempFolder dated;
    RecordingUi ui;
    WriteWindowVersion(dated.Path(), 0x1DB10106, ui);
    EXPECT_TRUE(ui.events.empty());
    const std::string bytes = ReadBytes(dated.Path() + L"WindowVersion.txt");
    EXPECT_EQ(bytes, "Version Windows is 6.1 (7601)\r\n");
    EXPECT_EQ(bytes.size(), 31u);
}

TEST(ReadMe, StoresTheDescriptionAsTypedInCodePage1251OrWhenItLacksACharacterInUtf8) {
    struct Case {
        const wchar_t* description;
        std::string bytes;
    };
    const Case cases[] = {
        {L"Лифт стоит", "\xCB\xE8\xF4\xF2 \xF1\xF2\xEE\xE8\xF2"},
        // Each line break as typed: CR LF, never CR CR LF; no line end added.
        {L"A\r\nB", "A\r\nB"},
        {L"Первая\r\n\r\nтретья\r\n",
         "\xCF\xE5\xF0\xE2\xE0\xFF\r\n\r\n\xF2\xF0\xE5\xF2\xFC\xFF\r\n"},
        // Lone CR and LF are not lost; the LF reaches the file as CR LF.
        {L"a\rb\nc\r\r\nd", "a\rb\r\nc\r\r\nd"},
        // A character outside code page 1251: all of it in UTF-8, nothing lost.
        {L"中 лифт €", "\xEF\xBB\xBF\xE4\xB8\xAD \xD0\xBB\xD0\xB8\xD1\x84\xD1\x82 \xE2\x82\xAC"},
        {L"тоқтап\r\n", "\xEF\xBB\xBF\xD1\x82\xD0\xBE\xD2\x9B\xD1\x82\xD0\xB0\xD0\xBF\r\n"},
        {L"x", "x"},
    };
    for (const Case& c : cases) {
        TempFolder dated;
        RecordingUi ui;
        WriteReadMe(dated.Path(), c.description, ui);
        EXPECT_EQ(ui.Problems(), std::vector<Fact>{});
        EXPECT_EQ(ui.Paths(RunEventKind::WrittenInUtf8).size(),
                  c.bytes.rfind("\xEF\xBB\xBF", 0) == 0)
            << Utf8(c.description);
        EXPECT_EQ(ReadBytes(dated.Path() + L"ReadMe.txt"), c.bytes) << Utf8(c.description);
    }
}

TEST(SnapshotTexts, AFileThatCannotBeCreatedIsReportedOnceWithItsPath) {
    // A folder in the file's place stands for a denied or broken folder.
    TempFolder dated;
    MakeFolder(dated.Path() + L"ReadMe.txt");
    MakeFolder(dated.Path() + L"WindowVersion.txt");
    RecordingUi ui;
    WriteReadMe(dated.Path(), L"Лифт стоит", ui);
    WriteWindowVersion(dated.Path(), 0x1DB10106, ui);

    EXPECT_EQ(ui.Problems(),
              (std::vector<Fact>{
                  {RunEventKind::FileNotWritten, dated.Path() + L"ReadMe.txt", ERROR_FILE_EXISTS},
                  {RunEventKind::FileNotWritten, dated.Path() + L"WindowVersion.txt",
                   ERROR_FILE_EXISTS}}));
    EXPECT_EQ(ui.events.size(), 2u);
}

TEST(CaptureCommands, HoldNoPathButTheInterpreters) {
    const std::wstring system = L"C:\\Windows\\system32";
    const wchar_t* expected[] = {
        L"C:\\Windows\\system32\\cmd.exe /U /Q /C ipconfig /all",
        L"C:\\Windows\\system32\\cmd.exe /U /Q /C route print",
        L"C:\\Windows\\system32\\cmd.exe /U /Q /C tree .. /F",
        L"C:\\Windows\\system32\\cmd.exe /U /Q /C arp -a",
        L"C:\\Windows\\system32\\cmd.exe /U /Q /C netstat -an",
    };
    const wchar_t* files[] = {L"ipconfig.txt", L"route.txt", L"files.tree", L"arp.txt",
                              L"netstat.txt"};
    for (size_t i = 0; i < kCaptureCommandCount; ++i) {
        EXPECT_EQ(CaptureCommandLine(system, kCaptureCommands[i]), expected[i]) << i;
        EXPECT_EQ(std::wstring(kCaptureCommands[i].fileName), files[i]) << i;
    }
    EXPECT_EQ(CommandInterpreter(system), L"C:\\Windows\\system32\\cmd.exe");
    // The interpreter reads its own name up to the first blank.
    EXPECT_EQ(CaptureCommandLine(L"D:\\Win dows\\system32", kCaptureCommands[3]),
              L"\"D:\\Win dows\\system32\\cmd.exe\" /U /Q /C arp -a");
}

TEST(CaptureCommands, SystemFolderIsTheSystemsOwn) {
    wchar_t buffer[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(SystemFolder(), std::wstring(buffer, length));
    EXPECT_TRUE(Exists(SystemFolder() + L"\\cmd.exe"));
}

TEST(RunCaptureCommand, StandardOutputAloneGoesIntoANewFileAndTheWaitIsShown) {
    TempFolder dated(L"dated %PATH% folder");
    TempFolder current(L"capture dir");
    RecordingUi ui;
    // Standard error is not part of a capture, as with ">" before; the
    // command runs in the given folder, and the file is complete when the
    // call returns, so the wait happened. /U still makes the interpreter's
    // own commands write UTF-16 into it. Told not to look for commands in
    // its current folder before the path.
    const CaptureCommand command{
        L"echo out& echo err 1>&2& cd& set NoDefaultCurrentDirectoryInExePath", L"out.txt"};
    EXPECT_TRUE(Capture(SystemFolder(), dated.Path(), command, current.Path(), 60 * 1000, ui));
    const std::wstring folder = current.Path().substr(0, current.Path().size() - 1);
    EXPECT_EQ(ReadBytes(dated.Path() + L"out.txt"),
              Utf16(L"out\r\n" + folder + L"\r\nNoDefaultCurrentDirectoryInExePath=1\r\n"));
    EXPECT_EQ(ListFolder(dated.Path()), L"out.txt");
    EXPECT_EQ(ListFolder(current.Path()), L"");
    const std::wstring line = CaptureCommandLine(SystemFolder(), command);
    ASSERT_EQ(ui.trail, (std::vector<std::wstring>{TrailEntry(RunEventKind::ProgramStarted, line),
                                                   TrailEntry(RunEventKind::ProgramEnded, line)}));
    EXPECT_EQ(ui.events[1].Code(), 0u);
    EXPECT_EQ(ui.events[1].Output(), dated.Path() + L"out.txt");
    // Measured on the run's own handle, as the file stands once it ended.
    EXPECT_EQ(ui.events[1].OutputSize(), ReadBytes(dated.Path() + L"out.txt").size());
}

TEST(RunCaptureCommand, TheExitCodeIsTheCommandsOwn) {
    TempFolder dated;
    RecordingUi ui;
    EXPECT_TRUE(Capture(SystemFolder(), dated.Path(), {L"exit 3", L"out.txt"}, L"", 60 * 1000, ui));
    ASSERT_EQ(ui.events.size(), 2u);
    EXPECT_EQ(ui.events[1].Kind(), RunEventKind::ProgramEnded);
    EXPECT_EQ(ui.events[1].Code(), 3u);
}

TEST(RunCaptureCommand, FileAlreadyThereIsReportedOnceAndKept) {
    TempFolder dated;
    RecordingUi ui;
    WriteBytes(dated.Path() + L"arp.txt", "someone else's");
    MakeFolder(dated.Path() + L"route.txt");
    EXPECT_FALSE(
        Capture(SystemFolder(), dated.Path(), kCaptureCommands[3], dated.Path(), 60 * 1000, ui));
    EXPECT_FALSE(
        Capture(SystemFolder(), dated.Path(), kCaptureCommands[1], dated.Path(), 60 * 1000, ui));
    EXPECT_EQ(ReadBytes(dated.Path() + L"arp.txt"), "someone else's");
    ASSERT_EQ(ui.events.size(), 2u);
    EXPECT_EQ(ui.Problems()[0],
              (Fact{RunEventKind::FileNotWritten, dated.Path() + L"arp.txt", ERROR_FILE_EXISTS}));
    EXPECT_EQ(ui.events[1].Kind(), RunEventKind::FileNotWritten);
    EXPECT_EQ(ui.events[1].Path(), dated.Path() + L"route.txt");
    EXPECT_NE(ui.events[1].Code(), 0u);
}

TEST(RunCaptureCommand, InterpreterThatCannotStartIsReportedOnceAndLeavesNoFile) {
    TempFolder folder;
    RecordingUi ui;
    EXPECT_FALSE(Capture(folder.Path() + L"missing", folder.Path(), kCaptureCommands[3],
                         folder.Path(), 60 * 1000, ui));
    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.events[0].Kind(), RunEventKind::ProgramNotStarted);
    EXPECT_EQ(ui.events[0].Path(),
              CaptureCommandLine(folder.Path() + L"missing", kCaptureCommands[3]));
    EXPECT_NE(ui.events[0].Code(), 0u);
    EXPECT_EQ(ListFolder(folder.Path()), L"");
}

TEST(RunCaptureCommand, CommandThatNeverEndsIsEndedAtTheLimitWithEverythingItStarted) {
    TempFolder folder;
    // A name of its own, so that its processes can be told from any other.
    const std::wstring hungName = L"hung" + std::to_wstring(::GetTickCount()) + L".exe";
    const std::wstring hung = folder.Path() + hungName;
    ASSERT_TRUE(::CopyFileW((TestProgramFolder() + L"NeverEnds.exe").c_str(), hung.c_str(), TRUE));
    const CaptureCommand command{hung.c_str(), L"hung.txt"};
    RecordingUi ui;
    const ULONGLONG started = ::GetTickCount64();
    EXPECT_TRUE(Capture(SystemFolder(), folder.Path(), command, folder.Path(), 3000, ui));
    const ULONGLONG elapsed = ::GetTickCount64() - started;
    EXPECT_GE(elapsed, 3000u);
    EXPECT_LT(elapsed, 60 * 1000u);
    EXPECT_TRUE(NoProcessLeft(hungName, 10 * 1000));
    EXPECT_TRUE(Exists(folder.Path() + L"hung.txt"));
    const std::wstring line = CaptureCommandLine(SystemFolder(), command);
    ASSERT_EQ(ui.trail,
              (std::vector<std::wstring>{
                  TrailEntry(RunEventKind::ProgramStarted, line),
                  TrailEntry(RunEventKind::ProgramEndedAtLimit, line),
                  TrailEntry(RunEventKind::OutputIncomplete, folder.Path() + L"hung.txt")}));
    EXPECT_GE(ui.events[1].DurationMs(), 3000u);
    EXPECT_EQ(ui.events[1].Output(), folder.Path() + L"hung.txt");
    EXPECT_EQ(ui.events[1].OutputSize(), 0u);
    // The next command runs as usual.
    EXPECT_TRUE(Capture(SystemFolder(), folder.Path(), {L"echo next", L"next.txt"}, folder.Path(),
                        60 * 1000, ui));
    EXPECT_EQ(ReadBytes(folder.Path() + L"next.txt"), Utf16(L"next\r\n"));
}

TEST(RunCaptureCommand, EachCaptureFileHoldsExactlyWhatItsCommandWroteInOrder) {
    // Our own cmd.exe in the system folder's place writes, for every one of
    // the five commands, a known output of its own in several pieces (every
    // byte value among them, far more than a buffer) and a line to its
    // standard error; Wine's route, arp and tree write nothing at all.
    TempFolder system(L"system folder");
    ASSERT_TRUE(::CopyFileW((TestProgramFolder() + L"..\\standincmd\\cmd.exe").c_str(),
                            (system.Path() + L"cmd.exe").c_str(), TRUE));
    const std::wstring systemFolder = system.Path().substr(0, system.Path().size() - 1);
    TempFolder dated;
    TempFolder current;
    RecordingUi ui;
    for (const CaptureCommand& command : kCaptureCommands)
        EXPECT_TRUE(Capture(systemFolder, dated.Path(), command, current.Path(), 60 * 1000, ui))
            << Utf8(command.command);

    EXPECT_EQ(ListFolder(dated.Path()), L"arp.txt files.tree ipconfig.txt netstat.txt route.txt");
    for (const CaptureCommand& command : kCaptureCommands) {
        const std::string bytes = ReadBytes(dated.Path() + command.fileName);
        const std::string expected = StandInOutput(command.command);
        EXPECT_EQ(bytes.size(), expected.size()) << Utf8(command.fileName);
        EXPECT_TRUE(bytes == expected) << Utf8(command.fileName);
    }
    EXPECT_EQ(ui.Problems(), std::vector<Fact>{});
    // The stand-in's own exit code reaches the report.
    const std::vector<RunEvent> ended = ui.OfKind(RunEventKind::ProgramEnded);
    ASSERT_EQ(ended.size(), kCaptureCommandCount);
    EXPECT_EQ(ended[0].Code(), 0u);
}

TEST(WriteSnapshotFiles, WritesEverySnapshotIntoItsFolderAndNowhereElse) {
    // A "%NAME%" of a defined variable in the path, beside a folder of the
    // name it stands for, with a blank too: every file lands in the folder
    // as named.
    TempFolder base(L"snap shot");
    const std::wstring computer = EnvironmentValue(L"COMPUTERNAME");
    ASSERT_FALSE(computer.empty());
    const std::wstring dated = base.Path() + L"%COMPUTERNAME% x\\dated folder\\";
    const std::wstring other = base.Path() + computer + L" x\\dated folder\\";
    MakeFolder(base.Path() + L"%COMPUTERNAME% x");
    MakeFolder(dated);
    MakeFolder(dated + L"MERUDrv");
    MakeFolder(base.Path() + computer + L" x");
    MakeFolder(other);
    const std::wstring commandFolder = base.Path() + L"Dorvak\\";
    MakeFolder(commandFolder);
    RecordingUi ui;

    const RunSettings settings = TestRunSettings(commandFolder);
    OwnFolders own;
    WriteSnapshotFiles({L"", dated, dated + L"MERUDrv\\", DateTime(), settings, own, ui},
                       L"Лифт\r\nстоит");

    EXPECT_EQ(ListFolder(dated), L"MERUDrv/ ReadMe.txt WindowVersion.txt arp.txt files.tree "
                                 L"ipconfig.txt netstat.txt route.txt");
    EXPECT_EQ(ListFolder(other), L"");
    EXPECT_EQ(ListFolder(commandFolder), L"");
    EXPECT_EQ(ReadBytes(dated + L"ReadMe.txt"), "\xCB\xE8\xF4\xF2\r\n\xF1\xF2\xEE\xE8\xF2");
    EXPECT_EQ(ReadBytes(dated + L"WindowVersion.txt"), WindowVersionText(::GetVersion()) + "\r\n");
    EXPECT_NE(ReadBytes(dated + L"ipconfig.txt").size(), 0u);
    std::vector<std::wstring> lines;
    for (const CaptureCommand& command : kCaptureCommands)
        lines.push_back(CaptureCommandLine(SystemFolder(), command));
    EXPECT_EQ(ui.Paths(RunEventKind::ProgramEnded), lines);
    EXPECT_EQ(ui.Problems(), std::vector<Fact>{});
}
