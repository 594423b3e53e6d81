// Answers the message boxes a test provokes: a thread waits for each box of
// this process whose caption matches, records its text and icon and presses
// OK.
#pragma once

#include "shared/MessageIcon.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class MessageBoxWatcher {
  public:
    // processId 0 watches the calling process.
    explicit MessageBoxWatcher(std::wstring caption, DWORD processId = 0);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<std::wstring> Texts() const;
    // The icons of the same boxes, in the same order.
    std::vector<MessageIcon> Icons() const;
    // Waits until at least `count` boxes were answered or the time is up.
    bool WaitFor(size_t count, DWORD milliseconds) const;

  private:
    void Watch();

    std::wstring m_caption;
    DWORD m_processId;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_texts;
    std::vector<MessageIcon> m_icons;
    std::thread m_thread;
};
