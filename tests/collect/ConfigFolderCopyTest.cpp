#include "collect/ConfigFolderCopy.h"

#include "collect/CollectFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {
class ConfigFolderCopy : public CollectFixture {};
} // namespace

TEST_F(ConfigFolderCopy, AFolderThatIsNotInstalledLeavesNoTrace) {
    EXPECT_FALSE(CollectProductConfig(Context(), L"MERUDisp"));
    EXPECT_FALSE(CollectMatchingFiles(Context(), L"MERUDisp", L"a.ini"));
    EXPECT_EQ(L"", ListFolder(mirrorBase));
    EXPECT_TRUE(ui.Quiet());
}

TEST_F(ConfigFolderCopy, CopiesXmlFilesInAnyLetterCaseAndNothingElse) {
    MakeFolder(root + L"MERUDisp");
    WriteBytes(root + L"MERUDisp\\a.xml", "<a/>");
    WriteBytes(root + L"MERUDisp\\Struct.XML", "<s/>");
    WriteBytes(root + L"MERUDisp\\Cfg.Xml", "<c/>");
    for (const wchar_t* decoy : {L"x.xmlx", L"x.xml_old", L"notes.txt", L"xml", L"a.xml.bak"})
        WriteBytes(root + L"MERUDisp\\" + decoy, "decoy");

    EXPECT_TRUE(CollectProductConfig(Context(), L"MERUDisp"));

    const std::wstring mirror = mirrorBase + L"MERUDisp\\";
    EXPECT_EQ(L"Cfg.Xml Struct.XML a.xml", ListFolder(mirror));
    EXPECT_EQ("<s/>", ReadBytes(mirror + L"Struct.XML"));
    EXPECT_EQ(std::vector<Fact>{}, ui.Problems());
    std::vector<std::wstring> shown = ui.progress;
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(
        (std::vector<std::wstring>{mirror + L"Cfg.Xml", mirror + L"Struct.XML", mirror + L"a.xml"}),
        shown);
}

TEST_F(ConfigFolderCopy, EachFailedCopyIsReportedAndTheOthersStillCopied) {
    const std::wstring source = root + L"MERUDisp\\";
    MakeFolder(source);
    WriteBytes(source + L"a.xml", "a");
    WriteBytes(source + L"Locked.xml", "locked");
    WriteBytes(source + L"z.xml", "z");
    FileHandle held(::CreateFileW((source + L"Locked.xml").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);

    EXPECT_TRUE(CollectProductConfig(Context(), L"MERUDisp"));
    held.Reset();

    const std::wstring mirror = mirrorBase + L"MERUDisp\\";
    EXPECT_EQ(L"a.xml z.xml", ListFolder(mirror));
    EXPECT_EQ(3u, ui.progress.size());
    // The report names the installed file with its folder and follows the
    // progress of that entry's destination.
    EXPECT_EQ((std::vector<Fact>{
                  {RunEventKind::CopyFailed, source + L"Locked.xml", ERROR_SHARING_VIOLATION}}),
              ui.Problems());
    const auto failed = std::find(ui.trail.begin(), ui.trail.end(),
                                  TrailEntry(RunEventKind::CopyFailed, source + L"Locked.xml"));
    ASSERT_NE(failed, ui.trail.begin());
    ASSERT_NE(failed, ui.trail.end());
    EXPECT_EQ(mirror + L"Locked.xml", *std::prev(failed));
    // What the folder came to counts only what was copied.
    const std::vector<RunEvent> collected = ui.OfKind(RunEventKind::FolderCollected);
    ASSERT_EQ(1u, collected.size());
    EXPECT_EQ(L"MERUDisp", collected[0].Path());
    EXPECT_EQ(2u, collected[0].Tally().files);
    EXPECT_EQ(2u, collected[0].Tally().bytes);
    EXPECT_FALSE(collected[0].FallbackUsed());
}

TEST_F(ConfigFolderCopy, SubFoldersNamedLikeWhatIsCopiedAreNeitherCopiedNorReported) {
    const std::wstring source = root + L"MERUDisp\\";
    MakeFolder(source);
    WriteBytes(source + L"a.xml", "a");
    MakeFolder(source + L"Sub.xml");
    WriteBytes(source + L"Sub.xml\\inner.xml", "inner");
    MakeFolder(source + L"Settings.ini");

    EXPECT_TRUE(CollectProductConfig(Context(), L"MERUDisp"));
    EXPECT_TRUE(CollectMatchingFiles(Context(), L"MERUDisp", L"Settings.ini"));

    const std::wstring mirror = mirrorBase + L"MERUDisp\\";
    EXPECT_EQ(L"a.xml", ListFolder(mirror));
    EXPECT_EQ((std::vector<std::wstring>{mirror + L"a.xml"}), ui.progress);
    EXPECT_EQ(std::vector<Fact>{}, ui.Problems());
}

TEST_F(ConfigFolderCopy, AnInstalledFolderWithoutMatchesLeavesAnEmptyMirror) {
    MakeFolder(root + L"MERUDisp");
    WriteBytes(root + L"MERUDisp\\run.log", "log");
    EXPECT_TRUE(CollectProductConfig(Context(), L"MERUDisp"));
    EXPECT_TRUE(CollectMatchingFiles(Context(), L"MERUDisp", L"Absent.ini"));
    EXPECT_TRUE(IsFolder(mirrorBase + L"MERUDisp"));
    EXPECT_EQ(L"", ListFolder(mirrorBase + L"MERUDisp\\"));
    EXPECT_TRUE(ui.Quiet());
}

TEST_F(ConfigFolderCopy, MatchingFilesReuseTheMirrorButNeverReplaceAFile) {
    MakeFolder(root + L"MERUDisp");
    WriteBytes(root + L"MERUDisp\\Settings.ini", "installed");
    WriteBytes(root + L"MERUDisp\\Other.ini", "other");
    ASSERT_TRUE(CollectProductConfig(Context(), L"MERUDisp"));
    WriteBytes(mirrorBase + L"MERUDisp\\Settings.ini", "stale");

    // The plan names files in its own letter case; the copy keeps the
    // installed name.
    EXPECT_TRUE(CollectMatchingFiles(Context(), L"MERUDisp", L"settings.INI"));

    EXPECT_EQ(L"Settings.ini", ListFolder(mirrorBase + L"MERUDisp\\"));
    EXPECT_EQ("stale", ReadBytes(mirrorBase + L"MERUDisp\\Settings.ini"));
    EXPECT_EQ((std::vector<std::wstring>{mirrorBase + L"MERUDisp\\Settings.ini"}), ui.progress);
    EXPECT_EQ((std::vector<Fact>{
                  {RunEventKind::CopyFailed, root + L"MERUDisp\\Settings.ini", ERROR_FILE_EXISTS}}),
              ui.Problems());

    // The run's own export alone is replaced by the installed file.
    WriteBytes(mirrorBase + L"MERUDisp\\Struct.XML", "export");
    WriteBytes(root + L"MERUDisp\\Struct.XML", "installed");
    EXPECT_EQ(1u, ReplaceExportWithInstalled(Context(), L"MERUDisp", L"Struct.XML").value_or(0));
    EXPECT_EQ("installed", ReadBytes(mirrorBase + L"MERUDisp\\Struct.XML"));
    EXPECT_EQ(L"Settings.ini Struct.XML", ListFolder(mirrorBase + L"MERUDisp\\"));
}

TEST_F(ConfigFolderCopy, AMissingMirrorParentIsReportedWithTheDestinationFolder) {
    MakeFolder(root + L"MERUDisp");
    MakeFolder(root + L"MERUDisp\\Plugins");
    WriteBytes(root + L"MERUDisp\\Plugins\\p.xml", "p");

    EXPECT_FALSE(CollectProductConfig(Context(), L"MERUDisp\\Plugins"));

    EXPECT_EQ((std::vector<Fact>{{RunEventKind::FolderNotCreated,
                                  mirrorBase + L"MERUDisp\\Plugins\\", ERROR_PATH_NOT_FOUND}}),
              ui.Problems());
    EXPECT_EQ(L"", ListFolder(mirrorBase));

    // Once the parent is mirrored the same call goes through.
    ui.events.clear();
    ASSERT_TRUE(CollectProductConfig(Context(), L"MERUDisp"));
    EXPECT_TRUE(CollectProductConfig(Context(), L"MERUDisp\\Plugins"));
    EXPECT_EQ(L"p.xml", ListFolder(mirrorBase + L"MERUDisp\\Plugins\\"));
    EXPECT_EQ(std::vector<Fact>{}, ui.Problems());
}

TEST_F(ConfigFolderCopy, AFileBearingTheFolderNamePassesAsInstalled) {
    WriteBytes(root + L"MERUDisp", "not a folder");
    EXPECT_TRUE(CollectProductConfig(Context(), L"MERUDisp"));
    EXPECT_TRUE(IsFolder(mirrorBase + L"MERUDisp"));
    EXPECT_EQ(L"", ListFolder(mirrorBase + L"MERUDisp\\"));
    EXPECT_TRUE(ui.Quiet());
}

TEST_F(ConfigFolderCopy, AFileInTheMirrorFoldersPlaceIsReportedOnceAndNothingIsCopiedIntoIt) {
    MakeFolder(root + L"MERUDisp");
    WriteBytes(root + L"MERUDisp\\a.xml", "a");
    WriteBytes(root + L"MERUDisp\\b.xml", "b");
    WriteBytes(mirrorBase + L"MERUDisp", "in the way");

    EXPECT_FALSE(CollectProductConfig(Context(), L"MERUDisp"));

    EXPECT_EQ((std::vector<Fact>{{RunEventKind::FolderNotCreated, mirrorBase + L"MERUDisp\\",
                                  ERROR_ALREADY_EXISTS}}),
              ui.Problems());
    EXPECT_EQ("in the way", ReadBytes(mirrorBase + L"MERUDisp"));
}
