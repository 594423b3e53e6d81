#include "ui/SummaryDlg.h"

#include "res/resource.h"
#include "win/MessageBox.h"
#include "win/Module.h"
#include "win/PendingInput.h"
#include "win/ShellFolder.h"

#include <algorithm>
#include <cwchar>
#include <utility>

namespace {
const int kButtons[] = {IDC_SEND_MAIL, IDC_SHOW_ARCHIVE, IDOK};
// As the static control draws its text (SS_EDITCONTROL, SS_NOPREFIX): a
// path with no blank in it still breaks at the edge, and an "&" in a folder's
// name stays an "&".
const UINT kTextFormat = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS;

std::wstring Hex(HRESULT result) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(result));
    return text;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The window's device context with the dialog's font selected, while it lives.
class FontDc {
  public:
    explicit FontDc(HWND window) : m_window(window), m_dc(::GetDC(window)) {
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
        m_old = font != nullptr ? ::SelectObject(m_dc, font) : nullptr;
    }
    ~FontDc() {
        if (m_old != nullptr)
            ::SelectObject(m_dc, m_old);
        ::ReleaseDC(m_window, m_dc);
    }
    FontDc(const FontDc&) = delete;
    FontDc& operator=(const FontDc&) = delete;

    HDC Get() const { return m_dc; }

  private:
    HWND m_window;
    HDC m_dc;
    HGDIOBJ m_old;
};
} // namespace

CSummaryDlg::CSummaryDlg(RunSummary summary, MailMessage mail, HeardRun* run)
    : CProgramDialog(IDD_SUMMARY_DIALOG), m_summary(std::move(summary)), m_mail(std::move(mail)),
      m_run(run) {}

HINSTANCE CSummaryDlg::TemplateModule() const {
    return AddedDialogTemplateModule(IDD_SUMMARY_DIALOG);
}

INT_PTR CSummaryDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDC_SEND_MAIL) {
            Send();
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_SHOW_ARCHIVE) {
            Show();
            return TRUE;
        }
    }
    return CProgramDialog::HandleMessage(message, wParam, lParam);
}

bool CSummaryDlg::OnInitDialog() {
    CProgramDialog::OnInitDialog();
    // The box it replaces was captioned with the program's name.
    ::SetWindowTextW(m_hWnd, ProgramTitle().c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_SUMMARY_TEXT, m_summary.notice.text.c_str());
    const bool warning = (m_summary.notice.icon & MB_ICONMASK) == MB_ICONWARNING;
    // The system's own icons are shared and never destroyed.
    ::SendDlgItemMessageW(
        m_hWnd, IDC_SUMMARY_ICON, STM_SETICON,
        reinterpret_cast<WPARAM>(::LoadIconW(nullptr, warning ? IDI_WARNING : IDI_INFORMATION)), 0);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SEND_MAIL), !m_summary.archive.empty());
    FitToText();
    MakeDefault(m_summary.mailFirst ? IDC_SEND_MAIL : IDOK);
    // The sound a message box of that icon makes.
    ::MessageBeep(m_summary.notice.icon & MB_ICONMASK);
    return false; // the focus is the default button's
}

void CSummaryDlg::OnOK() {
    Record(L"CHOSE", L"close");
    EndDialog(IDOK);
}

void CSummaryDlg::Send() {
    const ULONG result = SendMailInItsWindow(m_hWnd, m_mail);
    Record(L"CHOSE", L"send result=" + std::to_wstring(result) + L" to=" + m_mail.recipient);
    if (result == kMailTaken) {
        // Handed over once: Enter now closes rather than sending again.
        MakeDefault(IDOK);
        return;
    }
    if (result == kMailAbandoned)
        return; // the operator closed the mail program's window himself
    Tell(MailFailedNotice(result));
    const std::wstring item = ShownItem();
    const HRESULT shown = ShowInFolder(item);
    Record(L"SHOWN", L"result=" + Hex(shown) + L" file=" + item);
    if (FAILED(shown))
        Tell(ShowFailedNotice(item, shown));
}

void CSummaryDlg::Show() {
    const std::wstring item = ShownItem();
    const HRESULT shown = ShowInFolder(item);
    Record(L"CHOSE", L"show result=" + Hex(shown) + L" file=" + item);
    if (FAILED(shown))
        Tell(ShowFailedNotice(item, shown));
}

std::wstring CSummaryDlg::ShownItem() const {
    if (!m_summary.archive.empty())
        return m_summary.archive;
    // The folder itself, selected among its neighbours, is what to archive.
    std::wstring folder = m_summary.datedFolder;
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

void CSummaryDlg::MakeDefault(int button) {
    ::SendMessageW(m_hWnd, DM_SETDEFID, static_cast<WPARAM>(button), 0);
    // Moves the focus and the default button's frame together.
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(m_hWnd, button)),
                   TRUE);
}

void CSummaryDlg::FitToText() {
    // Margins, the gap between buttons and a button's height and least
    // width, in the dialog's own units.
    RECT units{7, 4, 14, 50};
    ::MapDialogRect(m_hWnd, &units);
    const int margin = units.left;
    const int gap = units.top;
    const int buttonHeight = units.right;
    const int iconSize = ::GetSystemMetrics(SM_CXICON);

    HMONITOR monitor = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST);
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    ::GetMonitorInfoW(monitor, &screen);
    const RECT& work = screen.rcWork;
    const int workWidth = static_cast<int>(work.right - work.left);
    const int workHeight = static_cast<int>(work.bottom - work.top);

    const FontDc dc(m_hWnd);
    int buttonWidth = static_cast<int>(units.bottom);
    for (const int id : kButtons) {
        const std::wstring caption = WindowText(::GetDlgItem(m_hWnd, id));
        SIZE extent{};
        ::GetTextExtentPoint32W(dc.Get(), caption.c_str(), static_cast<int>(caption.size()),
                                &extent);
        buttonWidth = std::max(buttonWidth, static_cast<int>(extent.cx) + 2 * margin);
    }
    const int buttonsWidth = 3 * buttonWidth + 2 * gap;

    // Lines as long as a message box lets them be: about three fifths of
    // the screen, never narrower than the row of buttons.
    const int textLeft = margin + iconSize + margin;
    const int widest =
        std::max(workWidth * 3 / 5 - textLeft - margin, buttonsWidth - iconSize - margin);
    RECT text{0, 0, widest, 0};
    ::DrawTextW(dc.Get(), m_summary.notice.text.c_str(), -1, &text, DT_CALCRECT | kTextFormat);

    const int clientWidth =
        std::max(textLeft + static_cast<int>(text.right) + margin, buttonsWidth + 2 * margin);
    const int bodyHeight = std::max(iconSize, static_cast<int>(text.bottom));
    const int buttonsTop = margin + bodyHeight + margin;
    const int clientHeight = buttonsTop + buttonHeight + margin;

    ::MoveWindow(::GetDlgItem(m_hWnd, IDC_SUMMARY_ICON), margin, margin, iconSize, iconSize, FALSE);
    const int textWidth = static_cast<int>(text.right);
    const int textHeight = static_cast<int>(text.bottom);
    ::MoveWindow(::GetDlgItem(m_hWnd, IDC_SUMMARY_TEXT), textLeft,
                 margin + (bodyHeight - textHeight) / 2, textWidth, textHeight, FALSE);
    int left = clientWidth - margin - buttonsWidth;
    for (const int id : kButtons) {
        ::MoveWindow(::GetDlgItem(m_hWnd, id), left, buttonsTop, buttonWidth, buttonHeight, FALSE);
        left += buttonWidth + gap;
    }

    RECT frame{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)));
    const int width = static_cast<int>(frame.right - frame.left);
    const int height = static_cast<int>(frame.bottom - frame.top);
    ::SetWindowPos(m_hWnd, nullptr,
                   static_cast<int>(work.left) + std::max(0, (workWidth - width) / 2),
                   static_cast<int>(work.top) + std::max(0, (workHeight - height) / 2), width,
                   height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CSummaryDlg::Record(const wchar_t* keyword, const std::wstring& facts) {
    if (m_run != nullptr)
        m_run->TakeAction(keyword, facts);
}

void CSummaryDlg::Tell(const OperatorNotice& notice) {
    if (m_run != nullptr)
        m_run->TakeBox(notice);
    // Clicks given while the mail program or the shell held the thread are
    // not this box's answer.
    DiscardPendingInput();
    ::ShowMessage(m_hWnd, notice.text, notice.icon);
}
