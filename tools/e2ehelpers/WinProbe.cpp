// Reads what another program's windows show, for tests that drive that
// program through its window from outside (keystrokes and mouse come from
// the X server, not from here). It reads commands on standard input, one a
// line, fields separated by TAB, and answers each with one line of JSON:
//
//   list                           visible dialog windows (#32770): handle,
//                                  process, X window, owner, title; for a
//                                  message box also its text and its icon,
//                                  and for the program's summary, which
//                                  reads as a box, its default button
//   find <title>                   visible top-level windows of any class
//                                  with that title: handle, process, class
//   close <hwnd>                   asks a window to close (WM_CLOSE)
//   end <pid>                      ends a process that would not close
//   text <hwnd> <id>               text of a control (id 0: the window)
//   length <hwnd> <id>             length of that text, without the text
//   rect <hwnd> <id>               screen rectangle of a control
//   focus <hwnd>                   control id holding the focus in the
//                                  window's thread, and the active window
//   calsel <hwnd> <id>             selected day of a month calendar
//   calpoint <hwnd> <id> <date>    screen point of a day (YYYY-MM-DD) shown
//                                  in a month calendar, for a mouse click
//   clip <file>                    puts a UTF-8 file's text on the clipboard,
//                                  for a paste with Ctrl+V
//   alive <pid>                    whether a process is still running
//   errtext <code>                 the system's text of an error code
//   quit
//
// Texts of windows are read with messages through the window's own thread;
// the calendar's answers need memory in the calendar's process, which is
// taken there for the duration of one command.
#include "res/resource.h"
#include "shared/GdiHandles.h"
#include "shared/JsonText.h"
#include "shared/MessageIcon.h"
#include "shared/WindowSearch.h"
#include "win/Handles.h"
#include "win/SystemMessage.h"
#include "win/Utf8.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring Wide(const std::string& bytes) {
    if (bytes.empty())
        return std::wstring();
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                          size);
    return text;
}

void Answer(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                &written, nullptr);
}

void AnswerError(const std::string& what) {
    Answer("{\"error\":" + JsonText(Wide(what)) + "}");
}

std::string Number(unsigned long long value) {
    return std::to_string(value);
}

std::string Hwnd(HWND window) {
    return Number(reinterpret_cast<ULONG_PTR>(window));
}

HWND ParseHwnd(const std::wstring& text) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::wcstoull(text.c_str(), nullptr, 10)));
}

std::string DialogItem(HWND window) {
    DWORD process = 0;
    const DWORD thread = ::GetWindowThreadProcessId(window, &process);
    std::wstring title;
    ReadWindowText(window, title);
    const HANDLE xWindow = ::GetPropW(window, L"__wine_x11_whole_window");
    std::string item =
        "{\"hwnd\":" + Hwnd(window) + ",\"pid\":" + Number(process) + ",\"tid\":" + Number(thread) +
        ",\"xid\":" + Number(reinterpret_cast<ULONG_PTR>(xWindow)) +
        ",\"owner\":" + Hwnd(::GetWindow(window, GW_OWNER)) + ",\"title\":" + JsonText(title);
    if (IsMessageBox(window)) {
        std::wstring message;
        ReadMessageBoxText(window, message);
        item += ",\"box\":true,\"text\":" + JsonText(message) + ",\"icon\":\"" +
                MessageIconName(MessageBoxIcon(window)) + "\"";
        if (::GetDlgItem(window, IDC_SEND_MAIL) != nullptr) {
            DWORD_PTR defaultId = 0;
            ::SendMessageTimeoutW(window, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, kWindowAnswerMs,
                                  &defaultId);
            item += ",\"summary\":true,\"default\":" + Number(LOWORD(defaultId));
        }
    } else {
        item += ",\"box\":false";
    }
    return item + "}";
}

void List() {
    const std::vector<HWND> dialogs =
        TopLevelWindows([](HWND window) { return ::IsWindowVisible(window) && IsDialog(window); });
    std::string line = "{\"windows\":[";
    for (size_t i = 0; i < dialogs.size(); ++i)
        line += (i ? "," : "") + DialogItem(dialogs[i]);
    Answer(line + "]}");
}

void Find(const std::wstring& title) {
    const std::vector<HWND> found = TopLevelWindows(
        [&](HWND window) { return ::IsWindowVisible(window) && WindowCaption(window) == title; });
    std::string line = "{\"windows\":[";
    for (size_t i = 0; i < found.size(); ++i)
        line += std::string(i ? "," : "") + "{\"hwnd\":" + Hwnd(found[i]) +
                ",\"pid\":" + Number(WindowProcess(found[i])) +
                ",\"class\":" + JsonText(WindowClass(found[i])) + "}";
    Answer(line + "]}");
}

void End(DWORD id) {
    KernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    const bool ended = process && ::TerminateProcess(process.Get(), 1) &&
                       ::WaitForSingleObject(process.Get(), 10000) == WAIT_OBJECT_0;
    Answer(std::string("{\"ended\":") + (ended ? "true" : "false") + "}");
}

HWND Control(HWND window, const std::wstring& id) {
    const int number = std::wcstol(id.c_str(), nullptr, 10);
    return number == 0 ? window : ::GetDlgItem(window, number);
}

// Memory in another process for one message that carries a pointer.
class RemoteBlock {
  public:
    RemoteBlock(HWND window, size_t size) : m_size(size) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        m_process.Reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                      FALSE, process));
        if (m_process)
            m_address = ::VirtualAllocEx(m_process.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                         PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (m_address != nullptr)
            ::VirtualFreeEx(m_process.Get(), m_address, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool Valid() const { return m_address != nullptr; }
    LPARAM Address() const { return reinterpret_cast<LPARAM>(m_address); }
    bool Write(const void* data) {
        return ::WriteProcessMemory(m_process.Get(), m_address, data, m_size, nullptr) != FALSE;
    }
    bool Read(void* data) {
        return ::ReadProcessMemory(m_process.Get(), m_address, data, m_size, nullptr) != FALSE;
    }

  private:
    KernelHandle m_process;
    void* m_address = nullptr;
    size_t m_size;
};

std::string DateText(const SYSTEMTIME& day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", day.wYear, day.wMonth, day.wDay);
    return text;
}

void CalendarSelection(HWND calendar) {
    RemoteBlock block(calendar, sizeof(SYSTEMTIME));
    SYSTEMTIME day{};
    DWORD_PTR result = 0;
    if (!block.Valid() || !block.Write(&day) ||
        !::SendMessageTimeoutW(calendar, MCM_GETCURSEL, 0, block.Address(), SMTO_ABORTIFHUNG, 5000,
                               &result) ||
        !block.Read(&day))
        return AnswerError("the calendar does not answer");
    if (result == 0)
        return Answer("{\"date\":null}");
    Answer("{\"date\":\"" + DateText(day) + "\"}");
}

// Hit-tests the calendar's client area on a grid and returns the middle of
// the cells that show the day as a day of the displayed month.
void CalendarPoint(HWND calendar, const std::wstring& date) {
    unsigned year = 0, month = 0, dayOfMonth = 0;
    if (std::swscanf(date.c_str(), L"%u-%u-%u", &year, &month, &dayOfMonth) != 3)
        return AnswerError("bad date");
    RemoteBlock block(calendar, sizeof(MCHITTESTINFO));
    if (!block.Valid())
        return AnswerError("no memory in the calendar's process");
    RECT client;
    ::GetClientRect(calendar, &client);
    long sumX = 0, sumY = 0, hits = 0;
    for (int y = 1; y < client.bottom; y += 2) {
        for (int x = 1; x < client.right; x += 2) {
            MCHITTESTINFO hit{};
            hit.cbSize = sizeof hit;
            hit.pt = POINT{x, y};
            DWORD_PTR result = 0;
            if (!block.Write(&hit) ||
                !::SendMessageTimeoutW(calendar, MCM_HITTEST, 0, block.Address(), SMTO_ABORTIFHUNG,
                                       5000, &result) ||
                !block.Read(&hit))
                return AnswerError("the calendar does not answer");
            if (hit.uHit == MCHT_CALENDARDATE && hit.st.wYear == year && hit.st.wMonth == month &&
                hit.st.wDay == dayOfMonth) {
                sumX += x;
                sumY += y;
                ++hits;
            }
        }
    }
    if (hits == 0)
        return AnswerError("the day is not shown");
    POINT point{static_cast<LONG>(sumX / hits), static_cast<LONG>(sumY / hits)};
    ::ClientToScreen(calendar, &point);
    Answer("{\"x\":" + std::to_string(point.x) + ",\"y\":" + std::to_string(point.y) + "}");
}

void Focus(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info))
        return AnswerError("no thread information");
    const int id = info.hwndFocus != nullptr ? ::GetDlgCtrlID(info.hwndFocus) : 0;
    Answer("{\"focus\":" + std::to_string(id) + ",\"active\":" + Hwnd(info.hwndActive) +
           ",\"foreground\":" + Hwnd(::GetForegroundWindow()) + "}");
}

bool ReadUtf8File(const std::wstring& path, std::wstring& text) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    std::string bytes;
    char chunk[65536];
    DWORD read = 0;
    while (::ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    text = Wide(bytes);
    return true;
}

// The clipboard, open for as long as it lives.
class OpenedClipboard {
  public:
    OpenedClipboard() : m_open(::OpenClipboard(nullptr) != FALSE) {}
    ~OpenedClipboard() {
        if (m_open)
            ::CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;

    bool IsOpen() const { return m_open; }

  private:
    bool m_open;
};

bool PutOnClipboard(const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    GlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory)
        return false;
    {
        GlobalLockGuard locked(memory.Get());
        if (locked.Data() == nullptr)
            return false;
        std::memcpy(locked.Data(), text.c_str(), bytes);
    }
    OpenedClipboard clipboard;
    if (!clipboard.IsOpen())
        return false;
    ::EmptyClipboard();
    if (::SetClipboardData(CF_UNICODETEXT, memory.Get()) == nullptr)
        return false;
    // The clipboard owns the memory once it took it.
    memory.Release();
    return true;
}

// A process that cannot be opened any more (its id gone) counts as ended.
void Alive(DWORD id) {
    KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
    const bool alive = process && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
    Answer(std::string("{\"alive\":") + (alive ? "true" : "false") + "}");
}

void ErrorText(DWORD code) {
    Answer("{\"text\":" + JsonText(SystemMessageText(code)) + "}");
}

std::vector<std::wstring> Fields(const std::wstring& line) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find(L'\t', start);
        fields.push_back(line.substr(start, tab == std::wstring::npos ? tab : tab - start));
        if (tab == std::wstring::npos)
            return fields;
        start = tab + 1;
    }
}

bool ReadLine(std::string& line) {
    line.clear();
    char c;
    DWORD read = 0;
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    while (::ReadFile(input, &c, 1, &read, nullptr) && read == 1) {
        if (c == '\n')
            return true;
        if (c != '\r')
            line += c;
    }
    return !line.empty();
}

} // namespace

int wmain() {
    std::string raw;
    while (ReadLine(raw)) {
        const std::vector<std::wstring> fields = Fields(Wide(raw));
        const std::wstring& command = fields[0];
        if (command == L"quit")
            break;
        if (command == L"list") {
            List();
        } else if (command == L"text" && fields.size() == 3) {
            std::wstring text;
            HWND control = Control(ParseHwnd(fields[1]), fields[2]);
            if (control == nullptr || !ReadWindowText(control, text))
                AnswerError("no such window");
            else
                Answer("{\"text\":" + JsonText(text) + "}");
        } else if (command == L"length" && fields.size() == 3) {
            HWND control = Control(ParseHwnd(fields[1]), fields[2]);
            size_t length = 0;
            if (control == nullptr || !ReadWindowTextLength(control, length))
                AnswerError("no such window");
            else
                Answer("{\"length\":" + Number(length) + "}");
        } else if (command == L"alive" && fields.size() == 2) {
            Alive(static_cast<DWORD>(std::wcstoul(fields[1].c_str(), nullptr, 10)));
        } else if (command == L"rect" && fields.size() == 3) {
            HWND control = Control(ParseHwnd(fields[1]), fields[2]);
            RECT rect{};
            if (control == nullptr || !::GetWindowRect(control, &rect))
                AnswerError("no such window");
            else
                Answer("{\"left\":" + std::to_string(rect.left) + ",\"top\":" +
                       std::to_string(rect.top) + ",\"right\":" + std::to_string(rect.right) +
                       ",\"bottom\":" + std::to_string(rect.bottom) + "}");
        } else if (command == L"focus" && fields.size() == 2) {
            Focus(ParseHwnd(fields[1]));
        } else if (command == L"calsel" && fields.size() == 3) {
            HWND calendar = Control(ParseHwnd(fields[1]), fields[2]);
            if (calendar == nullptr)
                AnswerError("no such window");
            else
                CalendarSelection(calendar);
        } else if (command == L"calpoint" && fields.size() == 4) {
            HWND calendar = Control(ParseHwnd(fields[1]), fields[2]);
            if (calendar == nullptr)
                AnswerError("no such window");
            else
                CalendarPoint(calendar, fields[3]);
        } else if (command == L"clip" && fields.size() == 2) {
            std::wstring text;
            if (!ReadUtf8File(fields[1], text) || !PutOnClipboard(text))
                AnswerError("cannot fill the clipboard");
            else
                Answer("{\"length\":" + std::to_string(text.size()) + "}");
        } else if (command == L"find" && fields.size() == 2) {
            Find(fields[1]);
        } else if (command == L"close" && fields.size() == 2) {
            const bool asked = ::PostMessageW(ParseHwnd(fields[1]), WM_CLOSE, 0, 0) != FALSE;
            Answer(std::string("{\"asked\":") + (asked ? "true" : "false") + "}");
        } else if (command == L"end" && fields.size() == 2) {
            End(static_cast<DWORD>(std::wcstoul(fields[1].c_str(), nullptr, 10)));
        } else if (command == L"errtext" && fields.size() == 2) {
            ErrorText(static_cast<DWORD>(std::wcstoul(fields[1].c_str(), nullptr, 10)));
        } else {
            AnswerError("unknown command");
        }
    }
    return 0;
}
