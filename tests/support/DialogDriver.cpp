#include "support/DialogDriver.h"

#include "DialogCaption.h"
#include "res/resource.h"
#include "shared/WindowSearch.h"
#include "support/TestFiles.h"
#include "win/MessageBox.h"
#include "win/Module.h"
#include "win/ResourceText.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <iterator>
#include <thread>
#include <vector>

namespace {

// Reads a window's text through its own thread; a thread that does not
// answer fails the script.
std::wstring TextOf(HWND window) {
    std::wstring text;
    if (!ReadWindowText(window, text))
        throw DriverFailure("the window does not answer WM_GETTEXT");
    return text;
}

HWND FindThreadDialog(DWORD thread, const std::function<bool(HWND)>& matches) {
    // z-order: the first match is the topmost
    return FindThreadWindow(thread, [&](HWND window) {
        return ::IsWindowVisible(window) && IsDialog(window) && matches(window);
    });
}

INPUT KeyInput(WORD key, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    return input;
}

void Send(std::vector<INPUT>& inputs) {
    const UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size())
        throw DriverFailure("SendInput refused the keystrokes");
    // Let the UI thread take each batch before the next one arrives.
    ::Sleep(60);
}

} // namespace

HWND DialogDriver::WaitForDialog(const std::wstring& caption, DWORD timeoutMs) {
    HWND found = nullptr;
    const bool appeared = WaitFor(
        [&] {
            found = FindThreadDialog(m_uiThread, [&](HWND window) {
                return ::IsWindowEnabled(window) && WindowCaption(window) == caption;
            });
            return found != nullptr;
        },
        timeoutMs);
    if (!appeared)
        throw DriverFailure("no dialog \"" + Utf8(caption) + "\" appeared");
    return found;
}

HWND DialogDriver::WaitForMessageBox(HWND owner, DWORD timeoutMs) {
    const std::wstring caption = ProgramTitle();
    HWND found = nullptr;
    const bool appeared = WaitFor(
        [&] {
            found = FindThreadDialog(m_uiThread, [&](HWND window) {
                return ::GetWindow(window, GW_OWNER) == owner && IsMessageBox(window) &&
                       WindowCaption(window) == caption;
            });
            return found != nullptr;
        },
        timeoutMs);
    if (!appeared)
        throw DriverFailure("no message box appeared");
    return found;
}

void DialogDriver::WaitUntilGone(HWND window, DWORD timeoutMs) {
    Expect([&] { return !::IsWindow(window) || !::IsWindowVisible(window); },
           "the window did not close", timeoutMs);
}

void DialogDriver::Activate(HWND window) {
    // Only a thread that shares the foreground thread's input state may move
    // the foreground; attaching to the UI thread makes the driver one.
    const DWORD self = ::GetCurrentThreadId();
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (::GetForegroundWindow() == window && Focus() != nullptr)
            return;
        ::AttachThreadInput(self, m_uiThread, TRUE);
        ::SetForegroundWindow(window);
        ::SetActiveWindow(window);
        ::AttachThreadInput(self, m_uiThread, FALSE);
        if (WaitFor([&] { return ::GetForegroundWindow() == window && Focus() != nullptr; }, 1000))
            return;
    }
    throw DriverFailure("the window cannot be brought to the foreground");
}

void DialogDriver::Press(WORD key, std::initializer_list<WORD> modifiers) {
    std::vector<INPUT> inputs;
    for (WORD modifier : modifiers)
        inputs.push_back(KeyInput(modifier, true));
    inputs.push_back(KeyInput(key, true));
    inputs.push_back(KeyInput(key, false));
    for (auto it = modifiers.end(); it != modifiers.begin();)
        inputs.push_back(KeyInput(*--it, false));
    Send(inputs);
}

void DialogDriver::Type(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t ch : text) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = ch;
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(input);
        input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    Send(inputs);
}

void DialogDriver::Click(HWND window, POINT clientPoint) {
    POINT screen = clientPoint;
    ::ClientToScreen(window, &screen);
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = static_cast<LONG>((screen.x * 65536LL + width / 2) / width);
        input.mi.dy = static_cast<LONG>((screen.y * 65536LL + height / 2) / height);
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    std::vector<INPUT> batch(inputs, inputs + 3);
    Send(batch);
}

std::wstring DialogDriver::Text(HWND window) const {
    return TextOf(window);
}

std::wstring DialogDriver::MessageBoxText(HWND box) const {
    std::wstring text;
    if (!ReadMessageBoxText(box, text))
        throw DriverFailure("the message box does not answer WM_GETTEXT");
    return text;
}

HWND DialogDriver::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(m_uiThread, &info))
        return nullptr;
    return info.hwndFocus;
}

bool DialogDriver::WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) const {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount64() >= deadline)
            return false;
        ::Sleep(25);
    }
}

void DialogDriver::Expect(const std::function<bool()>& condition, const std::string& what,
                          DWORD timeoutMs) const {
    if (!WaitFor(condition, timeoutMs))
        throw DriverFailure(what);
}

void DialogDriver::CloseAll() const {
    const std::vector<HWND> dialogs = ThreadWindows(m_uiThread, IsDialog);
    // WM_CLOSE becomes IDCANCEL in every dialog: a message box ends, the
    // collection dialog ends without running anything.
    for (HWND dialog : dialogs)
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
}

DriveResult DriveModal(const std::function<INT_PTR()>& modal,
                       const std::function<void(DialogDriver&)>& script) {
    DriveResult result;
    const DWORD uiThread = ::GetCurrentThreadId();
    std::atomic<bool> modalEnded{false};

    std::thread driverThread([&] {
        DialogDriver driver(uiThread);
        try {
            script(driver);
        } catch (const std::exception& failure) {
            result.failures.push_back(failure.what());
        }
        if (driver.WaitFor([&] { return modalEnded.load(); }, 5000))
            return;
        result.failures.push_back("the dialog was still open when the script ended");
        if (driver.WaitFor(
                [&] {
                    driver.CloseAll();
                    return modalEnded.load();
                },
                60000))
            return;
        std::fprintf(stderr, "the dialog cannot be closed; ending the test program\n");
        std::fflush(stderr);
        ::TerminateProcess(::GetCurrentProcess(), 3);
    });

    result.modalResult = modal();
    modalEnded = true;
    driverThread.join();
    return result;
}

void ExpectNoFailures(const DriveResult& result) {
    for (const std::string& failure : result.failures)
        ADD_FAILURE() << failure;
}

const wchar_t kCollectionCaption[] = DORVAK_DIALOG_CAPTION_W;
const wchar_t kAboutCaption[] = L"О проекте Dorvak";

void TabToDescription(DialogDriver& driver, HWND dialog) {
    const int order[] = {IDOK, IDCANCEL, IDC_START_DATE, IDC_PROGRESS, IDC_DESCRIPTION};
    driver.Expect([&] { return driver.Focus() == ::GetDlgItem(dialog, order[0]); },
                  "the focus is not on Save");
    for (size_t stop = 1; stop < std::size(order); ++stop) {
        driver.Press(VK_TAB);
        driver.Expect([&] { return driver.Focus() == ::GetDlgItem(dialog, order[stop]); },
                      "Tab did not move the focus to control " + std::to_string(order[stop]));
    }
}

void TabUntilFocused(DialogDriver& driver, HWND control) {
    for (int press = 0;
         press < 5 && !driver.WaitFor([&] { return driver.Focus() == control; }, 300); ++press)
        driver.Press(VK_TAB);
    driver.Expect([&] { return driver.Focus() == control; }, "Tab did not reach the control");
}

namespace {

// The client point where the calendar shows `wanted`, found by asking the
// calendar itself what lies under each point.
bool FindCalendarPoint(HWND calendar, const std::function<bool(const MCHITTESTINFO&)>& wanted,
                       POINT& point) {
    RECT client;
    ::GetClientRect(calendar, &client);
    for (LONG y = client.top + 1; y < client.bottom; y += 3) {
        for (LONG x = client.left + 1; x < client.right; x += 3) {
            MCHITTESTINFO hit{};
            hit.cbSize = MCHITTESTINFO_V1_SIZE;
            hit.pt = {x, y};
            ::SendMessageW(calendar, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (wanted(hit)) {
                // Aim a little inside the cell rather than at its edge.
                point = {x + 3, y + 3};
                MCHITTESTINFO inside = hit;
                inside.pt = point;
                ::SendMessageW(calendar, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&inside));
                if (!wanted(inside))
                    point = hit.pt;
                return true;
            }
        }
    }
    return false;
}

bool SameDay(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

std::string DayText(const SYSTEMTIME& day) {
    return std::to_string(day.wYear) + "-" + std::to_string(day.wMonth) + "-" +
           std::to_string(day.wDay);
}

} // namespace

SYSTEMTIME CalendarSelection(HWND calendar) {
    SYSTEMTIME selected{};
    ::SendMessageW(calendar, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&selected));
    return selected;
}

void ClickCalendarDay(DialogDriver& driver, HWND calendar, const SYSTEMTIME& day) {
    POINT point{};
    const bool shown = FindCalendarPoint(
        calendar,
        [&](const MCHITTESTINFO& hit) {
            return hit.uHit == MCHT_CALENDARDATE && SameDay(hit.st, day);
        },
        point);
    if (!shown)
        throw DriverFailure("the calendar does not show " + DayText(day));
    driver.Click(calendar, point);
    driver.Expect([&] { return SameDay(CalendarSelection(calendar), day); },
                  "clicking " + DayText(day) + " did not select it");
}

void ClickNextMonth(DialogDriver& driver, HWND calendar) {
    POINT point{};
    if (!FindCalendarPoint(
            calendar, [](const MCHITTESTINFO& hit) { return hit.uHit == MCHT_TITLEBTNNEXT; },
            point))
        throw DriverFailure("the calendar shows no next-month button");
    SYSTEMTIME range[2] = {};
    ::SendMessageW(calendar, MCM_GETMONTHRANGE, GMR_VISIBLE, reinterpret_cast<LPARAM>(range));
    const SYSTEMTIME before = range[0];
    driver.Click(calendar, point);
    driver.Expect(
        [&] {
            ::SendMessageW(calendar, MCM_GETMONTHRANGE, GMR_VISIBLE,
                           reinterpret_cast<LPARAM>(range));
            return !SameDay(range[0], before);
        },
        "the calendar did not move to the next month");
}

std::wstring AnswerUntilSummary(DialogDriver& driver, HWND dialog,
                                std::vector<std::wstring>& others) {
    const std::wstring summaryStart = LoadResourceText(IDS_SAVED_TO);
    for (;;) {
        HWND box = driver.WaitForMessageBox(dialog, 120000);
        const std::wstring text = driver.MessageBoxText(box);
        const bool summary = text.compare(0, summaryStart.size(), summaryStart) == 0;
        driver.Activate(box);
        // Enter on the summary may send the archive; Esc closes it.
        driver.Press(summary ? VK_ESCAPE : VK_RETURN);
        driver.WaitUntilGone(box);
        if (summary)
            return text;
        others.push_back(text);
    }
}

ProgramFacts TestProgramFacts(const ProductVersion& version) {
    return ProgramFacts{version, ModuleFolder(nullptr), std::wstring(), ProductVersion{}};
}
