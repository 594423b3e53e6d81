#pragma once

#include "collect/CollectionUi.h"
#include "collect/RunSettings.h"
#include "ui/HeardRun.h"
#include "ui/OperatorNotice.h"
#include "ui/ProgramDialog.h"
#include "ui/ProgramFacts.h"
#include "win/DateTime.h"

#include <windows.h>
#include <functional>
#include <optional>
#include <string>

// The program's main window: the start date, the problem description and
// the progress line; Save runs the collection, the system menu opens the
// about box. The collection run reports through it while it works: the
// run's record hears each outcome first, then the operator is told of what
// he has not been told already, and the record gets each box shown.
class CDorvakDlg : public CProgramDialog, public ICollectionUi {
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
    // The record's own failure, when the operator is still to be told of it.
    void TellRecordFailure();
    // Records what the operator is about to read, then shows it.
    void ShowRecorded(const OperatorNotice& notice, const std::function<void()>& show);

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

    // While a run works: its record and what the operator has been told,
    // so that the record's own failure is held to the same rule as the
    // run's (a full drive is told once, whoever met it first).
    std::optional<HeardRun> m_run;
};
