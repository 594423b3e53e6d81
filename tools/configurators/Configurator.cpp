// Stands in for the suite's configurators MERUDispCfg.exe and
// MERUDomainCfg.exe: it understands only -s followed by the quoted path of
// the export, writes a small Struct.XML there, and appends its whole command
// line (UTF-8, one line) to commandline.log beside itself, so a test can see
// exactly how it was started.
#include "win/Handles.h"
#include "win/Module.h"
#include "win/Utf8.h"

#include <windows.h>

#include <string>

namespace {

bool WriteFileBytes(const std::wstring& path, const std::string& bytes, bool append) {
    FileHandle file(::CreateFileW(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                                  FILE_SHARE_READ, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return bytes.empty() || (::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                         &written, nullptr) &&
                             written == bytes.size());
}

// The text after " -s": a quoted path up to its closing quote, or an
// unquoted one up to the next blank.
std::wstring ExportPath(const std::wstring& commandLine) {
    size_t at = commandLine.find(L" -s");
    if (at == std::wstring::npos)
        return std::wstring();
    at += 3;
    while (at < commandLine.size() && commandLine[at] == L' ')
        ++at;
    if (at < commandLine.size() && commandLine[at] == L'"') {
        const size_t end = commandLine.find(L'"', at + 1);
        return end == std::wstring::npos ? std::wstring()
                                         : commandLine.substr(at + 1, end - at - 1);
    }
    const size_t end = commandLine.find(L' ', at);
    return commandLine.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring commandLine = ::GetCommandLineW();
    const std::wstring folder = ModuleFolder(nullptr);
    WriteFileBytes(folder + L"commandline.log", Utf8(commandLine) + "\r\n", true);

    const std::wstring exportPath = ExportPath(commandLine);
    if (exportPath.empty())
        return 2;
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        "<Struct program=\"" CONFIGURATOR_NAME "\" variant=\"" CONFIGURATOR_VARIANT "\"/>\r\n";
    return WriteFileBytes(exportPath, xml, false) ? 0 : 3;
}
