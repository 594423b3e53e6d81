#include "support/MessageBoxWatcher.h"

#include <vector>

namespace {
struct Search {
    const std::wstring* caption;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != search->processId || !::IsWindowVisible(window))
        return TRUE;
    wchar_t className[32] = {};
    ::GetClassNameW(window, className, 32);
    if (std::wstring(className) != L"#32770" || ::GetDlgItem(window, 0xFFFF) == nullptr)
        return TRUE;
    const int length = ::GetWindowTextLengthW(window);
    std::vector<wchar_t> title(static_cast<size_t>(length) + 1);
    ::GetWindowTextW(window, title.data(), length + 1);
    if (*search->caption != title.data())
        return TRUE;
    search->found = window;
    return FALSE;
}
} // namespace

std::wstring MessageBoxText(HWND box) {
    HWND text = ::GetDlgItem(box, 0xFFFF);
    const LRESULT length = ::SendMessageW(text, WM_GETTEXTLENGTH, 0, 0);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    ::SendMessageW(text, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.data();
}

MessageBoxWatcher::MessageBoxWatcher(std::wstring caption, DWORD processId)
    : m_caption(std::move(caption)),
      m_processId(processId != 0 ? processId : ::GetCurrentProcessId()),
      m_thread([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    m_stop = true;
    m_thread.join();
}

void MessageBoxWatcher::Watch() {
    HWND last = nullptr;
    while (!m_stop) {
        Search search{&m_caption, m_processId, nullptr};
        ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr && search.found != last) {
            const std::wstring text = MessageBoxText(search.found);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_texts.push_back(text);
            }
            last = search.found;
            // The box's single button has the id IDOK.
            ::PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        ::Sleep(30);
    }
}

std::vector<std::wstring> MessageBoxWatcher::Texts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts;
}

bool MessageBoxWatcher::WaitFor(size_t count, DWORD milliseconds) const {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < milliseconds) {
        if (Texts().size() >= count)
            return true;
        ::Sleep(20);
    }
    return Texts().size() >= count;
}
