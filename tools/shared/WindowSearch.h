// Finding another thread's or process's windows and reading what they show,
// for the test programs, the end-to-end helpers and the benchmarks alike.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The static control of a message box that holds its text; of the
// program's dialogs only the summary, which stands where a box stood, gives
// its text the same id.
constexpr int kMessageBoxTextId = 0xFFFF;
// How long a window's thread has to answer a message before it counts as
// hung.
constexpr DWORD kWindowAnswerMs = 5000;

using WindowTest = std::function<bool(HWND)>;

std::wstring WindowClass(HWND window);
bool IsDialog(HWND window);
// A dialog that holds a message box's text control.
bool IsMessageBox(HWND window);
DWORD WindowProcess(HWND window);

// The caption as the window manager keeps it: asking the window instead
// would block while its thread is busy, for example in a collection run.
std::wstring WindowCaption(HWND window);

// A window's text, asked through the window's own thread, which answers
// sent messages even while it waits in a modal loop. False when the thread
// does not answer in time or the window is gone.
bool ReadWindowText(HWND window, std::wstring& text, DWORD timeoutMs = kWindowAnswerMs);
bool ReadWindowTextLength(HWND window, size_t& length, DWORD timeoutMs = kWindowAnswerMs);
// The text of a message box's text control; false as above, or when the
// window is no message box.
bool ReadMessageBoxText(HWND box, std::wstring& text, DWORD timeoutMs = kWindowAnswerMs);

// The top-level windows that pass `test`, topmost first.
std::vector<HWND> TopLevelWindows(const WindowTest& test);
// The topmost top-level window that passes `test`, or null.
HWND FindTopLevelWindow(const WindowTest& test);
// The same among the top-level windows of one thread.
std::vector<HWND> ThreadWindows(DWORD thread, const WindowTest& test);
HWND FindThreadWindow(DWORD thread, const WindowTest& test);

// A visible dialog of the process whose caption is `caption`.
WindowTest VisibleDialogOf(DWORD process, const std::wstring& caption);

// Looks for the window again every `pollMs` until it is there; null after
// `timeoutMs`.
HWND WaitForTopLevelWindow(const WindowTest& test, DWORD timeoutMs, DWORD pollMs = 25);
