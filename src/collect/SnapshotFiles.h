#pragma once

#include "collect/CollectionUi.h"

#include <windows.h>
#include <string>

// ReadMe.txt, WindowVersion.txt and the five command captures, written into
// the dated folder (which ends with a backslash) one after another.
// The captures run with `commandFolder` as their current directory, so that
// "tree .." lists the folder above it; empty means the folder of the running
// program, whose parent is the installation root.
void WriteSnapshotFiles(const std::wstring& datedFolder, const std::wstring& description,
                        ICollectionUi& ui, const std::wstring& commandFolder = std::wstring());

// The description as typed, into dated folder + "ReadMe.txt"; no line end
// is added. A file that cannot be created or completely written is reported.
void WriteReadMe(const std::wstring& datedFolder, const std::wstring& description,
                 ICollectionUi& ui);

// GetVersion's value: major in bits 0-7, minor in bits 8-15, the build in
// bits 16-31 unless bit 31 is set, in which case the build is 0.
struct WindowsVersion {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
};
WindowsVersion SplitWindowsVersion(DWORD value);

// "Version Windows is %d.%d (%d)", without a line end.
std::string WindowVersionText(DWORD versionValue);

// One line with the version into dated folder + "WindowVersion.txt";
// reported like ReadMe.txt when it cannot be written.
void WriteWindowVersion(const std::wstring& datedFolder, DWORD versionValue, ICollectionUi& ui);

// One command capture: the interpreter's switches and command, ending with
// the redirection and its opening double quote, and the capture file's name.
struct CaptureCommand {
    const wchar_t* commandText;
    const wchar_t* fileName;
};
constexpr size_t kCaptureCommandCount = 5;
extern const CaptureCommand kCaptureCommands[kCaptureCommandCount];

// System folder + command text + dated folder + file name + a double quote.
std::wstring CaptureCommandLine(const std::wstring& systemFolder, const CaptureCommand& command,
                                const std::wstring& datedFolder);

// The system folder without a trailing backslash; empty when unknown.
std::wstring SystemFolder();

// The folder of the running program, with its trailing backslash.
std::wstring ProgramFolder();

// Starts the command line in `currentFolder` (empty: the program's own
// current directory) and waits for it; a command that cannot be started
// gives one exclamation beep and nothing else. True when it was started.
bool RunCaptureCommand(const std::wstring& commandLine, const std::wstring& currentFolder,
                       ICollectionUi& ui);
