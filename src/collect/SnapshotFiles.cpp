#include "collect/SnapshotFiles.h"

#include "collect/ChildProcess.h"
#include "collect/MirrorFrame.h"
#include "collect/NarrowTextStream.h"
#include "win/Module.h"

#include <cstdio>

const CaptureCommand kCaptureCommands[kCaptureCommandCount] = {
    {L"\\cmd.exe /U /Q /C ipconfig /all >\"", L"ipconfig.txt"},
    {L"\\cmd.exe /U /Q /C route print >\"", L"route.txt"},
    {L"\\cmd.exe /U /Q /C tree .. /F >\"", L"files.tree"},
    {L"\\cmd.exe /U /Q /C arp -a >\"", L"arp.txt"},
    {L"\\cmd.exe /U /Q /C netstat -an >\"", L"netstat.txt"},
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
    NarrowTextStream stream(path);
    stream << FoldLineBreaks(description);
    stream.Close();
    // The operator's own words: losing them must not go unsaid.
    ReportUnwrittenFile(path, stream.Error(), ui);
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
    NarrowTextStream stream(path);
    stream << WindowVersionText(versionValue);
    stream.EndLine();
    stream.Close();
    ReportUnwrittenFile(path, stream.Error(), ui);
}

std::wstring CaptureCommandLine(const std::wstring& systemFolder, const CaptureCommand& command,
                                const std::wstring& datedFolder) {
    return systemFolder + command.commandText + datedFolder + command.fileName + L"\"";
}

std::wstring SystemFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const UINT length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
        if (length == 0)
            return std::wstring();
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        // Too small: the answer is the size needed, terminator included.
        folder.resize(length);
    }
}

bool RunCaptureCommand(const std::wstring& commandLine, const std::wstring& currentFolder,
                       ICollectionUi& ui) {
    if (RunAndWait(commandLine, currentFolder))
        return true;
    ui.Beep(MB_ICONEXCLAMATION);
    return false;
}

void WriteSnapshotFiles(const std::wstring& datedFolder, const std::wstring& description,
                        ICollectionUi& ui, const std::wstring& commandFolder) {
    WriteReadMe(datedFolder, description, ui);
    WriteWindowVersion(datedFolder, ::GetVersion(), ui);

    // Started from anywhere, the captures still see the installation root as
    // "..": they run in the program's own folder, not in the caller's.
    const std::wstring currentFolder =
        commandFolder.empty() ? ModuleFolder(nullptr) : commandFolder;
    for (const CaptureCommand& command : kCaptureCommands) {
        const std::wstring systemFolder = SystemFolder();
        if (systemFolder.empty())
            continue;
        RunCaptureCommand(CaptureCommandLine(systemFolder, command, datedFolder), currentFolder,
                          ui);
    }
}
