#include "support/SampleTree.h"

#include "collect/CollectionRun.h"
#include "collect/ProductPlan.h"
#include "collect/SnapshotFiles.h"
#include "support/RecordingUi.h"
#include "support/TestFiles.h"
#include "collect/RunArchive.h"
#include "win/Module.h"
#include "win/SystemFacts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char* const kSnapshotFiles[] = {"ReadMe.txt",   "WindowVersion.txt", "arp.txt",  "files.tree",
                                      "ipconfig.txt", "netstat.txt",       "route.txt"};

// Every product of the plan, each log folder with one log written after the
// start date, and a few that test the choice of logs on the way.
void BuildFullInstallation(const std::wstring& root) {
    const std::wstring program = ConfiguratorInBuild(L"noversion");
    auto putProgram = [&](const std::wstring& path) {
        PutFolder(root, path.substr(0, path.find_last_of(L'\\')));
        ASSERT_TRUE(::CopyFileW(program.c_str(), (root + path).c_str(), FALSE));
    };

    PutFile(root, L"MERUDrv\\Drv.xml", "<drv/>");
    PutFile(root, L"MERUDrv\\Drv.ini", "not collected");
    putProgram(L"MERUDrv\\MERUDrv.exe");
    for (const wchar_t* log :
         {L"BadClb", L"BadCll", L"BadDrv", L"BadStub", L"LogClb", L"LogCll", L"LogDrv"})
        PutNewLog(root, std::wstring(L"MERUDrv\\") + log);
    PutFile(root, L"MERUDrv\\BadClb\\old.log", "old", kOldYear, kOldMonth, kOldDay);
    // Only old logs: the newest one alone is taken.
    PutFile(root, L"MERUDrv\\LogRem\\a.log", "a", 2020, 1, 1);
    PutFile(root, L"MERUDrv\\LogRem\\b.log", "b", 2020, 2, 1);

    PutFile(root, L"MERUPro\\Pro.xml", "<pro/>");
    PutNewLog(root, L"MERUPro\\BadPro");
    PutNewLog(root, L"MERUPro\\LogPro");

    PutFile(root, L"MERUDisp\\Disp.xml", "<disp/>");
    PutFile(root, L"MERUDisp\\Struct.XML", "installed disp struct");
    PutConfigurator(root, L"disp");
    for (const wchar_t* log : {L"BadDisp", L"LogDispDrv", L"LogDispRmt", L"LogEMail", L"LogGCM",
                               L"LogFCM", L"LogSMS", L"LogSSL"})
        PutNewLog(root, std::wstring(L"MERUDisp\\") + log);

    PutFile(root, L"MERUDomain\\Domain.xml", "<domain/>");
    PutConfigurator(root, L"4.8.0.0");
    for (const wchar_t* log : {L"Bad", L"EMail", L"GCM", L"FCM", L"Http", L"LU", L"OpcUa", L"SMS",
                               L"SSL", L"Stub", L"User", L"Web"})
        PutNewLog(root, std::wstring(L"MERUDomain\\Logs\\") + log);

    PutFile(root, L"Ulvar\\Ulvar.xml", "<ulvar/>");
    PutFile(root, L"Ulvar\\Ulvar.bad", "ulvar bad");
    PutNewLog(root, L"Ulvar\\LogUlvarRmt");
    PutNewLog(root, L"Ulvar\\LogUlvarBad");

    PutNewLog(root, L"MERUProt\\BadProt"); // no configuration files

    PutFile(root, L"MERUSms\\Sms.xml", "<sms/>");
    PutNewLog(root, L"MERUSms\\BadSms");
    PutNewLog(root, L"MERUSms\\LogSms");

    PutFile(root, L"Kavmon\\Kavmon.xml", "<kavmon/>");
    PutFile(root, L"Kavmon\\Kavmon.Bad", "kavmon bad");

    putProgram(L"Common\\Common.dll");
    PutNewLog(root, L"Common\\MultiProgLogs");
    putProgram(L"MERUMsg\\Msg.exe");
    PutFolder(root, L"Sefrin");
    putProgram(L"Setup\\Setup.exe");
    putProgram(L"MERUUpdate\\Update.exe");
    PutNewLog(root, L"MERUUpdate\\BadUpdate");
}

std::vector<std::string> FullMirror() {
    std::vector<std::string> lines = {"Common\\",
                                      "Common\\MultiProgLogs\\",
                                      "Common\\MultiProgLogs\\MultiProgLogs.log",
                                      "Common\\Version.txt",
                                      "Kavmon\\",
                                      "Kavmon\\Kavmon.Bad",
                                      "Kavmon\\Kavmon.xml",
                                      "Kavmon\\Version.txt",
                                      "MERUDisp\\",
                                      "MERUDisp\\Disp.xml",
                                      "MERUDisp\\Struct.XML",
                                      "MERUDisp\\Version.txt",
                                      "MERUDomain\\",
                                      "MERUDomain\\Domain.xml",
                                      "MERUDomain\\Logs\\",
                                      "MERUDomain\\Struct.XML",
                                      "MERUDomain\\Version.txt",
                                      "MERUDrv\\",
                                      "MERUDrv\\Drv.xml",
                                      "MERUDrv\\LogRem\\",
                                      "MERUDrv\\LogRem\\b.log",
                                      "MERUDrv\\Version.txt",
                                      "MERUMsg\\",
                                      "MERUMsg\\Version.txt",
                                      "MERUPro\\",
                                      "MERUPro\\Pro.xml",
                                      "MERUPro\\Version.txt",
                                      "MERUProt\\",
                                      "MERUProt\\BadProt\\",
                                      "MERUProt\\BadProt\\BadProt.log",
                                      "MERUProt\\Version.txt",
                                      "MERUSms\\",
                                      "MERUSms\\Sms.xml",
                                      "MERUSms\\Version.txt",
                                      "MERUUpdate\\",
                                      "MERUUpdate\\BadUpdate\\",
                                      "MERUUpdate\\BadUpdate\\BadUpdate.log",
                                      "MERUUpdate\\Version.txt",
                                      "Sefrin\\",
                                      "Sefrin\\Version.txt",
                                      "Setup\\",
                                      "Setup\\Version.txt",
                                      "Ulvar\\",
                                      "Ulvar\\LogUlvarBad\\",
                                      "Ulvar\\LogUlvarBad\\LogUlvarBad.log",
                                      "Ulvar\\LogUlvarRmt\\",
                                      "Ulvar\\LogUlvarRmt\\LogUlvarRmt.log",
                                      "Ulvar\\Ulvar.bad",
                                      "Ulvar\\Ulvar.xml",
                                      "Ulvar\\Version.txt"};
    auto addLogs = [&](const std::string& parent, std::initializer_list<const char*> logs) {
        for (const char* log : logs) {
            lines.push_back(parent + log + "\\");
            lines.push_back(parent + log + "\\" + log + ".log");
        }
    };
    addLogs("MERUDrv\\", {"BadClb", "BadCll", "BadDrv", "BadStub", "LogClb", "LogCll", "LogDrv"});
    addLogs("MERUPro\\", {"BadPro", "LogPro"});
    addLogs("MERUDisp\\", {"BadDisp", "LogDispDrv", "LogDispRmt", "LogEMail", "LogGCM", "LogFCM",
                           "LogSMS", "LogSSL"});
    addLogs("MERUDomain\\Logs\\", {"Bad", "EMail", "GCM", "FCM", "Http", "LU", "OpcUa", "SMS",
                                   "SSL", "Stub", "User", "Web"});
    addLogs("MERUSms\\", {"BadSms", "LogSms"});
    return lines;
}

// The folders that the progress line went through, in order, each run of
// files in one folder counted once; relative to the mirror base. A program
// being waited for stands as its command line.
std::vector<std::wstring> ProgressFolders(const std::vector<std::wstring>& trail,
                                          const std::wstring& mirror) {
    const std::wstring started = TrailEntry(RunEventKind::ProgramStarted, L"");
    std::vector<std::wstring> folders;
    for (const std::wstring& path : trail) {
        if (path.compare(0, started.size(), started) == 0) {
            folders.push_back(path.substr(started.size()));
            continue;
        }
        if (path.compare(0, mirror.size(), mirror) != 0)
            continue;
        const std::wstring relative = path.substr(mirror.size());
        const std::wstring folder = relative.substr(0, relative.find_last_of(L'\\'));
        if (folders.empty() || folders.back() != folder)
            folders.push_back(folder);
    }
    return folders;
}

} // namespace

TEST(WholeRun, EveryProductInstalled) {
    TempFolder root(L"suite");
    BuildFullInstallation(root.Path());
    TempFolder commandFolder(L"cmd");
    RecordingUi ui;
    CollectionRequest request;
    request.installationRoot = root.Path();
    request.startDate = PlanStartDate();
    request.description = L"Лифт 3 стоит\r\nс утра";
    request.settings = TestRunSettings(commandFolder.Path());

    ASSERT_TRUE(RunCollection(request, ui));

    const std::wstring dated = root.Path() + L"2024_03_01\\";
    const std::wstring mirror = dated + L"MERUDrv\\";
    for (const char* name : kSnapshotFiles)
        EXPECT_TRUE(Exists(dated + std::wstring(name, name + strlen(name)))) << name;
    EXPECT_EQ(ListFolder(dated), L"MERUDrv/ ReadMe.txt " +
                                     ArchiveName(ComputerName(), PlanStartDate()) +
                                     L" WindowVersion.txt arp.txt drives.txt files.tree "
                                     L"ipconfig.txt netstat.txt processes.txt route.txt "
                                     L"services.txt");
    EXPECT_EQ(ListTree(mirror), Lines(FullMirror()));

    // Contents that show who wrote them: the installation's own Struct.XML
    // over export A, export B where the installation has none.
    EXPECT_EQ(ReadBytes(mirror + L"MERUDisp\\Struct.XML"), "installed disp struct");
    EXPECT_EQ(ReadBytes(mirror + L"MERUDomain\\Struct.XML"),
              StandInExport("MERUDomainCfg.exe", "4.8.0.0"));
    EXPECT_EQ(ReadBytes(mirror + L"MERUDrv\\LogRem\\b.log"), "b");
    EXPECT_EQ(ReadBytes(root.Path() + L"MERUDisp\\commandline.log"),
              Utf8(root.Path() + L"\\MERUDisp\\MERUDispCfg.exe -s\"" + mirror +
                   L"\\MERUDisp\\Struct.XML\"") +
                  "\r\n");
    EXPECT_EQ(ReadBytes(root.Path() + L"MERUDomain\\commandline.log"),
              Utf8(root.Path() + L"\\MERUDomain\\MERUDomainCfg.exe -s\"" + mirror +
                   L"\\MERUDomain\\Struct.XML\"") +
                  "\r\n");
    EXPECT_EQ(ReadBytes(mirror + L"MERUMsg\\Version.txt").rfind("Msg.exe\t", 0), 0u);
    EXPECT_EQ(ReadBytes(mirror + L"Sefrin\\Version.txt"), "");

    // The order of the walk, as the progress line saw it.
    std::vector<std::wstring> expectedOrder;
    for (const CaptureCommand& command : kCaptureCommands)
        expectedOrder.push_back(CaptureCommandLine(SystemFolder(), command));
    expectedOrder.insert(
        expectedOrder.end(),
        {L"MERUDrv", L"MERUDrv\\BadClb", L"MERUDrv\\BadCll", L"MERUDrv\\BadDrv",
         L"MERUDrv\\BadStub", L"MERUDrv\\LogClb", L"MERUDrv\\LogCll", L"MERUDrv\\LogDrv",
         // LogRem's only copy is the silent fallback.
         L"MERUPro", L"MERUPro\\BadPro", L"MERUPro\\LogPro", L"MERUDisp", L"MERUDisp\\BadDisp",
         L"MERUDisp\\LogDispDrv", L"MERUDisp\\LogDispRmt", L"MERUDisp\\LogEMail",
         L"MERUDisp\\LogGCM", L"MERUDisp\\LogFCM", L"MERUDisp\\LogSMS", L"MERUDisp\\LogSSL",
         ConfiguratorCommandLine(root.Path(), mirror, L"MERUDisp", L"MERUDispCfg.exe"),
         L"MERUDisp", // Struct.XML after export A
         L"MERUDomain", L"MERUDomain\\Logs\\Bad", L"MERUDomain\\Logs\\EMail",
         L"MERUDomain\\Logs\\GCM", L"MERUDomain\\Logs\\FCM", L"MERUDomain\\Logs\\Http",
         L"MERUDomain\\Logs\\LU", L"MERUDomain\\Logs\\OpcUa", L"MERUDomain\\Logs\\SMS",
         L"MERUDomain\\Logs\\SSL", L"MERUDomain\\Logs\\Stub", L"MERUDomain\\Logs\\User",
         L"MERUDomain\\Logs\\Web",
         ConfiguratorCommandLine(root.Path(), mirror, L"MERUDomain", L"MERUDomainCfg.exe"),
         L"Ulvar", L"Ulvar\\LogUlvarRmt", L"Ulvar\\LogUlvarBad",
         L"Ulvar", // Ulvar.bad
         L"MERUProt\\BadProt", L"MERUSms", L"MERUSms\\BadSms", L"MERUSms\\LogSms", L"Kavmon",
         L"MERUUpdate\\BadUpdate", L"Common\\MultiProgLogs"});
    // The walk ends with the last log folder; packing follows it.
    const auto walkEnd =
        std::find(ui.trail.begin(), ui.trail.end(),
                  TrailEntry(RunEventKind::FolderCollected, L"Common\\MultiProgLogs"));
    ASSERT_NE(walkEnd, ui.trail.end());
    const std::vector<std::wstring> walk(ui.trail.begin(), walkEnd);
    const std::vector<std::wstring> order = ProgressFolders(walk, mirror);
    EXPECT_EQ(order, expectedOrder);
    EXPECT_EQ(walk.back(), mirror + L"Common\\MultiProgLogs\\MultiProgLogs.log");
    // The first time Domain.xml shows is in the walk; packing comes later.
    const std::vector<std::wstring>& progress = ui.progress;
    EXPECT_EQ(
        *std::prev(std::find(progress.begin(), progress.end(), mirror + L"MERUDomain\\Domain.xml")),
        mirror + L"MERUDisp\\Struct.XML");

    EXPECT_EQ(ui.Problems(), std::vector<Fact>{});
    EXPECT_EQ(ui.OfKind(RunEventKind::ProgramEnded).size(), kCaptureCommandCount + 2);
    // What each folder came to: LogRem by its newest log alone ("b").
    const std::vector<RunEvent> collected = ui.OfKind(RunEventKind::FolderCollected);
    const auto logRem = std::find_if(collected.begin(), collected.end(), [](const RunEvent& e) {
        return e.Path() == L"MERUDrv\\LogRem";
    });
    ASSERT_NE(logRem, collected.end());
    EXPECT_TRUE(logRem->FallbackUsed());
    EXPECT_EQ(logRem->Tally().files, 1u);
    EXPECT_EQ(logRem->Tally().bytes, 1u);
    EXPECT_EQ(ui.Paths(RunEventKind::RunSaved), std::vector<std::wstring>{dated});
    // The folder packed last, into the archive of the start day inside it.
    const std::wstring archive = dated + ArchiveName(ComputerName(), PlanStartDate());
    const std::vector<RunEvent> packed = ui.OfKind(RunEventKind::ArchiveWritten);
    ASSERT_EQ(packed.size(), 1u);
    EXPECT_EQ(packed[0].Path(), archive);
    EXPECT_EQ(packed[0].ArchiveSize(), ReadBytes(archive).size());
    EXPECT_EQ(ui.events.back().Archive(), archive);
    EXPECT_EQ(ui.events.back().ArchiveSize(), packed[0].ArchiveSize());
    EXPECT_EQ(ui.events.back().Kind(), RunEventKind::RunSaved);
}

TEST(WholeRun, RootWithNoneOfThePlansFoldersAndBlanksInItsPath) {
    TempFolder root(L"empty suite");
    PutFile(root.Path(), L"Unrelated Folder\\notes.xml", "<notes/>");
    TempFolder commandFolder(L"cmd");
    RecordingUi ui;
    CollectionRequest request;
    request.installationRoot = root.Path();
    request.startDate = PlanStartDate();
    request.description = L"Нет связи";
    request.settings = TestRunSettings(commandFolder.Path());

    ASSERT_TRUE(RunCollection(request, ui));

    const std::wstring dated = root.Path() + L"2024_03_01\\";
    EXPECT_EQ(ListTree(dated),
              Lines({"MERUDrv\\", "ReadMe.txt", Utf8(ArchiveName(ComputerName(), PlanStartDate())),
                     "WindowVersion.txt", "arp.txt", "drives.txt", "files.tree", "ipconfig.txt",
                     "netstat.txt", "processes.txt", "route.txt", "services.txt"}));
    EXPECT_EQ(ReadBytes(dated + L"ReadMe.txt"), "\xCD\xE5\xF2 \xF1\xE2\xFF\xE7\xE8");
    // The five captures, every folder of the plan missing, then the run saved.
    EXPECT_EQ(ui.Problems(), std::vector<Fact>{});
    // Only the packing showed in the progress line.
    for (const std::wstring& path : ui.progress)
        EXPECT_EQ(path.compare(0, dated.size(), dated), 0) << Utf8(path);
    EXPECT_EQ(ui.OfKind(RunEventKind::ProgramEnded).size(), kCaptureCommandCount);
    EXPECT_EQ(ui.OfKind(RunEventKind::FolderCollected).size(), 0u);
    EXPECT_EQ(ui.events.back().Kind(), RunEventKind::RunSaved);
    EXPECT_EQ(ui.events.back().Path(), dated);
}
