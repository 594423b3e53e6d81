// What happened during a run, as facts: the engine hands these up, and
// whoever shows or records the run words them.
#pragma once

#include <windows.h>
#include <string>
#include <utility>

enum class RunEventKind {
    DatedFolderExists,   // path: the dated folder, made by an earlier run
    DatedFolderCreated,  // path: the dated folder, with its mirror base: the run goes on
    FolderNotCreated,    // path (with its backslash), code
    CopyFailed,          // path: the installed file, code
    FileNotWritten,      // path: one of the program's own files, code
    WrittenInUtf8,       // path: a text file in UTF-8, as its code page lacks a character
    ProgramStarted,      // program, path: its command line
    ProgramNotStarted,   // program, path: its command line, code
    ProgramEnded,        // program, path: command line, code: its exit code, duration
    ProgramEndedAtLimit, // program, path: command line, duration
    OutputIncomplete,    // program, path: what a program ended at its limit left behind
    FolderCollected,     // path: the folder under the installation root, files, bytes,
                         // fallbackUsed, duration
    FolderMissing,       // path: a folder of the plan that is not installed
    FileNotArchived,     // path: a file of the dated folder left out of the archive, code
    ArchiveWritten,      // path: the archive, files: entries, bytes: bytes packed, size,
                         // duration
    RunSaved,            // path: the dated folder, output: its archive (empty when none was
                         // made), size: the archive's
};

// Which kind of outside program an event is about.
enum class ProgramRole {
    Capture,      // the command interpreter writing one capture file
    Configurator, // a configurator writing its export
};

struct RunEvent {
    RunEventKind kind = RunEventKind::RunSaved;
    std::wstring path;
    // The system error, or a program's exit code; 0 for none.
    DWORD code = 0;
    ProgramRole program = ProgramRole::Capture;
    // What a program writes: its capture file or its export.
    std::wstring output;
    ULONGLONG durationMs = 0;
    unsigned long long files = 0;
    unsigned long long bytes = 0;
    // The size of the file a step made (an archive).
    unsigned long long size = 0;
    bool fallbackUsed = false;

    static RunEvent WithPath(RunEventKind kind, std::wstring path, DWORD code = 0) {
        RunEvent event;
        event.kind = kind;
        event.path = std::move(path);
        event.code = code;
        return event;
    }
};

// True for an outcome that says something went wrong: whoever shows or
// counts a run's troubles asks this one place, so a new kind of trouble is
// never left out of one of them.
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
        return true;
    case RunEventKind::DatedFolderCreated:
    case RunEventKind::WrittenInUtf8:
    case RunEventKind::ProgramStarted:
    case RunEventKind::ProgramEnded:
    case RunEventKind::FolderCollected:
    case RunEventKind::FolderMissing:
    case RunEventKind::ArchiveWritten:
    case RunEventKind::RunSaved:
        return false;
    }
    return false;
}
