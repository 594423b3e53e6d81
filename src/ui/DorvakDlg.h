#pragma once

#include "collect/CollectionUi.h"
#include "collect/ReportedOnce.h"
#include "collect/RunSettings.h"
#include "ui/OperatorNotice.h"
#include "ui/ProgramFacts.h"
#include "ui/RunRecord.h"
#include "win/DateTime.h"
#include "win/Dialog.h"

#include <windows.h>
#include <optional>
#include <string>

// The program's main window: the start date, the problem description and
// the progress line; Save runs the collection, the system menu opens the
// about box. The collection run reports through it while it works, and it
// hands each outcome and each box it shows to the run's record.
class CDorvakDlg : public CDialog, public ICollectionUi {
  public:
    // The installation root the run writes under and what start-up learnt of
    // the program (the about box's version, the record's head), both handed
    // in, so the dialog needs nothing from the layer above it, and the
    // settings every run takes.
    CDorvakDlg(std::wstring installationRoot, ProgramFacts program, RunSettings settings);

    const DateTime& StartDate() const { return m_startDate; }
    const std::wstring& Description() const { return m_description; }

    void ShowProgress(const std::wstring& path) override;
    void LetPaintThrough() override;
    void Report(const RunEvent& event) override;

  protected:
    bool DoDataExchange(CDataExchange& exchange) override;
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnSysCommand(WPARAM command, LPARAM parameter) override;
    bool OnPaint() override;
    HICON OnQueryDragIcon() override { return m_icon; }

  private:
    void ShowProgressLine(const std::wstring& text);
    void Tell(const OperatorNotice& notice);
    void ShowSummary(const RunEvent& saved);
    // The record's own failure, handed to the run's filter like any other.
    void PassOnRecordFailure();

    DateTime m_startDate;
    std::wstring m_progress;
    HICON m_icon;
    std::wstring m_description;
    // What the progress line showed before an outside program's command
    // line took its place for the wait.
    std::wstring m_progressBeforeProgram;

    std::wstring m_installationRoot;
    ProgramFacts m_program;
    RunSettings m_settings;

    // While a run works: its record, and the filter the run reaches the
    // dialog through, so that the record's own failure is held to the
    // engine's rule (a full drive is told once, whoever met it first).
    std::optional<RunRecord> m_record;
    std::optional<ReportedOnce> m_toldOnce;
    // What the run's summary says of it: the outcomes that went wrong, and
    // whether the record could not be written to its end.
    unsigned long long m_troubles = 0;
    bool m_recordFailed = false;
};
