#include "collect/CollectFixture.h"
#include "collect/CrashReports.h"
#include "collect/DrivesFile.h"
#include "collect/ProcessesFile.h"
#include "collect/ServicesFile.h"
#include "support/SampleTree.h"
#include "win/ErrorReport.h"
#include "win/Module.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>

namespace {
std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos;
         start = at + separator.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

// The table written to `path` and read back as cells (after the mark, up to
// the last CR LF), each line with as many columns as the header.
std::vector<std::vector<std::string>> Written(const MachineTable& table, const std::wstring& path) {
    EXPECT_EQ(WriteMachineTable(path, table), 0u);
    const std::string text = ReadBytes(path);
    std::vector<std::vector<std::string>> lines;
    for (const std::string& line : Split(text.substr(3, text.size() - 5), "\r\n")) {
        lines.push_back(Split(line, "\t"));
        EXPECT_EQ(lines.back().size(), lines.front().size()) << line;
    }
    return lines;
}

bool Before(const std::string& left, const std::string& right) {
    const std::wstring l(left.begin(), left.end()), r(right.begin(), right.end());
    return ::CompareStringOrdinal(l.c_str(), -1, r.c_str(), -1, TRUE) == CSTR_LESS_THAN;
}

// Rows `from` on sorted by column `column`'s last path component.
void ExpectSortedByName(const std::vector<std::vector<std::string>>& rows, size_t from,
                        size_t column) {
    for (size_t i = from + 1; i < rows.size(); ++i) {
        const std::string previous =
            rows[i - 1][column].substr(rows[i - 1][column].rfind('\\') + 1);
        const std::string current = rows[i][column].substr(rows[i][column].rfind('\\') + 1);
        EXPECT_FALSE(Before(current, previous)) << current << " after " << previous;
    }
}
} // namespace

// The real lists of this machine. The test program lies under its own
// folder, taken here as the installation root: the suite's only process.
TEST(MachineState, ProcessesAndServicesFilesTheSuitesFirstThenByName) {
    TempFolder out;
    const std::wstring root = TestProgramFolder();
    const ProcessList processes = ReadProcesses(root);
    EXPECT_EQ(processes.error, 0u);
    const auto rows = Written(ProcessTable(processes), out.Path() + L"processes.txt");
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"process id", "parent id", "started", "processor seconds",
                                        "working set KiB", "private KiB", "threads", "session",
                                        "suite", "image"}));
    EXPECT_EQ(rows[1][0], std::to_string(::GetCurrentProcessId()));
    EXPECT_EQ(rows[1][8], "yes");
    EXPECT_EQ(rows[1][9], Utf8(ModuleFileName(nullptr)));
    EXPECT_EQ(rows[1][2].size(), 19u) << rows[1][2]; // 2026-12-08 14:00:14
    EXPECT_GT(std::stoul(rows[1][4]), 0u);
    EXPECT_GE(std::stoul(rows[1][6]), 1u);
    EXPECT_EQ(rows[2][8], "no");
    ExpectSortedByName(rows, 2, 9);

    const ServiceList services = ReadServices(root);
    EXPECT_EQ(services.error, 0u);
    const auto serviceRows = Written(ServiceTable(services), out.Path() + L"services.txt");
    ASSERT_GE(serviceRows.size(), 3u);
    EXPECT_EQ(serviceRows[0],
              (std::vector<std::string>{"name", "display name", "state", "start type", "process id",
                                        "account", "suite", "binary path"}));
    for (size_t i = 1; i < serviceRows.size(); ++i)
        EXPECT_EQ(serviceRows[i][6], "no") << serviceRows[i][0];
    ExpectSortedByName(serviceRows, 1, 0);
}

TEST(MachineState, TheFileKeepsEachRowOnItsLineAndSaysWhatCouldNotBeRead) {
    TempFolder out;
    MachineTable table;
    table.header = {L"name", L"display name"};
    table.rows = {{L"Svc", L"Два\tслова\r\nи строка"}};
    table.unreadCode = ERROR_ACCESS_DENIED;
    table.unreadWhat = L"services could not be listed";
    ASSERT_EQ(WriteMachineTable(out.Path() + L"services.txt", table), 0u);
    EXPECT_EQ(ReadBytes(out.Path() + L"services.txt"),
              "\xEF\xBB\xBFname\tdisplay name\r\n" +
                  Utf8(ComposeSystemErrorText(table.unreadWhat, ERROR_ACCESS_DENIED)) +
                  "\r\nSvc\t" + Utf8(L"Два слова  и строка") + "\r\n");
    // A new file only: whatever is there is not the run's.
    EXPECT_EQ(WriteMachineTable(out.Path() + L"services.txt", table),
              static_cast<DWORD>(ERROR_FILE_EXISTS));
}

TEST(MachineState, SuiteMembershipIsTheInstallationRootInAnyCaseQuotedOrNot) {
    const struct {
        const wchar_t* path;
        const wchar_t* root;
        bool under;
    } cases[] = {
        {L"C:\\MERU\\MERUDrv\\MERUDrv.exe", L"C:\\MERU\\", true},
        {L"\"c:\\meru\\Svc Host\\svc.exe\" -service", L"C:\\MERU\\", true},
        {L"C:\\MERU\\svc.exe -k group", L"C:\\MERU\\", true},
        {L"C:\\MERU2\\x.exe", L"C:\\MERU\\", false},
        {L"C:\\MERU\\", L"C:\\MERU\\", false},
        {L"D:\\MERU\\x.exe", L"C:\\MERU\\", false},
        {L"C:\\x.exe", L"C:", true},
        {L"", L"C:\\MERU\\", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LiesUnder(c.path, c.root), c.under) << Utf8(c.path) << " " << Utf8(c.root);
}

// A drive that never answers costs the bound and no more; its worker,
// released later, finishes on its own.
TEST(MachineState, ADriveThatNeverAnswersIsLeftAfterTheBound) {
    struct Blocked {
        KernelHandle release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        std::atomic<bool> returned{false};
    };
    const auto blocked = std::make_shared<Blocked>();
    const DriveQuery query = [blocked](const std::wstring& root) {
        if (root != L"X:\\")
            return QueryDrive(root);
        ::WaitForSingleObject(blocked->release.Get(), INFINITE);
        blocked->returned = true;
        return DriveAnswer{};
    };
    RecordingUi ui;
    const auto started = std::chrono::steady_clock::now();
    const std::vector<DriveFacts> drives = AskDrives({L"C:\\", L"X:\\"}, query, 500, ui);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(450));
    EXPECT_LT(took, std::chrono::seconds(20)); // the bound, with room for a busy machine
    EXPECT_GT(ui.paintPasses, 0u);
    ASSERT_EQ(drives.size(), 2u);
    ASSERT_TRUE(drives[0].answer.has_value());
    EXPECT_GT(drives[0].answer->total, 0u);
    EXPECT_EQ(drives[0].type, static_cast<UINT>(DRIVE_FIXED));
    EXPECT_FALSE(drives[1].answer.has_value());
    DriveList list;
    list.drives = drives;
    list.boundMs = 500;
    EXPECT_EQ(DriveTable(list).rows[1].back(), L"none within 0.5 s");

    ::SetEvent(blocked->release.Get());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!blocked->returned && std::chrono::steady_clock::now() < deadline)
        ::Sleep(10);
    EXPECT_TRUE(blocked->returned);
}

// Dumps of the suite from the start day on, the newest first, within the
// cap; report folders of the suite's programs whole. Real files, small sizes.
// Another program's reports and dumps, and those from before the start day,
// are the end-to-end case's (test_machine), where the real places are read.
class CrashCopy : public CollectFixture {
  protected:
    void PutDump(const std::wstring& name, size_t size, int day, int hour) {
        WriteBytes(dumps + name, std::string(size, 'd'));
        SetLastWriteLocal(dumps + name, 2024, 3, day, hour, 0, 0);
    }
    // A report folder written on `day`, with its Report.wer naming `program`.
    void PutReport(const std::wstring& name, const wchar_t* program, int day) {
        MakeFolder(reports + name);
        if (program != nullptr) {
            const std::wstring text = L"\xFEFFVersion=1\r\nAppPath=C:\\Suite\\" +
                                      std::wstring(program) + L"\r\nAppName=x\r\n";
            WriteBytes(reports + name + L"\\Report.wer",
                       std::string(reinterpret_cast<const char*>(text.data()),
                                   text.size() * sizeof(wchar_t)));
        }
        MakeFolder(reports + name + L"\\Inner");
        WriteBytes(reports + name + L"\\Inner\\memory.hdmp", "h");
        SetLastWriteLocal(reports + name, 2024, 3, day, 12, 0, 0);
    }

    const std::wstring dumps = m_temp.Path() + L"CrashDumps\\";
    const std::wstring reports = m_temp.Path() + L"ReportArchive\\";
};

TEST_F(CrashCopy, TheSuitesReportsWholeAndItsNewestDumpsWithinTheCap) {
    MakeFolder(dumps);
    MakeFolder(reports);
    PutDump(L"MERUDrv.exe.11.dmp", 70, 5, 11); // the newest: copied, 30 left
    PutDump(L"MERUDrv.exe.10.dmp", 40, 5, 10); // more than is left: named only
    PutDump(L"merudisp.exe.12.dmp", 20, 5, 9); // fits in what is left
    PutDump(L"MERUDrv.exe.14.dmp", 5, 1, 0);   // on the start day, at midnight
    PutDump(L"MERUDrv.exe.dmp", 5, 5, 12);     // not <program>.<pid>.dmp
    PutReport(L"AppCrash_MERUDrv.exe_1f2e", L"MERUDrv.exe", 5);
    PutReport(L"AppHang_MERUDisp.exe_77a1_0b", nullptr, 5); // no report file: named by the folder
    PutReport(L"Kernel_MERUDrv.exe_5a5a", L"MERUDrv.exe", 5);

    const std::vector<CrashPlace> places = {
        {CrashPlaceKind::ReportFolders, reports, L"Machine\\ReportArchive"},
        {CrashPlaceKind::Dumps, dumps, L"User\\CrashDumps"},
    };
    CopyCrashReports(Context(PlanStartDate()), places, {L"MERUDRV.EXE", L"MERUDISP.EXE"}, 100);

    EXPECT_EQ(
        ListTree(datedFolder + L"Crashes\\"),
        Lines({"Machine\\", "Machine\\ReportArchive\\",
               "Machine\\ReportArchive\\AppCrash_MERUDrv.exe_1f2e\\",
               "Machine\\ReportArchive\\AppCrash_MERUDrv.exe_1f2e\\Inner\\",
               "Machine\\ReportArchive\\AppCrash_MERUDrv.exe_1f2e\\Inner\\memory.hdmp",
               "Machine\\ReportArchive\\AppCrash_MERUDrv.exe_1f2e\\Report.wer",
               "Machine\\ReportArchive\\AppHang_MERUDisp.exe_77a1_0b\\",
               "Machine\\ReportArchive\\AppHang_MERUDisp.exe_77a1_0b\\Inner\\",
               "Machine\\ReportArchive\\AppHang_MERUDisp.exe_77a1_0b\\Inner\\memory.hdmp", "User\\",
               "User\\CrashDumps\\", "User\\CrashDumps\\MERUDrv.exe.11.dmp",
               "User\\CrashDumps\\MERUDrv.exe.14.dmp", "User\\CrashDumps\\merudisp.exe.12.dmp"}));
    EXPECT_EQ(ui.Problems(), std::vector<Fact>{});
    // Each report with what was copied of it, in the platform's order.
    std::map<std::wstring, unsigned long long> reported;
    for (const RunEvent& event : ui.OfKind(RunEventKind::CrashReportCopied))
        reported[event.Path()] = event.Tally().files;
    EXPECT_EQ(reported, (std::map<std::wstring, unsigned long long>{
                            {reports + L"AppCrash_MERUDrv.exe_1f2e\\", 2},
                            {reports + L"AppHang_MERUDisp.exe_77a1_0b\\", 1}}));
    EXPECT_EQ(
        ui.Paths(RunEventKind::CrashDumpCopied),
        (std::vector<std::wstring>{dumps + L"MERUDrv.exe.11.dmp", dumps + L"merudisp.exe.12.dmp",
                                   dumps + L"MERUDrv.exe.14.dmp"}));
    ASSERT_EQ(ui.Paths(RunEventKind::CrashDumpLeftOut),
              std::vector<std::wstring>{dumps + L"MERUDrv.exe.10.dmp"});
    EXPECT_EQ(ui.OfKind(RunEventKind::CrashDumpLeftOut)[0].Tally().bytes, 40u);
}
