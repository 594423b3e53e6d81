#include "collect/VersionInventory.h"

#include "collect/CollectFixture.h"

#include <gtest/gtest.h>

namespace {

class VersionInventory : public CollectFixture {
  protected:
    VersionInventory() { MakeFolder(source); }

    // A copy of a built PE file, grown to `size` bytes, last written at the
    // given local time.
    void Install(const std::wstring& peFile, const std::wstring& name, ULONGLONG size,
                 int year = 2024, int month = 2, int day = 5, int hour = 14, int minute = 7,
                 int second = 33) {
        CopyInto(PeFile(peFile), source + name);
        SetFileSize(source + name, size);
        SetLastWriteLocal(source + name, year, month, day, hour, minute, second);
    }

    bool Write() { return WriteVersionInventory(Context(), L"Common"); }

    std::string Inventory() { return ReadBytes(mirrorBase + L"Common\\Version.txt"); }

    const std::wstring source = root + L"Common\\";
};
} // namespace

TEST_F(VersionInventory, ListsProgramsAndLibrariesByteForByte) {
    Install(L"Loader.exe", L"Loader.exe", 524288);
    Install(L"mstore.dll", L"mstore.dll", 12800);

    EXPECT_TRUE(Write());

    const std::string loader = "\x4C\x6F\x61\x64\x65\x72\x2E\x65\x78\x65\x09\x76\x33\x2E\x32\x2E"
                               "\x30\x2E\x31\x35\x09\x30\x35\x2E\x30\x32\x2E\x32\x34\x20\x31\x34"
                               "\x3A\x30\x37\x3A\x33\x33\x09\x35\x32\x34\x32\x38\x38\x0D\x0A";
    ASSERT_EQ(47u, loader.size());
    const std::string mstore = "mstore.dll\t05.02.24 14:07:33\t12800\r\n";
    ASSERT_EQ(36u, mstore.size());
    EXPECT_EQ(loader + mstore, Inventory());
    EXPECT_TRUE(ui.Quiet());
}

TEST_F(VersionInventory, ProgramsComeBeforeLibrariesAndDecoysAreLeftOut) {
    Install(L"Plain.dll", L"a.dll", 5120, 2023, 12, 31, 23, 59, 59);
    Install(L"Wide.exe", L"TOOL.EXE", 4608, 2024, 1, 1, 0, 0, 0);
    Install(L"Plain.dll", L"Lib.DLL", 6000, 2019, 4, 5, 9, 8, 7);
    for (const wchar_t* decoy : {L"old.exe.bak", L"report.exe1", L"x.dll.txt", L"exe", L"cfg.xml"})
        WriteBytes(source + decoy, "decoy");
    MakeFolder(source + L"Plugins.dll");
    Install(L"Plain.dll", L"Plugins.dll\\Inner.dll", 5120);
    SetLastWriteLocal(source + L"Plugins.dll", 2024, 3, 1, 10, 11, 12);

    EXPECT_TRUE(Write());

    const std::string text = Inventory();
    const std::string tool = "TOOL.EXE\tv65535.1.0.65535\t01.01.24 00:00:00\t4608\r\n";
    const std::string a = "a.dll\tv1.0.0.0\t31.12.23 23:59:59\t5120\r\n";
    const std::string lib = "Lib.DLL\tv1.0.0.0\t05.04.19 09:08:07\t6000\r\n";
    const std::string plugins = "Plugins.dll\t01.03.24 10:11:12\t0\r\n";
    ASSERT_EQ(tool.size() + a.size() + lib.size() + plugins.size(), text.size()) << text;
    EXPECT_EQ(0u, text.find(tool)) << text;
    for (const std::string& line : {a, lib, plugins})
        EXPECT_NE(std::string::npos, text.find(line, tool.size())) << line << " in " << text;
}

TEST_F(VersionInventory, AFileOfFiveGibibytesKeepsItsWholeSize) {
    const std::wstring huge = source + L"Huge.dll";
    WriteBytes(huge, "");
    SetFileSize(huge, 5ull << 30);
    SetLastWriteLocal(huge, 2024, 2, 5, 14, 7, 33);

    EXPECT_TRUE(Write());

    EXPECT_EQ("Huge.dll\t05.02.24 14:07:33\t5368709120\r\n", Inventory());
}

TEST_F(VersionInventory, NamesAreInTheAnsiCodePageUnlessItLacksOne) {
    Install(L"mstore.dll", L"Журнал.exe", 4096);
    EXPECT_TRUE(Write());
    EXPECT_EQ("\xC6\xF3\xF0\xED\xE0\xEB.exe\t05.02.24 14:07:33\t4096\r\n", Inventory());
    EXPECT_TRUE(ui.OfKind(RunEventKind::WrittenInUtf8).empty());

    // One name the code page cannot hold makes the whole file UTF-8.
    ::DeleteFileW((mirrorBase + L"Common\\Version.txt").c_str());
    Install(L"mstore.dll", L"\u65E5\u672C.dll", 4096);
    EXPECT_TRUE(Write());
    EXPECT_EQ("\xEF\xBB\xBF\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB.exe\t05.02.24 "
              "14:07:33\t4096\r\n\xE6\x97\xA5\xE6\x9C\xAC.dll\t05.02.24 14:07:33\t4096\r\n",
              Inventory());
    EXPECT_EQ(ui.Paths(RunEventKind::WrittenInUtf8),
              std::vector<std::wstring>{mirrorBase + L"Common\\Version.txt"});
}

TEST_F(VersionInventory, AFolderWithoutProgramsGetsAnEmptyFile) {
    WriteBytes(source + L"Config.xml", "<c/>");
    EXPECT_TRUE(Write());
    EXPECT_EQ(L"Version.txt", ListFolder(mirrorBase + L"Common\\"));
    EXPECT_EQ("", Inventory());
    EXPECT_TRUE(ui.Quiet());
}

TEST_F(VersionInventory, AnExistingMirrorIsWrittenIntoOnlyWhenTheRunMadeIt) {
    Install(L"mstore.dll", L"mstore.dll", 12800);
    MakeOwnFolder(mirrorBase + L"Common");
    WriteBytes(mirrorBase + L"Common\\Settings.xml", "kept");
    EXPECT_TRUE(Write());
    EXPECT_EQ(L"Settings.xml Version.txt", ListFolder(mirrorBase + L"Common\\"));
    EXPECT_EQ("mstore.dll\t05.02.24 14:07:33\t12800\r\n", Inventory());
    EXPECT_TRUE(ui.Quiet());

    // Another's folder of the name, or a link to one elsewhere: not entered.
    MakeFolder(root + L"Tools");
    MakeFolder(mirrorBase + L"Tools");
    EXPECT_FALSE(WriteVersionInventory(Context(), L"Tools"));
    EXPECT_EQ(L"", ListFolder(mirrorBase + L"Tools\\"));
    EXPECT_EQ((std::vector<Fact>{
                  {RunEventKind::FolderNotCreated, mirrorBase + L"Tools\\", ERROR_ALREADY_EXISTS}}),
              ui.Problems());
}

TEST_F(VersionInventory, NotInstalledOrUnmirroredFolders) {
    EXPECT_FALSE(WriteVersionInventory(Context(), L"Tools"));
    EXPECT_FALSE(Exists(mirrorBase + L"Tools"));
    EXPECT_TRUE(ui.Quiet());

    MakeFolder(root + L"Tools");
    MakeFolder(root + L"Tools\\Bin");
    CopyInto(PeFile(L"Loader.exe"), root + L"Tools\\Bin\\Loader.exe");
    EXPECT_FALSE(WriteVersionInventory(Context(), L"Tools\\Bin"));
    EXPECT_EQ((std::vector<Fact>{{RunEventKind::FolderNotCreated, mirrorBase + L"Tools\\Bin\\",
                                  ERROR_PATH_NOT_FOUND}}),
              ui.Problems());
    EXPECT_FALSE(Exists(mirrorBase + L"Tools"));
}

TEST_F(VersionInventory, AFileBearingTheFolderNameGivesAnEmptyInventory) {
    WriteBytes(root + L"Tools", "a file, not a folder");
    EXPECT_TRUE(WriteVersionInventory(Context(), L"Tools"));
    EXPECT_EQ("", ReadBytes(mirrorBase + L"Tools\\Version.txt"));
    EXPECT_TRUE(ui.Quiet());
}

TEST_F(VersionInventory, AnInventoryThatCannotBeCreatedIsReportedOnce) {
    Install(L"Loader.exe", L"Loader.exe", 524288);
    MakeOwnFolder(mirrorBase + L"Common");
    MakeFolder(mirrorBase + L"Common\\Version.txt");

    EXPECT_TRUE(Write());

    EXPECT_TRUE(IsFolder(mirrorBase + L"Common\\Version.txt"));
    EXPECT_EQ((std::vector<Fact>{{RunEventKind::FileNotWritten, mirrorBase + L"Common\\Version.txt",
                                  ERROR_FILE_EXISTS}}),
              ui.Problems());
}
