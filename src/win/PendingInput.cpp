#include "win/PendingInput.h"

#include <windows.h>

namespace {
void DiscardRange(UINT first, UINT last) {
    // Bounded, so a mouse that keeps moving cannot hold the thread here.
    MSG message;
    for (int i = 0; i < 100000 && ::PeekMessageW(&message, nullptr, first, last, PM_REMOVE); ++i) {
    }
}
} // namespace

void DiscardPendingInput() {
    DiscardRange(WM_KEYFIRST, WM_KEYLAST);
    DiscardRange(WM_MOUSEFIRST, WM_MOUSELAST);
    DiscardRange(WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK);
}
