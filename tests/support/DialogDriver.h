// Drives the program's dialogs the way an operator does: the test's main
// thread runs a dialog modally, a driver thread finds its windows and sends
// real keystrokes through the system's input queue, so the dialog manager
// (default button, Esc, Ctrl+Enter in a multi-line edit) does the rest.
#pragma once

#include "ui/ProgramFacts.h"

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

// Thrown by the driver when the dialog does not do what the script waits
// for; the script ends and every window left open is closed.
struct DriverFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class DialogDriver {
  public:
    explicit DialogDriver(DWORD uiThread) : m_uiThread(uiThread) {}

    // A visible dialog window of the UI thread with this caption; the newest
    // one when several match. Fails after the time-out.
    HWND WaitForDialog(const std::wstring& caption, DWORD timeoutMs = 10000);
    // A message box (the program's name as caption) owned by `owner`.
    HWND WaitForMessageBox(HWND owner, DWORD timeoutMs = 60000);
    void WaitUntilGone(HWND window, DWORD timeoutMs = 10000);

    // Makes `window` the foreground window of the desktop so that keystrokes
    // reach it, and waits until the system says so.
    void Activate(HWND window);

    // One key with optional modifiers (VK_CONTROL, VK_SHIFT, VK_MENU).
    void Press(WORD key, std::initializer_list<WORD> modifiers = {});
    // Characters typed as Unicode keystrokes into the focused control.
    void Type(const std::wstring& text);
    // A left click at a point of a window's client area.
    void Click(HWND window, POINT clientPoint);

    // Window text read through the window's own thread.
    std::wstring Text(HWND window) const;
    // The static text of a message box.
    std::wstring MessageBoxText(HWND box) const;
    HWND Focus() const;
    // Waits until `condition` holds; false after the time-out.
    bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 5000) const;
    // Like WaitFor, but a time-out fails the script with `what`.
    void Expect(const std::function<bool()>& condition, const std::string& what,
                DWORD timeoutMs = 5000) const;

    // Closes every window the UI thread still shows, message boxes first.
    void CloseAll() const;

  private:
    DWORD m_uiThread;
};

// Runs `modal` on the calling thread (which must be the one that creates
// the dialog) while `script` drives it from a second thread. Every failure
// of the script is returned; if the dialog is still open when the script
// ends, it is closed. A dialog that cannot be closed at all ends the process
// after a minute so that a hang never outlives the test.
struct DriveResult {
    INT_PTR modalResult = 0;
    std::vector<std::string> failures;
};
DriveResult DriveModal(const std::function<INT_PTR()>& modal,
                       const std::function<void(DialogDriver&)>& script);

// Reports every failure of a driven dialog to the running test.
void ExpectNoFailures(const DriveResult& result);

// The collection dialog's caption, as the program's template gives it.
extern const wchar_t kCollectionCaption[];
extern const wchar_t kAboutCaption[];

// Moves the focus from Save along the tab order to the description edit,
// checking each stop: Save, Cancel, calendar, progress line, description.
void TabToDescription(DialogDriver& driver, HWND dialog);
// Presses Tab until the control has the focus, at most once round the
// dialog.
void TabUntilFocused(DialogDriver& driver, HWND control);

// Clicks a day shown in the month calendar and waits until it is the
// calendar's selection.
void ClickCalendarDay(DialogDriver& driver, HWND calendar, const SYSTEMTIME& day);
// Clicks the calendar's button that shows the next month.
void ClickNextMonth(DialogDriver& driver, HWND calendar);
// The calendar's selected day, read through its own thread.
SYSTEMTIME CalendarSelection(HWND calendar);

// Answers the message boxes of a collection run with Enter until the
// summary appears, and closes that with Esc; returns its text, and the
// texts of any other boxes in `others`.
std::wstring AnswerUntilSummary(DialogDriver& driver, HWND dialog,
                                std::vector<std::wstring>& others);

// The program as the dialog tests present it: this version, the test
// program's own folder, no resource library.
ProgramFacts TestProgramFacts(const ProductVersion& version);
