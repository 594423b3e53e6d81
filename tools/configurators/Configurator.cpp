// Stands in for the suite's configurators MERUDispCfg.exe and
// MERUDomainCfg.exe: it understands only -s followed by the quoted path of
// the export, writes a small Struct.XML there, and appends its whole command
// line (UTF-8, one line) to commandline.log beside itself, so a test can see
// exactly how it was started.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          size, nullptr, nullptr);
    return bytes;
}

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes, bool append) {
    const HANDLE file = ::CreateFileW(
        path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
        append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        bytes.empty() ||
        (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size());
    ::CloseHandle(file);
    return ok;
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
    const std::wstring self = OwnPath();
    const std::wstring folder = self.substr(0, self.find_last_of(L'\\') + 1);
    WriteFileBytes(folder + L"commandline.log", Utf8(commandLine) + "\r\n", true);

    const std::wstring exportPath = ExportPath(commandLine);
    if (exportPath.empty())
        return 2;
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        "<Struct program=\"" CONFIGURATOR_NAME "\" variant=\"" CONFIGURATOR_VARIANT "\"/>\r\n";
    return WriteFileBytes(exportPath, xml, false) ? 0 : 3;
}
