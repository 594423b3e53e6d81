#pragma once

#include "collect/CollectionContext.h"

#include <windows.h>
#include <string>

// ReadMe.txt, WindowVersion.txt and the five command captures, written into
// the dated folder one after another. The captures run in the settings'
// capture folder, each for at most the settings' capture limit.
void WriteSnapshotFiles(const CollectionContext& context, const std::wstring& description);

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

// One command capture: what the command interpreter runs, and the file of
// the dated folder that takes its standard output.
struct CaptureCommand {
    const wchar_t* command;
    const wchar_t* fileName;
};
constexpr size_t kCaptureCommandCount = 5;
extern const CaptureCommand kCaptureCommands[kCaptureCommandCount];

// The command interpreter of the system folder.
std::wstring CommandInterpreter(const std::wstring& systemFolder);

// Interpreter + " /U /Q /C " + command. No path of the run is in it, so
// nothing of the installation's or the output's names is ever read by the
// interpreter (a "%NAME%" in a folder name stays a name).
std::wstring CaptureCommandLine(const std::wstring& systemFolder, const CaptureCommand& command);

// Creates dated folder + the capture's file name (a new file: the dated
// folder is the run's own, so anything already there is not ours to
// overwrite) and runs the command through the interpreter of the settings'
// system folder with that file as its standard output. A file that cannot be
// created is reported with its path and the system error, and the command is
// not run; a command that cannot be started is reported and leaves no file.
// True when the command was started.
bool RunCaptureCommand(const CollectionContext& context, const CaptureCommand& command);
