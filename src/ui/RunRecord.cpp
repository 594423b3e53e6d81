#include "ui/RunRecord.h"

#include "collect/SnapshotFiles.h"
#include "ui/RecordLine.h"
#include "win/SystemFacts.h"
#include "win/WriteAll.h"

#include <utility>

namespace {
const wchar_t kRecordName[] = L"Dorvak.log";

std::wstring Number(unsigned long long value) {
    return std::to_wstring(value);
}

const wchar_t* RoleName(ProgramRole role) {
    return role == ProgramRole::Capture ? L"capture" : L"configurator";
}

const wchar_t* ListKeyword(MachineList list) {
    switch (list) {
    case MachineList::Processes:
        return L"PROCESSES";
    case MachineList::Services:
        return L"SERVICES";
    case MachineList::Drives:
        return L"DRIVES";
    }
    return L"LIST";
}

const wchar_t* IconName(UINT icon) {
    switch (icon & MB_ICONMASK) {
    case MB_ICONERROR:
        return L"error";
    case MB_ICONEXCLAMATION:
        return L"exclamation";
    case MB_ICONINFORMATION:
        return L"information";
    case MB_ICONQUESTION:
        return L"question";
    }
    return L"none";
}

std::wstring Widened(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// What a capture left in its file; support reads an empty one differently
// from a missing one.
std::wstring CaptureSize(const RunEvent& event) {
    if (event.Role() != ProgramRole::Capture)
        return std::wstring();
    const std::optional<unsigned long long>& size = event.OutputSize();
    return size ? L" size=" + Number(*size) : L" size=unknown";
}

} // namespace

size_t CharacterCount(const std::wstring& text) {
    size_t count = 0;
    for (wchar_t c : text)
        if (c < 0xDC00 || c > 0xDFFF)
            ++count;
    return count;
}

RunRecord::RunRecord(RunRecordHead head) : m_head(std::move(head)) {}

void RunRecord::Take(const RunEvent& event) {
    const wchar_t* const role = RoleName(event.Role());
    const std::wstring code = L"code=" + Number(event.Code());
    switch (event.Kind()) {
    case RunEventKind::DatedFolderCreated:
        Open(event.Path());
        WriteHead(event.Path());
        break;
    case RunEventKind::ProgramStarted:
        Write(L"STARTED", std::wstring(role) + L" command=" + event.Path());
        break;
    case RunEventKind::ProgramNotStarted:
        Write(L"NOT-STARTED", std::wstring(role) + L" " + code + L" command=" + event.Path());
        break;
    case RunEventKind::ProgramEnded:
        Write(L"ENDED", std::wstring(role) + L" exit=" + Number(event.Code()) + L" took=" +
                            Seconds(event.DurationMs()) + CaptureSize(event) + L" command=" +
                            event.Path());
        break;
    case RunEventKind::ProgramEndedAtLimit:
        Write(L"LIMIT", std::wstring(role) + L" ended-at-limit took=" +
                            Seconds(event.DurationMs()) + CaptureSize(event) + L" command=" +
                            event.Path());
        break;
    case RunEventKind::OutputIncomplete:
        Write(L"INCOMPLETE", std::wstring(role) + L" file=" + event.Path());
        break;
    case RunEventKind::FolderCollected:
        AddCopied(event.Tally());
        Write(L"FOLDER", L"files=" + Number(event.Tally().files) + L" bytes=" +
                             Number(event.Tally().bytes) + L" took=" + Seconds(event.DurationMs()) +
                             L" fallback=" + (event.FallbackUsed() ? L"yes" : L"no") + L" folder=" +
                             event.Path());
        break;
    case RunEventKind::FolderMissing:
        Write(L"MISSING", L"folder=" + event.Path());
        break;
    case RunEventKind::ArchiveWritten:
        Write(L"ARCHIVE", L"entries=" + Number(event.Tally().files) + L" bytes-in=" +
                              Number(event.Tally().bytes) + L" bytes-out=" +
                              Number(event.ArchiveSize()) + L" took=" +
                              Seconds(event.DurationMs()) + L" file=" + event.Path());
        break;
    case RunEventKind::ArchiveStarted:
        // A record that ends here tells support the archive was cut off.
        Write(L"PACKING", L"file=" + event.Path());
        break;
    case RunEventKind::FileNotArchived:
        Write(L"NOT-ARCHIVED", code + L" file=" + event.Path());
        break;
    case RunEventKind::FolderNotArchived:
        Write(L"NOT-ARCHIVED", code + L" folder=" + event.Path());
        break;
    case RunEventKind::WrittenInUtf8:
        // Every other text file the program writes is in the ANSI code page.
        Write(L"ENCODING", L"utf-8 file=" + event.Path());
        break;
    case RunEventKind::RunSaved:
        WriteEnd(event);
        break;
    // A line of its own even when a box tells it too: the operator is told
    // a full drive once, but support needs every file that is missing.
    case RunEventKind::CopyFailed:
        Write(L"NOT-COPIED", code + L" file=" + event.Path());
        break;
    case RunEventKind::FileNotWritten:
        Write(L"NOT-WRITTEN", code + L" file=" + event.Path());
        break;
    case RunEventKind::FolderNotCreated:
        Write(L"NOT-MADE", code + L" folder=" + event.Path());
        break;
    case RunEventKind::DatedFolderExists:
        // Refused before any record is opened: there is none to write to.
        break;
    case RunEventKind::MachineListWritten:
        // Drives are nobody's: only processes and services can be the suite's.
        Write(ListKeyword(event.List()), L"entries=" + Number(event.Entries()) +
                                             (event.List() == MachineList::Drives
                                                  ? std::wstring()
                                                  : L" suite=" + Number(event.SuiteEntries())) +
                                             L" file=" + event.Path());
        break;
    case RunEventKind::MachineListUnread:
        Write(L"NOT-LISTED", code + L" file=" + event.Path());
        break;
    case RunEventKind::DriveNotAnswering:
        Write(L"NO-ANSWER", L"waited=" + Seconds(event.DurationMs()) + L" drive=" + event.Path());
        break;
    case RunEventKind::CrashReportCopied:
        AddCopied(event.Tally());
        Write(L"CRASH-REPORT", L"files=" + Number(event.Tally().files) + L" bytes=" +
                                   Number(event.Tally().bytes) + L" folder=" + event.Path());
        break;
    case RunEventKind::CrashDumpCopied:
        AddCopied(event.Tally());
        Write(L"DUMP", L"size=" + Number(event.Tally().bytes) + L" file=" + event.Path());
        break;
    case RunEventKind::CrashDumpLeftOut:
        Write(L"DUMP-LEFT-OUT", L"size=" + Number(event.Tally().bytes) + L" file=" + event.Path());
        break;
    }
}

void RunRecord::TakeBox(const OperatorNotice& notice) {
    Write(L"BOX", std::wstring(L"icon=") + IconName(notice.icon) + L" code=" + Number(notice.code) +
                      L" text=" + notice.text);
}

void RunRecord::TakeAction(const wchar_t* keyword, const std::wstring& facts) {
    Write(keyword, facts);
}

std::optional<RunEvent> RunRecord::TakeFailure() {
    return std::exchange(m_failure, std::nullopt);
}

void RunRecord::Open(const std::wstring& datedFolder) {
    if (m_file || m_failed)
        return;
    m_path = datedFolder + kRecordName;
    // A new file: the dated folder is this run's own, and anything found
    // there under that name is not ours to overwrite.
    m_file.Reset(::CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) {
        Fail(::GetLastError());
        return;
    }
    m_openedAt = ::GetTickCount64();
}

void RunRecord::WriteHead(const std::wstring& datedFolder) {
    const ProgramFacts& program = m_head.program;
    Write(L"PROGRAM", L"version=" + FormatProductVersion(program.version) + L" build=" +
                          (sizeof(void*) == 8 ? L"64-bit" : L"32-bit") + L" folder=" +
                          program.folder);
    Write(L"WINDOWS", std::wstring(L"wow64=") + (RunsUnderWow64() ? L"yes" : L"no") + L" version=" +
                          Widened(WindowVersionText(::GetVersion())));
    Write(L"COMPUTER", L"name=" + ComputerName());
    Write(L"ROOT", L"folder=" + m_head.installationRoot);
    Write(L"START-DAY", L"day=" + m_head.startDay.Format(L"%Y-%m-%d", InvalidDateText()) +
                            L" folder=" + datedFolder);
    if (program.resourceLibrary.empty())
        Write(L"RESOURCES", L"none: the program's own");
    else
        Write(L"RESOURCES", L"version=" + FormatProductVersion(program.resourceLibraryVersion) +
                                L" library=" + program.resourceLibrary);
    Write(L"DESCRIPTION", L"characters=" + Number(m_head.descriptionCharacters));
}

void RunRecord::WriteEnd(const RunEvent& saved) {
    const std::optional<FileTally>& held = saved.Held();
    Write(L"TOTAL", L"copied-files=" + Number(m_copiedFiles) + L" copied-bytes=" +
                        Number(m_copiedBytes) + L" folder-files=" +
                        (held ? Number(held->files) : L"unknown") + L" folder-bytes=" +
                        (held ? Number(held->bytes) : L"unknown"));
    Write(L"COMPLETED",
          L"took=" + Seconds(::GetTickCount64() - m_openedAt) + L" folder=" + saved.Path());
}

void RunRecord::AddCopied(const FileTally& copied) {
    m_copiedFiles += copied.files;
    m_copiedBytes += copied.bytes;
}

void RunRecord::Write(const wchar_t* keyword, const std::wstring& facts) {
    if (!m_file)
        return;
    std::string bytes = RecordLine(RecordTimeStampNow(), keyword, facts);
    // The mark that tells readers the file is UTF-8 goes out with the first
    // line, in the same write.
    if (!m_marked)
        bytes.insert(0, "\xEF\xBB\xBF");
    // Straight to the system, line by line: a run ended from outside still
    // leaves every line it finished.
    if (const DWORD code = WriteAll(m_file.Get(), bytes.data(), bytes.size())) {
        // What went out of a line cut short is taken back, so the record
        // ends with its last whole line rather than half of the next.
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(m_written);
        if (::SetFilePointerEx(m_file.Get(), end, nullptr, FILE_BEGIN))
            ::SetEndOfFile(m_file.Get());
        Fail(code);
        return;
    }
    m_written += bytes.size();
    m_marked = true;
}

void RunRecord::Fail(DWORD code) {
    m_file.Reset();
    m_failed = true;
    m_failure = RunEvent::FileNotWritten(m_path, code);
}
