// What happened during a run, as facts: the engine hands these up, and
// whoever shows or records the run words them. Each kind is made by its own
// factory with every fact it carries, so an outcome never exists half told.
#pragma once

#include <windows.h>
#include <optional>
#include <string>
#include <utility>

enum class RunEventKind {
    DatedFolderExists,   // the dated folder, made by an earlier run
    DatedFolderCreated,  // the dated folder, with its mirror base: the run goes on
    FolderNotCreated,    // a folder (with its backslash), the system error
    CopyFailed,          // the installed file, the system error
    FileNotWritten,      // one of the program's own files, the system error
    WrittenInUtf8,       // a text file in UTF-8, as its code page lacks a character
    ProgramStarted,      // a program: its command line, the file it writes
    ProgramNotStarted,   // the same, and the system error
    ProgramEnded,        // the same, its exit code, duration, its file's size
    ProgramEndedAtLimit, // the same, its duration, its file's size
    OutputIncomplete,    // what a program ended at its limit left behind
    FolderCollected,     // a folder under the installation root, what was copied of it
    FolderMissing,       // a folder of the plan that is not installed
    FileNotArchived,     // a file of the dated folder left out of the archive, the system error
    FolderNotArchived,   // a folder of the dated folder (with its backslash) whose contents are
                         // left out of the archive, the system error
    ArchiveStarted,      // the archive, by its final name: packing begins
    ArchiveWritten,      // the archive: entries, bytes packed, its size, duration
    RunSaved,            // the dated folder, its archive and what the folder held when packed
    MachineListWritten, // one of the machine's lists: its file, its entries, the suite's among them
    MachineListUnread,  // a list that could not be read: its file, the system error
    DriveNotAnswering,  // a drive that gave no answer: its root, how long it was waited for
    CrashReportCopied,  // a report folder of the suite, copied whole: the folder, what was copied
    CrashDumpCopied,    // a dump of the suite: the file, copied (one file, its size)
    CrashDumpLeftOut,   // a dump the cap left out: the file, one file of its size
};

// Which of the machine's lists an event is about.
enum class MachineList {
    Processes,
    Services,
    Drives,
};

// Which kind of outside program an event is about.
enum class ProgramRole {
    Capture,      // the command interpreter writing one capture file
    Configurator, // a configurator writing its export
};

// Files and the bytes they hold.
struct FileTally {
    unsigned long long files = 0;
    unsigned long long bytes = 0;
};

class RunEvent {
  public:
    static RunEvent DatedFolderExists(std::wstring datedFolder) {
        return {RunEventKind::DatedFolderExists, std::move(datedFolder)};
    }
    static RunEvent DatedFolderCreated(std::wstring datedFolder) {
        return {RunEventKind::DatedFolderCreated, std::move(datedFolder)};
    }
    static RunEvent FolderNotCreated(std::wstring folder, DWORD code) {
        return {RunEventKind::FolderNotCreated, std::move(folder), code};
    }
    static RunEvent CopyFailed(std::wstring source, DWORD code) {
        return {RunEventKind::CopyFailed, std::move(source), code};
    }
    static RunEvent FileNotWritten(std::wstring path, DWORD code) {
        return {RunEventKind::FileNotWritten, std::move(path), code};
    }
    static RunEvent WrittenInUtf8(std::wstring path) {
        return {RunEventKind::WrittenInUtf8, std::move(path)};
    }
    static RunEvent FolderMissing(std::wstring relativeFolder) {
        return {RunEventKind::FolderMissing, std::move(relativeFolder)};
    }
    static RunEvent FileNotArchived(std::wstring path, DWORD code) {
        return {RunEventKind::FileNotArchived, std::move(path), code};
    }
    static RunEvent FolderNotArchived(std::wstring folder, DWORD code) {
        return {RunEventKind::FolderNotArchived, std::move(folder), code};
    }
    static RunEvent ArchiveStarted(std::wstring archive) {
        return {RunEventKind::ArchiveStarted, std::move(archive)};
    }

    // `output` is the file the program writes: its capture file or its export.
    static RunEvent ProgramStarted(ProgramRole role, std::wstring commandLine,
                                   std::wstring output) {
        return Program(RunEventKind::ProgramStarted, role, std::move(commandLine),
                       std::move(output));
    }
    static RunEvent ProgramNotStarted(ProgramRole role, std::wstring commandLine,
                                      std::wstring output, DWORD code) {
        RunEvent event = Program(RunEventKind::ProgramNotStarted, role, std::move(commandLine),
                                 std::move(output));
        event.m_code = code;
        return event;
    }
    // `outputSize`: the size of the file it wrote, as measured on the handle
    // it was given; nothing when it cannot be known, or when it wrote none of
    // its own (a configurator).
    static RunEvent ProgramEnded(ProgramRole role, std::wstring commandLine, std::wstring output,
                                 DWORD exitCode, ULONGLONG durationMs,
                                 std::optional<unsigned long long> outputSize) {
        RunEvent event =
            Program(RunEventKind::ProgramEnded, role, std::move(commandLine), std::move(output));
        event.m_code = exitCode;
        event.m_durationMs = durationMs;
        event.m_outputSize = outputSize;
        return event;
    }
    static RunEvent ProgramEndedAtLimit(ProgramRole role, std::wstring commandLine,
                                        std::wstring output, ULONGLONG durationMs,
                                        std::optional<unsigned long long> outputSize) {
        RunEvent event = Program(RunEventKind::ProgramEndedAtLimit, role, std::move(commandLine),
                                 std::move(output));
        event.m_durationMs = durationMs;
        event.m_outputSize = outputSize;
        return event;
    }
    static RunEvent OutputIncomplete(ProgramRole role, std::wstring output) {
        RunEvent event{RunEventKind::OutputIncomplete, output};
        event.m_role = role;
        event.m_output = std::move(output);
        return event;
    }

    static RunEvent FolderCollected(std::wstring relativeFolder, FileTally copied,
                                    bool fallbackUsed, ULONGLONG durationMs) {
        RunEvent event{RunEventKind::FolderCollected, std::move(relativeFolder)};
        event.m_tally = copied;
        event.m_fallbackUsed = fallbackUsed;
        event.m_durationMs = durationMs;
        return event;
    }
    // `packed`: the entries (files and folders) and the bytes read into them.
    static RunEvent ArchiveWritten(std::wstring archive, FileTally packed,
                                   unsigned long long archiveSize, ULONGLONG durationMs) {
        RunEvent event{RunEventKind::ArchiveWritten, std::move(archive)};
        event.m_tally = packed;
        event.m_archiveSize = archiveSize;
        event.m_durationMs = durationMs;
        return event;
    }
    // `archive` empty when none was made. `held`: every file the packing
    // walk found in the dated folder (the archive aside) and their sizes;
    // nothing when the walk did not go through the whole folder.
    static RunEvent RunSaved(std::wstring datedFolder, std::wstring archive,
                             unsigned long long archiveSize, std::optional<FileTally> held) {
        RunEvent event{RunEventKind::RunSaved, std::move(datedFolder)};
        event.m_archive = std::move(archive);
        event.m_archiveSize = archiveSize;
        event.m_held = held;
        return event;
    }

    static RunEvent MachineListWritten(MachineList list, std::wstring file,
                                       unsigned long long entries,
                                       unsigned long long suiteEntries) {
        RunEvent event{RunEventKind::MachineListWritten, std::move(file)};
        event.m_list = list;
        event.m_entries = entries;
        event.m_suiteEntries = suiteEntries;
        return event;
    }
    // Said in its file too: the file is still written.
    static RunEvent MachineListUnread(MachineList list, std::wstring file, DWORD code) {
        RunEvent event{RunEventKind::MachineListUnread, std::move(file), code};
        event.m_list = list;
        return event;
    }
    static RunEvent DriveNotAnswering(std::wstring root, ULONGLONG waitedMs) {
        RunEvent event{RunEventKind::DriveNotAnswering, std::move(root)};
        event.m_durationMs = waitedMs;
        return event;
    }
    static RunEvent CrashReportCopied(std::wstring reportFolder, FileTally copied) {
        RunEvent event{RunEventKind::CrashReportCopied, std::move(reportFolder)};
        event.m_tally = copied;
        return event;
    }
    static RunEvent CrashDumpCopied(std::wstring dump, unsigned long long size) {
        RunEvent event{RunEventKind::CrashDumpCopied, std::move(dump)};
        event.m_tally = {1, size};
        return event;
    }
    static RunEvent CrashDumpLeftOut(std::wstring dump, unsigned long long size) {
        RunEvent event{RunEventKind::CrashDumpLeftOut, std::move(dump)};
        event.m_tally = {1, size};
        return event;
    }

    RunEventKind Kind() const { return m_kind; }
    // What the event is about: a folder, a file, or a program's command line.
    const std::wstring& Path() const { return m_path; }
    // The system error, or a program's exit code; 0 for none.
    DWORD Code() const { return m_code; }
    ProgramRole Role() const { return m_role; }
    // The file a program writes, or one it left incomplete.
    const std::wstring& Output() const { return m_output; }
    const std::optional<unsigned long long>& OutputSize() const { return m_outputSize; }
    ULONGLONG DurationMs() const { return m_durationMs; }
    // Copied (FolderCollected, crash reports and dumps), packed
    // (ArchiveWritten) or left out (a dump).
    const FileTally& Tally() const { return m_tally; }
    bool FallbackUsed() const { return m_fallbackUsed; }
    // The archive of a saved run; empty when none was made.
    const std::wstring& Archive() const { return m_archive; }
    unsigned long long ArchiveSize() const { return m_archiveSize; }
    const std::optional<FileTally>& Held() const { return m_held; }
    MachineList List() const { return m_list; }
    // A machine list's entries, and how many of them are the suite's.
    unsigned long long Entries() const { return m_entries; }
    unsigned long long SuiteEntries() const { return m_suiteEntries; }

  private:
    RunEvent(RunEventKind kind, std::wstring path, DWORD code = 0)
        : m_kind(kind), m_path(std::move(path)), m_code(code) {}

    static RunEvent Program(RunEventKind kind, ProgramRole role, std::wstring commandLine,
                            std::wstring output) {
        RunEvent event{kind, std::move(commandLine)};
        event.m_role = role;
        event.m_output = std::move(output);
        return event;
    }

    RunEventKind m_kind;
    std::wstring m_path;
    DWORD m_code = 0;
    ProgramRole m_role = ProgramRole::Capture;
    std::wstring m_output;
    std::optional<unsigned long long> m_outputSize;
    ULONGLONG m_durationMs = 0;
    FileTally m_tally;
    bool m_fallbackUsed = false;
    std::wstring m_archive;
    unsigned long long m_archiveSize = 0;
    std::optional<FileTally> m_held;
    MachineList m_list = MachineList::Processes;
    unsigned long long m_entries = 0;
    unsigned long long m_suiteEntries = 0;
};

// True for an outcome that says something went wrong: whoever shows, counts
// or filters a run's troubles asks this one place, so a new kind of trouble
// is never left out of one of them.
inline bool WentWrong(RunEventKind kind) {
    switch (kind) {
    case RunEventKind::DatedFolderExists:
    case RunEventKind::FolderNotCreated:
    case RunEventKind::CopyFailed:
    case RunEventKind::FileNotWritten:
    case RunEventKind::ProgramNotStarted:
    case RunEventKind::ProgramEndedAtLimit:
    case RunEventKind::OutputIncomplete:
    case RunEventKind::FileNotArchived:
    case RunEventKind::FolderNotArchived:
    // What the machine did not tell is missing from the output too.
    case RunEventKind::MachineListUnread:
    case RunEventKind::DriveNotAnswering:
        return true;
    case RunEventKind::DatedFolderCreated:
    case RunEventKind::WrittenInUtf8:
    case RunEventKind::ProgramStarted:
    case RunEventKind::ProgramEnded:
    case RunEventKind::FolderCollected:
    case RunEventKind::FolderMissing:
    case RunEventKind::ArchiveStarted:
    case RunEventKind::ArchiveWritten:
    case RunEventKind::RunSaved:
    case RunEventKind::MachineListWritten:
    case RunEventKind::CrashReportCopied:
    case RunEventKind::CrashDumpCopied:
    // Left out by design, and named so support can ask for it.
    case RunEventKind::CrashDumpLeftOut:
        return false;
    }
    return false;
}

inline bool WentWrong(const RunEvent& event) {
    return WentWrong(event.Kind());
}
