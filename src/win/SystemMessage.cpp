#include "win/SystemMessage.h"

#include "win/Handles.h"

std::wstring SystemMessageText(DWORD code) {
    wchar_t* buffer = nullptr;
    // Without arguments to fill them, a text with inserts ("%1 is not ...")
    // would give no text at all; its placeholders are shown as they stand.
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    LocalMemory owner(buffer);
    if (length == 0 || buffer == nullptr)
        return std::wstring();
    return std::wstring(buffer, length);
}
