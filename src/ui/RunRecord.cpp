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
    if (event.program != ProgramRole::Capture)
        return std::wstring();
    const std::optional<unsigned long long> size = FileSize(event.output);
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
    const wchar_t* const role = RoleName(event.program);
    switch (event.kind) {
    case RunEventKind::DatedFolderCreated:
        Open(event.path);
        WriteHead(event.path);
        break;
    case RunEventKind::ProgramStarted:
        Write(L"STARTED", std::wstring(role) + L" command=" + event.path);
        break;
    case RunEventKind::ProgramNotStarted:
        Write(L"NOT-STARTED",
              std::wstring(role) + L" code=" + Number(event.code) + L" command=" + event.path);
        break;
    case RunEventKind::ProgramEnded:
        Write(L"ENDED", std::wstring(role) + L" exit=" + Number(event.code) + L" took=" +
                            Seconds(event.durationMs) + CaptureSize(event) + L" command=" +
                            event.path);
        break;
    case RunEventKind::ProgramEndedAtLimit:
        Write(L"LIMIT", std::wstring(role) + L" ended-at-limit took=" + Seconds(event.durationMs) +
                            CaptureSize(event) + L" command=" + event.path);
        break;
    case RunEventKind::OutputIncomplete:
        Write(L"INCOMPLETE", std::wstring(role) + L" file=" + event.path);
        break;
    case RunEventKind::FolderCollected:
        m_copiedFiles += event.files;
        m_copiedBytes += event.bytes;
        Write(L"FOLDER", L"files=" + Number(event.files) + L" bytes=" + Number(event.bytes) +
                             L" took=" + Seconds(event.durationMs) + L" fallback=" +
                             (event.fallbackUsed ? L"yes" : L"no") + L" folder=" + event.path);
        break;
    case RunEventKind::FolderMissing:
        Write(L"MISSING", L"folder=" + event.path);
        break;
    case RunEventKind::ArchiveWritten:
        Write(L"ARCHIVE", L"entries=" + Number(event.files) + L" bytes-in=" + Number(event.bytes) +
                              L" bytes-out=" + Number(event.size) + L" took=" +
                              Seconds(event.durationMs) + L" file=" + event.path);
        break;
    case RunEventKind::FileNotArchived:
        Write(L"NOT-ARCHIVED", L"code=" + Number(event.code) + L" file=" + event.path);
        break;
    case RunEventKind::WrittenInUtf8:
        // Every other text file the program writes is in the ANSI code page.
        Write(L"ENCODING", L"utf-8 file=" + event.path);
        break;
    case RunEventKind::RunSaved:
        WriteEnd(event.path);
        break;
    case RunEventKind::DatedFolderExists:
    case RunEventKind::FolderNotCreated:
    case RunEventKind::CopyFailed:
    case RunEventKind::FileNotWritten:
        break; // the operator's box says it all, and the record holds the box
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
    Write(L"START-DAY", L"day=" + m_head.startDay.Format(L"%Y-%m-%d") + L" folder=" + datedFolder);
    if (program.resourceLibrary.empty())
        Write(L"RESOURCES", L"none: the program's own");
    else
        Write(L"RESOURCES", L"version=" + FormatProductVersion(program.resourceLibraryVersion) +
                                L" library=" + program.resourceLibrary);
    Write(L"DESCRIPTION", L"characters=" + Number(m_head.descriptionCharacters));
}

void RunRecord::WriteEnd(const std::wstring& datedFolder) {
    if (!m_file)
        return; // a folder walk for a record that cannot be written is wasted
    const TreeTotals held = CountTree(datedFolder, m_path);
    Write(L"TOTAL", L"copied-files=" + Number(m_copiedFiles) + L" copied-bytes=" +
                        Number(m_copiedBytes) + L" folder-files=" + Number(held.files) +
                        L" folder-bytes=" + Number(held.bytes));
    Write(L"COMPLETED",
          L"took=" + Seconds(::GetTickCount64() - m_openedAt) + L" folder=" + datedFolder);
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
        Fail(code);
        return;
    }
    m_marked = true;
}

void RunRecord::Fail(DWORD code) {
    m_file.Reset();
    m_failed = true;
    m_failure = RunEvent::WithPath(RunEventKind::FileNotWritten, m_path, code);
}
