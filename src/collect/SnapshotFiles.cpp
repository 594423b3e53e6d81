#include "collect/SnapshotFiles.h"

#include "collect/ChildProcess.h"
#include "collect/NarrowTextStream.h"
#include "win/Handles.h"

#include <cstdio>

const CaptureCommand kCaptureCommands[kCaptureCommandCount] = {
    {L"ipconfig /all", L"ipconfig.txt"}, {L"route print", L"route.txt"},
    {L"tree .. /F", L"files.tree"},      {L"arp -a", L"arp.txt"},
    {L"netstat -an", L"netstat.txt"},
};

namespace {
// The edit control gives line breaks as CR LF, and the text stream turns
// every LF into CR LF; folding the pairs first keeps each break as typed
// instead of doubling its CR. A lone CR or LF is left for the stream.
std::wstring FoldLineBreaks(const std::wstring& text) {
    std::wstring folded;
    folded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
            continue;
        folded += text[i];
    }
    return folded;
}
} // namespace

void WriteReadMe(const std::wstring& datedFolder, const std::wstring& description,
                 ICollectionUi& ui) {
    const std::wstring path = datedFolder + L"ReadMe.txt";
    const std::wstring text = FoldLineBreaks(description);
    // The operator's own words are never cut down to what the code page
    // holds: a character it lacks makes the whole file UTF-8.
    const bool fits = FitsAnsiCodePage(text);
    NarrowTextStream stream(path, fits ? TextEncoding::Ansi : TextEncoding::Utf8);
    stream << text;
    stream.Close();
    // The operator's own words: losing them must not go unsaid.
    ReportUnwrittenFile(path, stream.Error(), ui);
    if (!fits && stream.Error() == 0)
        ui.Report(RunEvent::WrittenInUtf8(path));
}

WindowsVersion SplitWindowsVersion(DWORD value) {
    WindowsVersion version;
    version.major = value & 0xFF;
    version.minor = (value >> 8) & 0xFF;
    version.build = (value & 0x80000000u) ? 0 : (value >> 16);
    return version;
}

std::string WindowVersionText(DWORD versionValue) {
    const WindowsVersion version = SplitWindowsVersion(versionValue);
    char text[64];
    std::snprintf(text, sizeof text, "Version Windows is %u.%u (%u)", version.major, version.minor,
                  version.build);
    return text;
}

void WriteWindowVersion(const std::wstring& datedFolder, DWORD versionValue, ICollectionUi& ui) {
    const std::wstring path = datedFolder + L"WindowVersion.txt";
    NarrowTextStream stream(path, TextEncoding::Ansi);
    stream << WindowVersionText(versionValue);
    stream.EndLine();
    stream.Close();
    ReportUnwrittenFile(path, stream.Error(), ui);
}

std::wstring CommandInterpreter(const std::wstring& systemFolder) {
    return systemFolder + L"\\cmd.exe";
}

std::wstring CaptureCommandLine(const std::wstring& systemFolder, const CaptureCommand& command) {
    // The interpreter finds its switches after its own name, which it reads
    // up to the first blank unless the name is quoted.
    std::wstring interpreter = CommandInterpreter(systemFolder);
    if (interpreter.find_first_of(L" \t") != std::wstring::npos)
        interpreter = L"\"" + interpreter + L"\"";
    return interpreter + L" /U /Q /C " + command.command;
}

bool RunCaptureCommand(const CollectionContext& context, const CaptureCommand& command) {
    const std::wstring path = context.datedFolder + command.fileName;
    // Read attributes too: the size of what the command left is read back
    // through this handle.
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        context.ui.Report(RunEvent::FileNotWritten(path, error));
        return false;
    }

    const std::wstring& systemFolder = context.settings.systemFolder;
    ChildProgram program;
    program.role = ProgramRole::Capture;
    program.application = CommandInterpreter(systemFolder);
    program.commandLine = CaptureCommandLine(systemFolder, command);
    program.currentFolder = context.settings.captureFolder;
    program.standardOutput = file.Get();
    program.output = path;
    // The interpreter would look for "ipconfig" in its current folder, the
    // program's own, before the path; Windows' cmd leaves it out with this.
    program.environmentAdditions = {L"NoDefaultCurrentDirectoryInExePath=1"};
    const ChildResult result =
        RunAndWait(program, context.settings.waitLimits.captureMs, context.ui);
    if (result == ChildResult::TimedOut)
        context.ui.Report(RunEvent::OutputIncomplete(ProgramRole::Capture, path));
    if (result != ChildResult::NotStarted)
        return true;
    // The file was made for a command that never ran: an empty capture would
    // read as one that found nothing.
    file.Reset();
    ::DeleteFileW(path.c_str());
    return false;
}

void WriteSnapshotFiles(const CollectionContext& context, const std::wstring& description) {
    WriteReadMe(context.datedFolder, description, context.ui);
    WriteWindowVersion(context.datedFolder, ::GetVersion(), context.ui);
    if (context.settings.systemFolder.empty())
        return;
    for (const CaptureCommand& command : kCaptureCommands)
        RunCaptureCommand(context, command);
}
