#include "shared/WindowSearch.h"

namespace {
// The class the dialog manager gives every dialog and message box.
const wchar_t kDialogClass[] = L"#32770";
} // namespace

std::wstring WindowClass(HWND window) {
    // A class name is an atom's name, at most 256 characters.
    wchar_t name[257] = {};
    const int length = ::GetClassNameW(window, name, 257);
    return std::wstring(name, static_cast<size_t>(length > 0 ? length : 0));
}

bool IsDialog(HWND window) {
    return WindowClass(window) == kDialogClass;
}

bool IsMessageBox(HWND window) {
    return IsDialog(window) && ::GetDlgItem(window, kMessageBoxTextId) != nullptr;
}

DWORD WindowProcess(HWND window) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process;
}

std::wstring WindowCaption(HWND window) {
    // The window manager tells no length without asking the window, so the
    // buffer grows until the caption fits with room to spare.
    std::wstring caption(256, L'\0');
    for (;;) {
        const int length =
            ::InternalGetWindowText(window, caption.data(), static_cast<int>(caption.size()));
        if (length <= 0)
            return std::wstring();
        if (static_cast<size_t>(length) + 1 < caption.size()) {
            caption.resize(static_cast<size_t>(length));
            return caption;
        }
        caption.resize(caption.size() * 2);
    }
}

bool ReadWindowTextLength(HWND window, size_t& length, DWORD timeoutMs) {
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeoutMs,
                               &answer))
        return false;
    length = static_cast<size_t>(answer);
    return true;
}

bool ReadWindowText(HWND window, std::wstring& text, DWORD timeoutMs) {
    size_t length = 0;
    if (!ReadWindowTextLength(window, length, timeoutMs))
        return false;
    std::vector<wchar_t> buffer(length + 1);
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                               reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG, timeoutMs,
                               &copied))
        return false;
    text.assign(buffer.data(), copied < buffer.size() ? copied : buffer.size() - 1);
    return true;
}

bool ReadMessageBoxText(HWND box, std::wstring& text, DWORD timeoutMs) {
    HWND control = IsDialog(box) ? ::GetDlgItem(box, kMessageBoxTextId) : nullptr;
    return control != nullptr && ReadWindowText(control, text, timeoutMs);
}

namespace {

struct Collected {
    const WindowTest* test;
    bool firstOnly;
    std::vector<HWND> windows;
};

BOOL CALLBACK Collect(HWND window, LPARAM parameter) {
    auto* collected = reinterpret_cast<Collected*>(parameter);
    if (!(*collected->test)(window))
        return TRUE;
    collected->windows.push_back(window);
    return collected->firstOnly ? FALSE : TRUE;
}

// The system lists top-level windows in z-order, topmost first.
std::vector<HWND> Enumerate(DWORD thread, const WindowTest& test, bool firstOnly) {
    Collected collected{&test, firstOnly, {}};
    if (thread == 0)
        ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&collected));
    else
        ::EnumThreadWindows(thread, Collect, reinterpret_cast<LPARAM>(&collected));
    return collected.windows;
}

HWND First(const std::vector<HWND>& windows) {
    return windows.empty() ? nullptr : windows.front();
}

} // namespace

std::vector<HWND> TopLevelWindows(const WindowTest& test) {
    return Enumerate(0, test, false);
}

HWND FindTopLevelWindow(const WindowTest& test) {
    return First(Enumerate(0, test, true));
}

std::vector<HWND> ThreadWindows(DWORD thread, const WindowTest& test) {
    return Enumerate(thread, test, false);
}

HWND FindThreadWindow(DWORD thread, const WindowTest& test) {
    return First(Enumerate(thread, test, true));
}

WindowTest VisibleDialogOf(DWORD process, const std::wstring& caption) {
    return [process, caption](HWND window) {
        return ::IsWindowVisible(window) && WindowProcess(window) == process && IsDialog(window) &&
               WindowCaption(window) == caption;
    };
}

HWND WaitForTopLevelWindow(const WindowTest& test, DWORD timeoutMs, DWORD pollMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND window = FindTopLevelWindow(test))
            return window;
        if (::GetTickCount64() >= deadline)
            return nullptr;
        ::Sleep(pollMs);
    }
}
