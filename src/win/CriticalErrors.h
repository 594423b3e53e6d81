// The system's own "no disk in the drive" and "cannot read" boxes.
#pragma once

#include <windows.h>

// While it lives, the calling thread's calls fail with an error instead of
// bringing up the system's critical-error box (a removable drive without
// media, say), which would stop the run until someone answered it. The
// mode is the thread's, so a worker thread needs its own.
class CriticalErrorBoxesOff {
  public:
    CriticalErrorBoxesOff() noexcept {
        m_set = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX,
                                     &m_previous) != FALSE;
    }
    ~CriticalErrorBoxesOff() {
        if (m_set)
            ::SetThreadErrorMode(m_previous, nullptr);
    }
    CriticalErrorBoxesOff(const CriticalErrorBoxesOff&) = delete;
    CriticalErrorBoxesOff& operator=(const CriticalErrorBoxesOff&) = delete;

  private:
    DWORD m_previous = 0;
    bool m_set = false;
};
