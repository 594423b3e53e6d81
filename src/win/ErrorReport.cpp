#include "win/ErrorReport.h"

#include "win/MessageBox.h"
#include "win/SystemMessage.h"

#include <cwchar>

std::wstring ComposeSystemErrorText(const std::wstring& text, DWORD code) {
    std::wstring message = text;
    if (code == 0)
        return message;

    wchar_t numbers[64];
    std::swprintf(numbers, 64, L": %d (0x%x)", static_cast<int>(code), static_cast<unsigned>(code));
    message += numbers;

    std::wstring description = SystemMessageText(code);
    if (description.size() >= 2 && description.compare(description.size() - 2, 2, L"\r\n") == 0)
        description.resize(description.size() - 2);
    if (!description.empty())
        message += L" - " + description;
    return message;
}

void ReportSystemError(HWND owner, const std::wstring& text, DWORD code) {
    if (code == static_cast<DWORD>(-1))
        code = ::GetLastError();
    const std::wstring message = ComposeSystemErrorText(text, code);
    if (!message.empty())
        ShowMessage(owner, message, MB_ICONERROR);
}
