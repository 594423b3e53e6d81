#pragma once

#include "ui/HeardRun.h"
#include "ui/SummaryNotice.h"
#include "ui/ProgramDialog.h"
#include "win/SimpleMail.h"

#include <windows.h>
#include <string>

// The run's closing summary, in the place of the message box it once was:
// its text and icon, sized to the text as a box is, and three ways on.
// Send by e-mail hands the archive to the site's mail program in that
// program's own window, Show the archive opens its folder with it selected,
// Close ends. Send is the default when an archive was made that a mail
// takes, Close otherwise. The record hears what the operator chose.
class CSummaryDlg : public CProgramDialog {
  public:
    // `run` may be null: a summary shown without a run's record.
    CSummaryDlg(RunSummary summary, MailMessage mail, HeardRun* run);

  protected:
    // A site's library made before this dialog lacks its template.
    HINSTANCE TemplateModule() const override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnInitDialog() override;
    // Close, Enter on it, Esc and the title bar's close alike.
    void OnOK() override;
    void OnCancel() override { OnOK(); }

  private:
    void Send();
    void Show();
    // The archive, or the dated folder when no archive was made.
    std::wstring ShownItem() const;
    void MakeDefault(int button);
    void FitToText();
    void Record(const wchar_t* keyword, const std::wstring& facts);
    // A box of the summary's own, recorded before it is shown.
    void Tell(const OperatorNotice& notice);

    RunSummary m_summary;
    MailMessage m_mail;
    HeardRun* m_run;
};
