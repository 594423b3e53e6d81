#include "ui/OperatorNotice.h"

#include "res/resource.h"
#include "ui/SummaryNotice.h"
#include "win/ErrorReport.h"
#include "win/ResourceText.h"

namespace {
OperatorNotice Box(std::wstring text, UINT icon) {
    return {OperatorNotice::Form::Box, std::move(text), icon, 0};
}

// The failed action and its object, then the code and the system's words.
OperatorNotice SystemError(const std::wstring& text, DWORD code) {
    return {OperatorNotice::Form::Box, ComposeSystemErrorText(text, code), MB_ICONERROR, code};
}

} // namespace

OperatorNotice NoticeFor(const RunEvent& event) {
    switch (event.Kind()) {
    case RunEventKind::DatedFolderExists:
        return Box(LoadResourceText(IDS_FOLDER) + event.Path() +
                       LoadResourceText(IDS_FOLDER_EXISTS),
                   MB_ICONERROR);
    case RunEventKind::FolderNotCreated:
        return SystemError(LoadResourceText(IDS_CREATE_FOLDER_FAILED) + event.Path(), event.Code());
    case RunEventKind::CopyFailed:
        return SystemError(LoadResourceText(IDS_COPY_FILE_FAILED) + event.Path(), event.Code());
    case RunEventKind::FileNotWritten:
        return SystemError(LoadAddedResourceText(IDS_WRITE_FILE_FAILED) + event.Path(),
                           event.Code());
    case RunEventKind::ProgramNotStarted:
        // A configurator that cannot be started leaves its folder's other
        // files standing, and has always been passed over without a word.
        if (event.Role() == ProgramRole::Capture)
            return {OperatorNotice::Form::Beep, std::wstring(), MB_ICONEXCLAMATION, event.Code()};
        return {};
    case RunEventKind::ProgramEndedAtLimit:
        return Box(LoadAddedResourceText(IDS_PROGRAM_TIMED_OUT) + event.Path(), MB_ICONERROR);
    case RunEventKind::FileNotArchived:
    case RunEventKind::FolderNotArchived:
        return SystemError(LoadAddedResourceText(IDS_ARCHIVE_READ_FAILED) + event.Path(),
                           event.Code());
    case RunEventKind::RunSaved:
        // As a run without troubles ends; the dialog counts them.
        return SummaryOf(event, RunCompleteness{}).notice;
    case RunEventKind::ArchiveStarted:
    case RunEventKind::ArchiveWritten:
    case RunEventKind::DatedFolderCreated:
    case RunEventKind::WrittenInUtf8:
    case RunEventKind::OutputIncomplete:
    case RunEventKind::ProgramStarted:
    case RunEventKind::ProgramEnded:
    case RunEventKind::FolderCollected:
    case RunEventKind::FolderMissing:
    case RunEventKind::MachineListWritten:
    case RunEventKind::CrashReportCopied:
    case RunEventKind::CrashDumpCopied:
    case RunEventKind::CrashDumpLeftOut:
        return {};
    // The operator can do nothing about a list he may not read, or a drive
    // whose server is gone; support reads it in the record.
    case RunEventKind::MachineListUnread:
    case RunEventKind::DriveNotAnswering:
        return {};
    }
    return {};
}

std::wstring InvalidDateText() {
    return LoadStringEntry(IDS_INVALID_DATETIME).value_or(L"Invalid DateTime");
}
