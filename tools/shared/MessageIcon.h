// Which of the system's icons a message box shows, for the tests and the
// end-to-end helpers: the boxes' texts alone do not tell a warning from a
// notice.
#pragma once

#include <windows.h>

enum class MessageIcon { None, Error, Question, Exclamation, Information, Unknown };

// The names the end-to-end probe gives the same icons.
const char* MessageIconName(MessageIcon icon);

// The icon a message box shows. A box of this process is told by its icon
// handle; another process's icon handle means nothing here, so its box is
// told by what the screen shows, looked at until it matches one of the
// system's icons or `timeoutMs` has passed (Unknown then).
MessageIcon MessageBoxIcon(HWND box, DWORD timeoutMs = 5000);
