#include "ui/OperatorNotice.h"

#include "support/TestFiles.h"
#include "ui/SummaryNotice.h"
#include "win/ErrorReport.h"
#include "win/Handles.h"
#include "win/Module.h"

#include <gtest/gtest.h>

namespace {
using Form = OperatorNotice::Form;

constexpr ProgramRole kCapture = ProgramRole::Capture;

const std::wstring kSummaryEnd =
    L"\r\nПожалуйста, отправьте архив этой папки по адресу " DORVAK_SUPPORT_EMAIL_W L" или "
    L"поместите "
    L"архив на "
    L"сетевой диск "
    L"и отправьте "
    L"ссылку на "
    L"него по "
    L"адресу"
    L" " DORVAK_SUPPORT_EMAIL_W L".";

RunEvent Saved(const std::wstring& dated, const std::wstring& archive, unsigned long long size) {
    return RunEvent::RunSaved(dated, archive, size, FileTally{3, 7});
}
} // namespace

TEST(OperatorNotice, EachOutcomeHasItsTextIconAndCode) {
    struct Case {
        RunEvent event;
        Form form;
        std::wstring text;
        UINT icon;
    };
    const std::wstring dated = L"C:\\Suite\\2019_04_05\\";
    const Case cases[] = {
        {RunEvent::DatedFolderExists(dated), Form::Box,
         L"Папка " + dated +
             L" для сохранения данных уже существует, удалите или переименуйте эту папку",
         MB_ICONERROR},
        {RunEvent::FolderNotCreated(dated + L"MERUDrv\\", ERROR_ACCESS_DENIED), Form::Box,
         ComposeSystemErrorText(L"Ошибка при создании папки " + dated + L"MERUDrv\\",
                                ERROR_ACCESS_DENIED),
         MB_ICONERROR},
        {RunEvent::CopyFailed(L"C:\\Suite\\MERUDisp\\a.xml", ERROR_SHARING_VIOLATION), Form::Box,
         ComposeSystemErrorText(L"Ошибка при копировании файла C:\\Suite\\MERUDisp\\a.xml",
                                ERROR_SHARING_VIOLATION),
         MB_ICONERROR},
        {RunEvent::FileNotWritten(dated + L"ReadMe.txt", ERROR_DISK_FULL), Form::Box,
         ComposeSystemErrorText(L"Ошибка при записи файла " + dated + L"ReadMe.txt",
                                ERROR_DISK_FULL),
         MB_ICONERROR},
        {RunEvent::ProgramNotStarted(kCapture, L"cmd.exe /U /Q /C arp -a", dated + L"arp.txt",
                                     ERROR_FILE_NOT_FOUND),
         Form::Beep, L"", MB_ICONEXCLAMATION},
        {RunEvent::ProgramNotStarted(ProgramRole::Configurator,
                                     L"C:\\Suite\\\\MERUDisp\\MERUDispCfg.exe", L"Struct.XML",
                                     ERROR_FILE_NOT_FOUND),
         Form::None, L"", 0},
        {RunEvent::ProgramEndedAtLimit(kCapture, L"cmd.exe /U /Q /C tree .. /F", L"files.tree",
                                       300000, 12),
         Form::Box, L"Превышено время ожидания завершения программы cmd.exe /U /Q /C tree .. /F",
         MB_ICONERROR},
        {Saved(dated, dated + L"VM_2019_04_05.zip", 2500463), Form::Box,
         L"Сохраненные данные помещены в папку " + dated + L"\r\nАрхив для отправки: " + dated +
             L"VM_2019_04_05.zip (2,4 МБ)" + kSummaryEnd,
         MB_ICONINFORMATION},
        {Saved(dated, dated + L"a.zip", 900), Form::Box,
         L"Сохраненные данные помещены в папку " + dated + L"\r\nАрхив для отправки: " + dated +
             L"a.zip (0,1 МБ)" + kSummaryEnd,
         MB_ICONINFORMATION},
        {Saved(dated, L"", 0), Form::Box,
         L"Сохраненные данные помещены в папку " + dated +
             L"\r\nАрхив создать не удалось: пожалуйста, заархивируйте эту папку сами." +
             kSummaryEnd,
         MB_ICONINFORMATION},
        {RunEvent::FileNotArchived(dated + L"netstat.txt", ERROR_SHARING_VIOLATION), Form::Box,
         ComposeSystemErrorText(L"Ошибка при чтении файла для архива " + dated + L"netstat.txt",
                                ERROR_SHARING_VIOLATION),
         MB_ICONERROR},
        {RunEvent::FolderNotArchived(dated + L"MERUDrv\\", ERROR_CANT_ACCESS_FILE), Form::Box,
         ComposeSystemErrorText(L"Ошибка при чтении файла для архива " + dated + L"MERUDrv\\",
                                ERROR_CANT_ACCESS_FILE),
         MB_ICONERROR},
        {RunEvent::ArchiveStarted(dated + L"VM_2019_04_05.zip"), Form::None, L"", 0},
        {RunEvent::ArchiveWritten(dated + L"VM_2019_04_05.zip", {5, 50}, 40, 9), Form::None, L"",
         0},
        {RunEvent::WrittenInUtf8(dated + L"ReadMe.txt"), Form::None, L"", 0},
        {RunEvent::OutputIncomplete(kCapture, dated + L"arp.txt"), Form::None, L"", 0},
        {RunEvent::DatedFolderCreated(dated), Form::None, L"", 0},
        {RunEvent::ProgramStarted(kCapture, L"cmd.exe", L"arp.txt"), Form::None, L"", 0},
        {RunEvent::ProgramEnded(kCapture, L"cmd.exe", L"arp.txt", 1, 5, 0), Form::None, L"", 0},
        {RunEvent::FolderCollected(L"MERUDisp", {1, 2}, false, 3), Form::None, L"", 0},
        {RunEvent::FolderMissing(L"MERUSms"), Form::None, L"", 0},
        // The machine: nothing the operator could act on is a box.
        {RunEvent::MachineListWritten(MachineList::Services, dated + L"services.txt", 9, 1),
         Form::None, L"", 0},
        {RunEvent::MachineListUnread(MachineList::Services, dated + L"services.txt",
                                     ERROR_ACCESS_DENIED),
         Form::None, L"", 0},
        {RunEvent::DriveNotAnswering(L"Z:\\", 5000), Form::None, L"", 0},
        {RunEvent::CrashReportCopied(L"C:\\ProgramData\\AppCrash_a.exe_1\\", {1, 9}), Form::None,
         L"", 0},
        {RunEvent::CrashDumpCopied(L"C:\\D\\a.exe.1.dmp", 9), Form::None, L"", 0},
        {RunEvent::CrashDumpLeftOut(L"C:\\D\\a.exe.2.dmp", 9), Form::None, L"", 0},
    };
    for (const Case& c : cases) {
        const OperatorNotice notice = NoticeFor(c.event);
        const std::string name = std::to_string(static_cast<int>(c.event.Kind()));
        EXPECT_EQ(notice.form, c.form) << name;
        EXPECT_EQ(Utf8(notice.text), Utf8(c.text)) << name;
        EXPECT_EQ(notice.icon, c.icon) << name;
        EXPECT_EQ(notice.code, c.form == Form::None ? 0u : c.event.Code()) << name;
    }
}

TEST(OperatorNotice, ALibraryWithOnlyTheSuitesOwnTextsLeavesTheProgramsAddedOnesReadable) {
    // The strings the suite's library has always held, and no later one.
    LibraryModule library(
        ::LoadLibraryExW((TestProgramFolder() + L"..\\resdll\\classic\\TelmarRC.dll").c_str(),
                         nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(library);
    SetActiveResourceModule(library.Get());
    const OperatorNotice unwritten = NoticeFor(RunEvent::FileNotWritten(L"C:\\R\\ReadMe.txt", 112));
    const OperatorNotice limit =
        NoticeFor(RunEvent::ProgramEndedAtLimit(kCapture, L"cmd.exe", L"a.txt", 1, 0));
    const OperatorNotice copy = NoticeFor(RunEvent::CopyFailed(L"C:\\R\\a.log", 32));
    const std::wstring made =
        SummaryOf(RunEvent::RunSaved(L"C:\\R\\", L"C:\\R\\VM.zip", 1024 * 1024, FileTally{1, 1}),
                  {})
            .notice.text;
    const std::wstring byHand =
        SummaryOf(RunEvent::RunSaved(L"C:\\R\\", L"", 0, FileTally{1, 1}), {}).notice.text;
    SetActiveResourceModule(nullptr);

    EXPECT_EQ(Utf8(unwritten.text.substr(0, 35)), "Ошибка при записи файла C:\\R\\ReadMe");
    EXPECT_EQ(Utf8(limit.text), "Превышено время ожидания завершения программы cmd.exe");
    EXPECT_EQ(Utf8(copy.text.substr(0, 29)), "Ошибка при копировании файла ");
    EXPECT_NE(Utf8(made).find("\r\nАрхив для отправки: C:\\R\\VM.zip (1,0 МБ)\r\n"),
              std::string::npos)
        << Utf8(made);
    EXPECT_NE(Utf8(byHand).find(
                  "\r\nАрхив создать не удалось: пожалуйста, заархивируйте эту папку сами."),
              std::string::npos)
        << Utf8(byHand);
}

TEST(OperatorNotice, AnInvalidDateReadsAsTheModulesText) {
    EXPECT_EQ(L"Invalid DateTime", InvalidDateText());
    // A resource library that has string IDS_INVALID_DATETIME supplies the text instead.
    LibraryModule library(::LoadLibraryW(PeFile(L"DateText.dll").c_str()));
    ASSERT_TRUE(library) << ::GetLastError();
    const HINSTANCE own = ActiveResourceModule();
    SetActiveResourceModule(library.Get());
    const std::wstring text = InvalidDateText();
    SetActiveResourceModule(own);
    EXPECT_EQ(L"Недопустимая дата", text);
}
