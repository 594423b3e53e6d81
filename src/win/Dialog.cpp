#include "win/Dialog.h"

#include "win/Module.h"
#include "win/PendingInput.h"

#include <commctrl.h>

#include <cwchar>
#include <exception>

namespace {

// The month calendar's class lies outside the classes start-up registers;
// it must exist before the first template that names it is built.
void RegisterDialogControlClasses() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_DATE_CLASSES};
        return ::InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
}

} // namespace

void CDataExchange::Text(int controlId, std::wstring& value) {
    HWND control = ::GetDlgItem(m_dialog, controlId);
    if (control == nullptr)
        return;
    if (m_saveAndValidate) {
        const int length = ::GetWindowTextLengthW(control);
        std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        const int copied = ::GetWindowTextW(control, &text[0], static_cast<int>(text.size()));
        text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
        value = std::move(text);
        return;
    }
    // Only the first 255 characters are compared, so a text of 256 or more
    // is always written. The length check keeps a shorter new text from
    // being taken for a longer shown one that merely starts with it.
    constexpr size_t kCompared = 255;
    if (value.size() <= kCompared &&
        static_cast<size_t>(::GetWindowTextLengthW(control)) == value.size()) {
        wchar_t shown[kCompared + 1] = {};
        const int shownLength = ::GetWindowTextW(control, shown, kCompared + 1);
        if (static_cast<size_t>(shownLength) == value.size() &&
            std::wmemcmp(shown, value.data(), value.size()) == 0)
            return;
    }
    ::SetWindowTextW(control, value.c_str());
}

void CDataExchange::CalendarDay(int controlId, DateTime& value) {
    HWND calendar = ::GetDlgItem(m_dialog, controlId);
    if (calendar == nullptr)
        return;
    SYSTEMTIME day{};
    if (m_saveAndValidate) {
        if (::SendMessageW(calendar, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&day)) == 0)
            return;
        value = DateTime::FromFields(day.wYear, day.wMonth, day.wDay, 0, 0, 0);
        return;
    }
    if (value.IsValid() && value.ToSystemTime(day))
        ::SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
}

void CDataExchange::FailOn(int controlId) {
    HWND control = ::GetDlgItem(m_dialog, controlId);
    if (control == nullptr)
        return;
    ::SetFocus(control);
    wchar_t className[16] = {};
    ::GetClassNameW(control, className, 16);
    if (::lstrcmpiW(className, L"Edit") == 0)
        ::SendMessageW(control, EM_SETSEL, 0, -1);
}

HINSTANCE CDialog::TemplateModule() const {
    return ActiveResourceModule();
}

INT_PTR CDialog::DoModal(HWND owner) {
    RegisterDialogControlClasses();
    return ::DialogBoxParamW(TemplateModule(), MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

bool CDialog::UpdateData(bool saveAndValidate) {
    if (m_hWnd == nullptr)
        return false;
    CDataExchange exchange(m_hWnd, saveAndValidate);
    return DoDataExchange(exchange);
}

void CDialog::EndDialog(INT_PTR result) {
    ::EndDialog(m_hWnd, result);
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (!UpdateData(true))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
        // Enter and Esc arrive as the default and the cancel button's
        // clicks, whichever control has the focus.
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam, lParam) ? TRUE : FALSE;
    case WM_PAINT:
        return OnPaint() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
        // One of the few messages whose dialog-procedure result is the
        // message's own result.
        return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    }
    return FALSE;
}

void CDialog::FailHandler(UINT message, const char* reason) noexcept {
    m_handlerFailed = true;
    try {
        wchar_t number[32];
        std::swprintf(number, 32, L"0x%04X: ", message);
        std::wstring text = HandlerFailedText() + number;
        // The reason is the library's narrow text, in the ANSI code page.
        const int length = ::MultiByteToWideChar(CP_ACP, 0, reason, -1, nullptr, 0);
        if (length > 1) {
            std::wstring wide(static_cast<size_t>(length), L'\0');
            ::MultiByteToWideChar(CP_ACP, 0, reason, -1, wide.data(), length);
            wide.resize(static_cast<size_t>(length) - 1);
            text += wide;
        }
        DiscardPendingInput();
        ::MessageBoxW(m_hWnd, text.c_str(), ProgramName().c_str(), MB_OK | MB_ICONERROR);
    } catch (...) {
        // Out of memory even for the message: the dialog still ends.
    }
    ::EndDialog(m_hWnd, -1);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->m_hWnd = window;
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    if (self == nullptr)
        return FALSE;

    INT_PTR result = FALSE;
    // Nothing may unwind through the platform's frames; a dialog whose
    // handler failed half-way cannot be trusted to go on, but the user must
    // learn why it goes away.
    if (!self->m_handlerFailed) {
        try {
            result = self->HandleMessage(message, wParam, lParam);
        } catch (const std::exception& failure) {
            self->FailHandler(message, failure.what());
            result = TRUE;
        } catch (...) {
            self->FailHandler(message, "unknown exception");
            result = TRUE;
        }
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    return result;
}
