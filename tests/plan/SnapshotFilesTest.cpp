#include "collect/SnapshotFiles.h"
#include "support/RecordingUi.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

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

TEST(ReadMe, StoresTheDescriptionAsTypedInCodePage1251) {
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
        // Outside code page 1251: the code page's default character.
        {L"中 лифт €", "? \xEB\xE8\xF4\xF2 \x88"},
        {L"x", "x"},
    };
    for (const Case& c : cases) {
        TempFolder dated;
        RecordingUi ui;
        WriteReadMe(dated.Path(), c.description, ui);
        EXPECT_TRUE(ui.events.empty());
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

    ASSERT_EQ(ui.events.size(), 2u);
    const std::wstring failed = L"Ошибка при записи файла ";
    EXPECT_EQ(ui.events[0].kind, UiEvent::Kind::SystemError);
    EXPECT_EQ(ui.events[0].text, failed + dated.Path() + L"ReadMe.txt");
    EXPECT_EQ(ui.events[0].code, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ui.events[1].kind, UiEvent::Kind::SystemError);
    EXPECT_EQ(ui.events[1].text, failed + dated.Path() + L"WindowVersion.txt");
    EXPECT_EQ(ui.events[1].code, static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(CaptureCommands, AreComposedExactly) {
    const std::wstring system = L"C:\\Windows\\system32";
    const std::wstring dated = L"C:\\Suite\\2019_04_05\\";
    const wchar_t* expected[] = {
        L"C:\\Windows\\system32\\cmd.exe /U /Q /C ipconfig /all "
        L">\"C:\\Suite\\2019_04_05\\ipconfig.txt\"",
        L"C:\\Windows\\system32\\cmd.exe /U /Q /C route print "
        L">\"C:\\Suite\\2019_04_05\\route.txt\"",
        L"C:\\Windows\\system32\\cmd.exe /U /Q /C tree .. /F "
        L">\"C:\\Suite\\2019_04_05\\files.tree\"",
        L"C:\\Windows\\system32\\cmd.exe /U /Q /C arp -a >\"C:\\Suite\\2019_04_05\\arp.txt\"",
        L"C:\\Windows\\system32\\cmd.exe /U /Q /C netstat -an "
        L">\"C:\\Suite\\2019_04_05\\netstat.txt\"",
    };
    for (size_t i = 0; i < kCaptureCommandCount; ++i)
        EXPECT_EQ(CaptureCommandLine(system, kCaptureCommands[i], dated), expected[i]) << i;

    // A dated folder far beyond the old 360-character line stays whole.
    const std::wstring deep = L"C:\\" + std::wstring(400, L'd') + L"\\2019_04_05\\";
    EXPECT_EQ(CaptureCommandLine(system, kCaptureCommands[4], deep),
              system + L"\\cmd.exe /U /Q /C netstat -an >\"" + deep + L"netstat.txt\"");
}

TEST(CaptureCommands, SystemFolderIsTheSystemsOwn) {
    wchar_t buffer[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(SystemFolder(), std::wstring(buffer, length));
    EXPECT_TRUE(Exists(SystemFolder() + L"\\cmd.exe"));
}

TEST(RunCaptureCommand, RunsInTheGivenFolderAndWaits) {
    TempFolder folder(L"capture dir");
    RecordingUi ui;
    // A relative output path lands in the current directory; the file is
    // complete when the call returns, so the wait happened.
    EXPECT_TRUE(RunCaptureCommand(SystemFolder() + L"\\cmd.exe /Q /C echo here>here.txt",
                                  folder.Path(), ui));
    ASSERT_TRUE(Exists(folder.Path() + L"here.txt"));
    EXPECT_EQ(ReadBytes(folder.Path() + L"here.txt"), "here\r\n");
    EXPECT_TRUE(ui.events.empty());
}

TEST(RunCaptureCommand, ProgramThatCannotStartBeepsOnce) {
    TempFolder folder;
    RecordingUi ui;
    EXPECT_FALSE(RunCaptureCommand(folder.Path() + L"missing\\cmd.exe /U /Q /C arp -a >\"" +
                                       folder.Path() + L"arp.txt\"",
                                   folder.Path(), ui));
    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.events[0].kind, UiEvent::Kind::Beep);
    EXPECT_EQ(ui.events[0].code, static_cast<DWORD>(MB_ICONEXCLAMATION));
    EXPECT_FALSE(Exists(folder.Path() + L"arp.txt"));
}

TEST(WriteSnapshotFiles, WritesEverySnapshotIntoAFolderWithBlanks) {
    TempFolder base(L"snap shot");
    const std::wstring dated = base.Path() + L"dated folder\\";
    MakeFolder(dated);
    MakeFolder(dated + L"MERUDrv");
    const std::wstring commandFolder = base.Path() + L"Dorvak\\";
    MakeFolder(commandFolder);
    RecordingUi ui;

    WriteSnapshotFiles(dated, L"Лифт\r\nстоит", ui, commandFolder);

    EXPECT_EQ(ListFolder(dated), L"MERUDrv/ ReadMe.txt WindowVersion.txt arp.txt files.tree "
                                 L"ipconfig.txt netstat.txt route.txt");
    EXPECT_EQ(ReadBytes(dated + L"ReadMe.txt"), "\xCB\xE8\xF4\xF2\r\n\xF1\xF2\xEE\xE8\xF2");
    EXPECT_EQ(ReadBytes(dated + L"WindowVersion.txt"), WindowVersionText(::GetVersion()) + "\r\n");
    EXPECT_TRUE(ui.events.empty());
}
