#include "support/MessageBoxWatcher.h"

#include "shared/WindowSearch.h"

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
        HWND box = FindTopLevelWindow([this](HWND window) {
            return ::IsWindowVisible(window) && WindowProcess(window) == m_processId &&
                   IsMessageBox(window) && WindowCaption(window) == m_caption;
        });
        std::wstring text;
        if (box != nullptr && box != last && ReadMessageBoxText(box, text)) {
            const MessageIcon icon = MessageBoxIcon(box);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_texts.push_back(text);
                m_icons.push_back(icon);
            }
            last = box;
            // The box's single button has the id IDOK.
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        ::Sleep(30);
    }
}

std::vector<std::wstring> MessageBoxWatcher::Texts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts;
}

std::vector<MessageIcon> MessageBoxWatcher::Icons() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_icons;
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
