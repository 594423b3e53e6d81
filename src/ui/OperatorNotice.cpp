#include "ui/OperatorNotice.h"

#include "res/resource.h"
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

// Megabytes with one decimal after a comma, as Russian writes them; an
// archive of a few bytes is not shown as nothing.
std::wstring Megabytes(unsigned long long bytes) {
    const unsigned long long tenths = (bytes * 10 + 1024 * 1024 / 2) / (1024 * 1024);
    const unsigned long long shown = bytes > 0 && tenths == 0 ? 1 : tenths;
    return std::to_wstring(shown / 10) + L"," + std::to_wstring(shown % 10);
}

// The run saved: where, the archive to send or the request to make it, and
// where to send it.
std::wstring Summary(const RunEvent& saved) {
    std::wstring text = LoadResourceText(IDS_SAVED_TO) + saved.Path();
    if (!saved.Archive().empty())
        text += LoadAddedResourceText(IDS_ARCHIVE_MADE) + saved.Archive() + L" (" +
                Megabytes(saved.ArchiveSize()) + LoadAddedResourceText(IDS_MEGABYTES) + L")";
    else
        text += LoadAddedResourceText(IDS_ARCHIVE_BY_HAND);
    return text + LoadResourceText(IDS_SEND_TO_SUPPORT);
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
        return Box(Summary(event), MB_ICONINFORMATION);
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
