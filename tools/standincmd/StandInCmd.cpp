// Stands in for the system's command interpreter. Given "/U /Q /C command"
// it writes the command's known output (shared/StandInOutput.h) to its
// standard output in several writes, with pauses between them so that a
// caller that does not wait for the end sees a short file, and a line of its
// own to its standard error. Anything else on its command line: it writes
// nothing and fails.
#include "shared/StandInOutput.h"

#include <windows.h>

#include <string>

namespace {

bool WriteAll(HANDLE handle, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(bytes.size() - done);
        if (!::WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

// The command line after the program's own name, as the interpreter reads
// it: the name ends at the first blank, or at the closing quote.
std::wstring Arguments(const std::wstring& line) {
    size_t at = 0;
    if (!line.empty() && line[0] == L'"') {
        at = line.find(L'"', 1);
        at = at == std::wstring::npos ? line.size() : at + 1;
    } else {
        at = line.find(L' ');
        at = at == std::wstring::npos ? line.size() : at;
    }
    while (at < line.size() && line[at] == L' ')
        ++at;
    return line.substr(at);
}

} // namespace

int wmain() {
    const std::wstring prefix = L"/U /Q /C ";
    const std::wstring arguments = Arguments(::GetCommandLineW());
    if (arguments.compare(0, prefix.size(), prefix) != 0)
        return 2;
    const std::wstring command = arguments.substr(prefix.size());
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    for (const std::string& piece : StandInOutputPieces(command)) {
        if (!WriteAll(output, piece))
            return 1;
        if (error != nullptr && error != INVALID_HANDLE_VALUE)
            WriteAll(error, StandInErrorOutput(command));
        ::Sleep(100);
    }
    return 0;
}
