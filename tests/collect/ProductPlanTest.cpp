#include "support/SampleTree.h"

#include "collect/ProductPlan.h"
#include "support/RecordingUi.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

ProductVersion Version(WORD a, WORD b, WORD c, WORD d) {
    ProductVersion version;
    version.first = a;
    version.second = b;
    version.third = c;
    version.fourth = d;
    return version;
}

// An installation root and, beside it, an output folder holding the mirror
// base, as a run would have made it.
struct PlanFolders {
    TempFolder root{L"root"};
    TempFolder out{L"out"};
    std::wstring mirror = out.Path() + L"MERUDrv\\";
    RecordingUi ui;
    RunSettings settings = TestRunSettings(out.Path());
    OwnFolders own;

    PlanFolders() { MakeFolder(mirror); }
    void Walk() {
        own.Add(mirror);
        WalkProductPlan({root.Path(), out.Path(), mirror, PlanStartDate(), settings, own, ui});
    }
    std::string CommandLog(const std::wstring& productFolder) {
        const std::wstring log = root.Path() + productFolder + L"\\commandline.log";
        return Exists(log) ? ReadBytes(log) : std::string();
    }
    std::string ExpectedLog(const std::wstring& productFolder, const std::wstring& program) {
        return Utf8(root.Path() + L"\\" + productFolder + L"\\" + program + L" -s\"" + mirror +
                    L"\\" + productFolder + L"\\Struct.XML\"") +
               "\r\n";
    }
    size_t ProgressCount(const std::wstring& path) const {
        return static_cast<size_t>(std::count(ui.progress.begin(), ui.progress.end(), path));
    }
};

} // namespace

TEST(ConfiguratorCommandLine, KeepsTheDoubleBackslashesAndQuotesOnlyTheOutput) {
    EXPECT_EQ(ConfiguratorCommandLine(L"C:\\Suite\\", L"C:\\Suite\\2019_04_05\\MERUDrv\\",
                                      L"MERUDisp", L"MERUDispCfg.exe"),
              L"C:\\Suite\\\\MERUDisp\\MERUDispCfg.exe "
              L"-s\"C:\\Suite\\2019_04_05\\MERUDrv\\\\MERUDisp\\Struct.XML\"");
    EXPECT_EQ(ConfiguratorCommandLine(L"D:\\MERU Suite\\", L"D:\\MERU Suite\\2024_03_01\\MERUDrv\\",
                                      L"MERUDomain", L"MERUDomainCfg.exe"),
              L"D:\\MERU Suite\\\\MERUDomain\\MERUDomainCfg.exe "
              L"-s\"D:\\MERU Suite\\2024_03_01\\MERUDrv\\\\MERUDomain\\Struct.XML\"");
    EXPECT_EQ(ConfiguratorPath(L"C:\\Suite\\", L"MERUDomain", L"MERUDomainCfg.exe"),
              L"C:\\Suite\\\\MERUDomain\\MERUDomainCfg.exe");
}

TEST(DomainConfiguratorCanExport, OnlyVersionsLaterThan4720) {
    EXPECT_FALSE(DomainConfiguratorCanExport(Version(4, 7, 2, 0)));
    EXPECT_FALSE(DomainConfiguratorCanExport(Version(4, 6, 300, 0)));
    EXPECT_FALSE(DomainConfiguratorCanExport(Version(4, 7, 1, 65535)));
    EXPECT_FALSE(DomainConfiguratorCanExport(Version(3, 255, 255, 255)));
    EXPECT_FALSE(DomainConfiguratorCanExport(Version(0, 0, 0, 0)));
    EXPECT_TRUE(DomainConfiguratorCanExport(Version(4, 7, 2, 1)));
    EXPECT_TRUE(DomainConfiguratorCanExport(Version(4, 8, 0, 0)));
    EXPECT_TRUE(DomainConfiguratorCanExport(Version(4, 7, 3, 0)));
    EXPECT_TRUE(DomainConfiguratorCanExport(Version(4, 10, 0, 0)));
    EXPECT_TRUE(DomainConfiguratorCanExport(Version(260, 0, 0, 0)));
}

TEST(ReadProductVersion, ReadsTheStandInsVersions) {
    ProductVersion version;
    ASSERT_TRUE(ReadProductVersion(ConfiguratorInBuild(L"4.6.300.0"), version));
    EXPECT_EQ(FormatProductVersion(version), L"4.6.300.0");
    ASSERT_TRUE(ReadProductVersion(ConfiguratorInBuild(L"4.7.2.1"), version));
    EXPECT_EQ(FormatProductVersion(version), L"4.7.2.1");
    ProductVersion untouched = Version(9, 9, 9, 9);
    EXPECT_FALSE(ReadProductVersion(ConfiguratorInBuild(L"noversion"), untouched));
    EXPECT_EQ(FormatProductVersion(untouched), L"9.9.9.9");
}

TEST(ProductPlan, OnlyMERUDispInstalled) {
    PlanFolders f;
    PutFile(f.root.Path(), L"MERUDisp\\Disp.xml", "<disp/>");
    PutFile(f.root.Path(), L"MERUDisp\\Disp.ini", "ini");
    PutNewLog(f.root.Path(), L"MERUDisp\\BadDisp");
    PutNewLog(f.root.Path(), L"MERUDisp\\LogSSL");
    PutConfigurator(f.root.Path(), L"disp");

    f.Walk();

    EXPECT_EQ(ListTree(f.mirror),
              Lines({"MERUDisp\\", "MERUDisp\\BadDisp\\", "MERUDisp\\BadDisp\\BadDisp.log",
                     "MERUDisp\\Disp.xml", "MERUDisp\\LogSSL\\", "MERUDisp\\LogSSL\\LogSSL.log",
                     "MERUDisp\\Struct.XML", "MERUDisp\\Version.txt"}));
    // The export wrote through the double backslash, and nothing was copied
    // over it: the installation has no Struct.XML of its own.
    EXPECT_EQ(ReadBytes(f.mirror + L"MERUDisp\\Struct.XML"),
              StandInExport("MERUDispCfg.exe", "disp"));
    EXPECT_EQ(f.CommandLog(L"MERUDisp"), f.ExpectedLog(L"MERUDisp", L"MERUDispCfg.exe"));
    EXPECT_EQ(
        ReadBytes(f.mirror + L"MERUDisp\\Version.txt").rfind("MERUDispCfg.exe\tv4.7.2.0\t", 0), 0u);
    EXPECT_EQ(f.ui.Problems(), std::vector<Fact>{});
}

TEST(ProductPlan, InstalledStructXmlReplacesTheExport) {
    PlanFolders f;
    PutFile(f.root.Path(), L"MERUDisp\\Struct.XML", "installed");
    PutConfigurator(f.root.Path(), L"disp");

    f.Walk();

    EXPECT_EQ(ReadBytes(f.mirror + L"MERUDisp\\Struct.XML"), "installed");
    EXPECT_FALSE(f.CommandLog(L"MERUDisp").empty());
    // Once with the configuration, once after the export.
    EXPECT_EQ(f.ProgressCount(f.mirror + L"MERUDisp\\Struct.XML"), 2u);
}

TEST(ProductPlan, ConfiguratorThatCannotStartSkipsItsStructXmlCopy) {
    PlanFolders f;
    PutFile(f.root.Path(), L"MERUDisp\\Struct.XML", "installed");

    f.Walk();

    EXPECT_EQ(ListTree(f.mirror),
              Lines({"MERUDisp\\", "MERUDisp\\Struct.XML", "MERUDisp\\Version.txt"}));
    EXPECT_EQ(f.ProgressCount(f.mirror + L"MERUDisp\\Struct.XML"), 1u);
    // Passed over without a word, but not without a trace.
    const std::vector<RunEvent> refused = f.ui.OfKind(RunEventKind::ProgramNotStarted);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].Role(), ProgramRole::Configurator);
    EXPECT_EQ(refused[0].Code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(f.ui.Problems().size(), 1u);
}

TEST(ProductPlan, DomainExportDependsOnTheConfiguratorsVersion) {
    struct Case {
        const wchar_t* variant; // nullptr: no configurator at all
        bool exports;
    };
    const Case cases[] = {
        {L"4.7.2.0", false},   {L"4.7.2.1", true},    {L"4.8.0.0", true},
        {L"4.6.300.0", false}, {L"noversion", false}, {nullptr, false},
    };
    for (const Case& c : cases) {
        const std::string name = c.variant ? Utf8(c.variant) : "none";
        PlanFolders f;
        PutFile(f.root.Path(), L"MERUDomain\\Domain.xml", "<domain/>");
        PutNewLog(f.root.Path(), L"MERUDomain\\Logs\\Web");
        if (c.variant)
            PutConfigurator(f.root.Path(), c.variant);

        f.Walk();

        std::vector<std::string> expected = {"MERUDomain\\",
                                             "MERUDomain\\Domain.xml",
                                             "MERUDomain\\Logs\\",
                                             "MERUDomain\\Logs\\Web\\",
                                             "MERUDomain\\Logs\\Web\\Web.log",
                                             "MERUDomain\\Version.txt"};
        if (c.exports)
            expected.push_back("MERUDomain\\Struct.XML");
        EXPECT_EQ(ListTree(f.mirror), Lines(expected)) << name;
        if (c.exports) {
            EXPECT_EQ(f.CommandLog(L"MERUDomain"),
                      f.ExpectedLog(L"MERUDomain", L"MERUDomainCfg.exe"))
                << name;
            EXPECT_EQ(ReadBytes(f.mirror + L"MERUDomain\\Struct.XML"),
                      StandInExport("MERUDomainCfg.exe", name))
                << name;
        } else {
            EXPECT_EQ(f.CommandLog(L"MERUDomain"), "") << name;
        }
        EXPECT_EQ(f.ui.Problems(), std::vector<Fact>{}) << name;
    }
}

TEST(ProductPlan, FileInPlaceOfTheDomainLogsMirrorSkipsTheLogsButNotTheExport) {
    PlanFolders f;
    PutFile(f.root.Path(), L"MERUDomain\\Domain.xml", "<domain/>");
    PutNewLog(f.root.Path(), L"MERUDomain\\Logs\\Bad");
    PutNewLog(f.root.Path(), L"MERUDomain\\Logs\\User");
    PutConfigurator(f.root.Path(), L"4.8.0.0");
    MakeFolder(f.mirror + L"MERUDomain");
    f.own.Add(f.mirror + L"MERUDomain\\"); // as the configuration copy made it
    WriteBytes(f.mirror + L"MERUDomain\\Logs", "in the way");

    f.Walk();

    EXPECT_EQ(f.ui.Problems(),
              (std::vector<Fact>{{RunEventKind::FolderNotCreated, f.mirror + L"MERUDomain\\Logs\\",
                                  ERROR_ALREADY_EXISTS}}));
    EXPECT_EQ(ListTree(f.mirror),
              Lines({"MERUDomain\\", "MERUDomain\\Domain.xml", "MERUDomain\\Logs",
                     "MERUDomain\\Struct.XML", "MERUDomain\\Version.txt"}));
    EXPECT_EQ(ReadBytes(f.mirror + L"MERUDomain\\Logs"), "in the way");
    EXPECT_EQ(f.CommandLog(L"MERUDomain"), f.ExpectedLog(L"MERUDomain", L"MERUDomainCfg.exe"));
    // The report comes after the configuration copy and before the export.
    const auto at = [&](const std::wstring& entry) {
        return static_cast<size_t>(std::find(f.ui.trail.begin(), f.ui.trail.end(), entry) -
                                   f.ui.trail.begin());
    };
    const auto copied = at(f.mirror + L"MERUDomain\\Domain.xml");
    const auto refused =
        at(TrailEntry(RunEventKind::FolderNotCreated, f.mirror + L"MERUDomain\\Logs\\"));
    const auto exported = at(TrailEntry(
        RunEventKind::ProgramStarted,
        ConfiguratorCommandLine(f.root.Path(), f.mirror, L"MERUDomain", L"MERUDomainCfg.exe")));
    EXPECT_LT(copied, refused);
    EXPECT_LT(refused, exported);
    EXPECT_LT(exported, f.ui.trail.size());
}

TEST(ProductPlan, MERUUpdateWithoutBadUpdateAndCommonWithOnlyMultiProgLogs) {
    PlanFolders f;
    PutFile(f.root.Path(), L"MERUUpdate\\Update.ini", "ini");
    PutFile(f.root.Path(), L"Common\\MultiProgLogs\\old.log", "old", kOldYear, kOldMonth, kOldDay);
    PutFile(f.root.Path(), L"Common\\MultiProgLogs\\older.log", "older", 2019, 5, 5);

    f.Walk();

    EXPECT_EQ(ListTree(f.mirror),
              Lines({"Common\\", "Common\\MultiProgLogs\\", "Common\\MultiProgLogs\\old.log",
                     "Common\\Version.txt", "MERUUpdate\\", "MERUUpdate\\Version.txt"}));
    EXPECT_EQ(ReadBytes(f.mirror + L"Common\\Version.txt"), "");
    EXPECT_EQ(ReadBytes(f.mirror + L"MERUUpdate\\Version.txt"), "");
    EXPECT_EQ(ReadBytes(f.mirror + L"Common\\MultiProgLogs\\old.log"), "old");
    // The only log was the fallback copy, which shows no progress.
    EXPECT_TRUE(f.ui.Quiet());
}

TEST(ProductPlan, RootWithoutAnyOfThePlansFolders) {
    PlanFolders f;
    PutFile(f.root.Path(), L"Other\\Other.xml", "<other/>");
    PutNewLog(f.root.Path(), L"Other\\BadUpdate");

    f.Walk();

    EXPECT_EQ(ListTree(f.mirror), "");
    EXPECT_TRUE(f.ui.Quiet());
}

TEST(ProductPlan, DeepMirrorBaseStillGetsTheExport) {
    PlanFolders f;
    PutConfigurator(f.root.Path(), L"disp");
    // A mirror base that alone is longer than the old 260-character line.
    std::wstring deep = f.out.Path();
    for (int i = 0; i < 12; ++i) {
        deep += L"level_" + std::to_wstring(i) + L"_abcdefghijklmnopqrstuvwxyz\\";
        MakeFolder(deep);
    }
    ASSERT_GT(deep.size(), 300u);
    f.mirror = deep + L"MERUDrv\\";
    MakeFolder(f.mirror);

    f.Walk();

    EXPECT_EQ(f.CommandLog(L"MERUDisp"), f.ExpectedLog(L"MERUDisp", L"MERUDispCfg.exe"));
    EXPECT_EQ(ReadBytes(f.mirror + L"MERUDisp\\Struct.XML"),
              StandInExport("MERUDispCfg.exe", "disp"));
}

TEST(ProductPlan, RootWithABlankNeverStartsAProgramTheBlankCutsThePathAt) {
    // C:\...\MERU Suite\ as the root and C:\...\MERU.exe beside it: the
    // system must not take the configurator's path up to the blank.
    TempFolder sites(L"sites");
    const std::wstring root = sites.Path() + L"MERU Suite\\";
    MakeFolder(root);
    ASSERT_TRUE(::CopyFileW(ConfiguratorInBuild(L"disp").c_str(),
                            (sites.Path() + L"MERU.exe").c_str(), TRUE));
    PutConfigurator(root, L"disp");
    PutConfigurator(root, L"4.8.0.0");
    TempFolder out(L"out");
    const std::wstring mirror = out.Path() + L"MERUDrv\\";
    MakeFolder(mirror);
    RecordingUi ui;
    const RunSettings settings = TestRunSettings(out.Path());
    OwnFolders own;
    own.Add(mirror);

    WalkProductPlan({root, out.Path(), mirror, PlanStartDate(), settings, own, ui});

    EXPECT_EQ(ListFolder(sites.Path()), L"MERU Suite/ MERU.exe");
    // Each configurator got its command line as composed, byte for byte:
    // the path unquoted, blank and double backslash included.
    for (const auto& [folder, program] :
         {std::pair<std::wstring, std::wstring>{L"MERUDisp", L"MERUDispCfg.exe"},
          {L"MERUDomain", L"MERUDomainCfg.exe"}}) {
        EXPECT_EQ(ReadBytes(root + folder + L"\\commandline.log"),
                  Utf8(ConfiguratorCommandLine(root, mirror, folder, program)) + "\r\n");
        EXPECT_TRUE(Exists(mirror + folder + L"\\Struct.XML"));
    }
    EXPECT_EQ(ui.Problems(), std::vector<Fact>{});
}

TEST(ProductPlan, ConfiguratorThatNeverEndsIsEndedAtTheLimitAndTheWalkGoesOn) {
    PlanFolders f;
    PutFile(f.root.Path(), L"MERUDisp\\Struct.XML", "installed");
    PutNewLog(f.root.Path(), L"MERUDisp\\LogSSL");
    PutFolder(f.root.Path(), L"MERUDisp");
    // The stand-in that never ends (nor does the copy of itself it starts),
    // under the configurator's name.
    ASSERT_TRUE(::CopyFileW((TestProgramFolder() + L"NeverEnds.exe").c_str(),
                            (f.root.Path() + L"MERUDisp\\MERUDispCfg.exe").c_str(), TRUE));
    PutConfigurator(f.root.Path(), L"4.8.0.0");
    PutFile(f.root.Path(), L"Kavmon\\Kavmon.Bad", "bad");

    const ULONGLONG started = ::GetTickCount64();
    f.settings.waitLimits.configuratorMs = 3000;
    f.Walk();
    const ULONGLONG elapsed = ::GetTickCount64() - started;

    EXPECT_GE(elapsed, 3000u);
    EXPECT_LT(elapsed, 120 * 1000u);
    EXPECT_TRUE(NoProcessLeft(L"MERUDispCfg.exe", 10 * 1000));
    const std::wstring line =
        ConfiguratorCommandLine(f.root.Path(), f.mirror, L"MERUDisp", L"MERUDispCfg.exe");
    ASSERT_EQ(f.ui.Problems(), (std::vector<Fact>{{RunEventKind::ProgramEndedAtLimit, line}}));
    EXPECT_EQ(f.ui.OfKind(RunEventKind::ProgramEndedAtLimit)[0].Output(),
              f.mirror + L"MERUDisp\\Struct.XML");
    // The installed Struct.XML made whole what the export left.
    EXPECT_TRUE(f.ui.OfKind(RunEventKind::OutputIncomplete).empty());
    // The rest of the row and of the plan: the installed Struct.XML, export B,
    // the single file and the inventories.
    EXPECT_EQ(ReadBytes(f.mirror + L"MERUDisp\\Struct.XML"), "installed");
    EXPECT_EQ(f.CommandLog(L"MERUDomain"), f.ExpectedLog(L"MERUDomain", L"MERUDomainCfg.exe"));
    EXPECT_EQ(ListTree(f.mirror),
              Lines({"Kavmon\\", "Kavmon\\Kavmon.Bad", "Kavmon\\Version.txt", "MERUDisp\\",
                     "MERUDisp\\LogSSL\\", "MERUDisp\\LogSSL\\LogSSL.log", "MERUDisp\\Struct.XML",
                     "MERUDisp\\Version.txt", "MERUDomain\\", "MERUDomain\\Logs\\",
                     "MERUDomain\\Struct.XML", "MERUDomain\\Version.txt"}));
    const std::vector<std::wstring> shown = f.ui.Paths(RunEventKind::ProgramStarted);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), line);
}
