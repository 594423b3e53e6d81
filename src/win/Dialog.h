// A small modal dialog base: one dialog procedure forwarding to named
// handlers, and explicit data exchange between fields and controls.
#pragma once

#include "win/DateTime.h"

#include <windows.h>
#include <string>

// One pass of data exchange: either the controls' values into the fields
// (saving) or the fields into the controls (loading).
class CDataExchange {
  public:
    CDataExchange(HWND dialog, bool saveAndValidate)
        : m_dialog(dialog), m_saveAndValidate(saveAndValidate) {}

    bool Saving() const { return m_saveAndValidate; }

    // Saving takes the control's whole text. Loading writes only when the
    // control shows something else, comparing at most its first 255
    // characters, so an unchanged edit keeps its caret and selection and is
    // not redrawn.
    void Text(int controlId, std::wstring& value);

    // The selected day of a month calendar. Saving gives that day at
    // 00:00:00 (the field is kept when the calendar has no selection);
    // loading selects the field's day when the field is a valid date.
    void CalendarDay(int controlId, DateTime& value);

    // A failed validation: the focus goes back to the control, and an edit
    // gets its whole text selected so the user can retype it.
    void FailOn(int controlId);

  private:
    HWND m_dialog;
    bool m_saveAndValidate;
};

class CDialog {
  public:
    explicit CDialog(UINT templateId) : m_templateId(templateId) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Builds the dialog from the template of TemplateModule() and runs it;
    // IDOK, IDCANCEL, or -1 when the window cannot be created.
    INT_PTR DoModal(HWND owner = nullptr);

    // Moves data between fields and controls; false when saving and the
    // values fail validation (the dialog then stays as it is).
    bool UpdateData(bool saveAndValidate);

  protected:
    // Where the template comes from: the active resource module.
    virtual HINSTANCE TemplateModule() const;

    // The message dispatch; a derived dialog that needs another message
    // handles it first and passes the rest on.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Fills the controls. True leaves the focus to the platform, which gives
    // it to the first control in tab order.
    virtual bool OnInitDialog();
    virtual bool DoDataExchange(CDataExchange&) { return true; }
    // Saves and validates, then ends the dialog with IDOK.
    virtual void OnOK();
    virtual void OnCancel();
    // False lets the platform's default processing run.
    virtual bool OnSysCommand(WPARAM, LPARAM) { return false; }
    virtual bool OnPaint() { return false; }
    virtual HICON OnQueryDragIcon() { return nullptr; }
    virtual void OnDestroy() {}
    // The words before the failed message's number and the reason in the
    // box that tells of a handler that failed.
    virtual std::wstring HandlerFailedText() const = 0;

    void EndDialog(INT_PTR result);

    HWND m_hWnd = nullptr;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Tells the user which message's handler failed and why, then ends the
    // dialog with -1; later messages get the platform's default processing.
    void FailHandler(UINT message, const char* reason) noexcept;

    UINT m_templateId;
    bool m_handlerFailed = false;
};
