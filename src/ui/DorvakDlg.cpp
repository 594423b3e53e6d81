#include "ui/DorvakDlg.h"

#include "collect/CollectionRun.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include "ui/SummaryDlg.h"
#include "win/MessageBox.h"
#include "win/Module.h"
#include "win/PendingInput.h"
#include "win/ResourceText.h"
#include "win/SystemFacts.h"

#include <utility>

CDorvakDlg::CDorvakDlg(std::wstring installationRoot, ProgramFacts program, RunSettings settings)
    : CProgramDialog(IDD_DORVAK_DIALOG), m_startDate(DateTime::Now()),
      m_icon(::LoadIconW(ActiveResourceModule(), MAKEINTRESOURCEW(IDI_DORVAK))),
      m_installationRoot(std::move(installationRoot)), m_program(std::move(program)),
      m_settings(std::move(settings)) {}

bool CDorvakDlg::DoDataExchange(CDataExchange& exchange) {
    exchange.Text(IDC_PROGRESS, m_progress);
    exchange.CalendarDay(IDC_START_DATE, m_startDate);
    exchange.Text(IDC_DESCRIPTION, m_description);
    // Only an empty text is refused: a space or a line break is a
    // description the operator chose to give.
    if (exchange.Saving() && m_description.empty()) {
        ::ShowMessage(m_hWnd, LoadResourceText(IDS_NO_DESCRIPTION), MB_ICONEXCLAMATION);
        exchange.FailOn(IDC_DESCRIPTION);
        return false;
    }
    return true;
}

bool CDorvakDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        // The dialog service leaves the entry out when its text is missing.
        const std::wstring aboutText = LoadStringEntry(IDS_ABOUTBOX).value_or(std::wstring());
        if (!aboutText.empty()) {
            ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText.c_str());
        }
    }

    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    // An edit takes only about 30,000 typed or pasted characters unless told
    // otherwise, and cuts a longer paste without a word; a description has
    // no limit of its own.
    ::SendDlgItemMessageW(m_hWnd, IDC_DESCRIPTION, EM_SETLIMITTEXT, 0, 0);
    return true; // the focus goes to Save, the first control in tab order
}

void CDorvakDlg::OnOK() {
    if (!UpdateData(true))
        return;
    // The run works inside this handler, so the dialog takes no input until
    // it returns; ShowProgress keeps it painted meanwhile.
    CollectionRequest request;
    request.installationRoot = m_installationRoot;
    request.startDate = m_startDate;
    request.description = m_description;
    request.settings = m_settings;
    m_run.emplace(
        RunRecordHead{m_program, m_installationRoot, m_startDate, CharacterCount(m_description)});
    const bool saved = RunCollection(request, *this);
    // Closed now: a refused run may be followed by another, with a record
    // of its own.
    m_run.reset();
    if (saved)
        CDialog::OnOK();
}

bool CDorvakDlg::OnSysCommand(WPARAM command, LPARAM) {
    if ((command & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    CAboutDlg about(m_program.version);
    about.DoModal(m_hWnd);
    return true;
}

bool CDorvakDlg::OnPaint() {
    if (!::IsIconic(m_hWnd))
        return false;
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(dc, x, y, m_icon);
    ::EndPaint(m_hWnd, &paint);
    return true;
}

void CDorvakDlg::ShowProgress(const std::wstring& path) {
    ShowProgressLine(path);
    // Paint messages only: the run must not see clicks or keys, but the
    // window should not turn white while files are copied.
    MSG message;
    if (::PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE))
        ::DispatchMessageW(&message);
}

void CDorvakDlg::LetPaintThrough() {
    // Each window that needs painting is offered once per pass; the bound
    // keeps a window that never validates itself from holding the wait.
    constexpr int kMostPaintsPerPass = 64;
    MSG message;
    for (int painted = 0; painted < kMostPaintsPerPass &&
                          ::PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE);
         ++painted)
        ::DispatchMessageW(&message);
}

void CDorvakDlg::ShowProgressLine(const std::wstring& text) {
    m_progress = text;
    // The progress line alone: the calendar and the description stay as the
    // operator left them (caret, selection, scroll), and a long description
    // costs nothing per file.
    CDataExchange exchange(m_hWnd, false);
    exchange.Text(IDC_PROGRESS, m_progress);
}

void CDorvakDlg::Report(const RunEvent& event) {
    // Recorded first: whatever the window shows of it, the record already
    // holds, even for a run ended from outside a moment later.
    const bool tell = !m_run || m_run->Hear(event);
    if (event.Kind() == RunEventKind::RunSaved) {
        ShowSummary(event);
        return;
    }
    if (event.Kind() == RunEventKind::ProgramStarted) {
        m_progressBeforeProgram = m_progress;
        ShowProgressLine(event.Path());
    }
    if (tell)
        Tell(NoticeFor(event));
    // The command line does not linger through what follows the wait.
    if (event.Kind() == RunEventKind::ProgramEnded ||
        event.Kind() == RunEventKind::ProgramEndedAtLimit)
        ShowProgressLine(m_progressBeforeProgram);
    TellRecordFailure();
}

void CDorvakDlg::TellRecordFailure() {
    if (m_run)
        if (const std::optional<RunEvent> failure = m_run->FailureToTell())
            Tell(NoticeFor(*failure));
}

void CDorvakDlg::ShowSummary(const RunEvent& saved) {
    // The record's last lines may have met a full drive: whatever is told of
    // it comes before the summary, which is the run's last word.
    TellRecordFailure();
    RunSummary summary = SummaryOf(saved, m_run ? m_run->Completeness() : RunCompleteness{});
    const OperatorNotice notice = summary.notice;
    CSummaryDlg dialog(std::move(summary),
                       SupportMail(saved.Archive(), ComputerName(), m_startDate, m_description),
                       m_run ? &*m_run : nullptr);
    ShowRecorded(notice, [&] { dialog.DoModal(m_hWnd); });
}

void CDorvakDlg::ShowRecorded(const OperatorNotice& notice, const std::function<void()>& show) {
    // Recorded before it is shown: a run ended from outside while the box
    // waits still leaves what the operator was reading.
    if (m_run)
        m_run->TakeBox(notice);
    // The run's boxes come while, or right after, the thread took no input:
    // a second Enter on Save or an Esc while a configurator ran would
    // otherwise close the box, or send the archive from the summary, unread.
    DiscardPendingInput();
    show();
}

void CDorvakDlg::Tell(const OperatorNotice& notice) {
    if (notice.form == OperatorNotice::Form::Box) {
        ShowRecorded(notice, [&] { ::ShowMessage(m_hWnd, notice.text, notice.icon); });
    } else if (notice.form == OperatorNotice::Form::Beep) {
        ::MessageBeep(notice.icon);
    }
}
