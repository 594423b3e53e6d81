#pragma once

#include "collect/CollectionUi.h"
#include "collect/RunSettings.h"
#include "win/DateTime.h"
#include "win/Dialog.h"
#include "win/VersionInfo.h"

#include <windows.h>
#include <string>

// The program's main window: the start date, the problem description and
// the progress line; Save runs the collection, the system menu opens the
// about box. The collection run reports through it while it works.
class CDorvakDlg : public CDialog, public ICollectionUi {
  public:
    // The installation root the run writes under and the product version the
    // about box shows, both found at start-up and handed in, so the dialog
    // needs nothing from the layer above it, and the settings every run
    // takes.
    CDorvakDlg(std::wstring installationRoot, const ProductVersion& productVersion,
               RunSettings settings);

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

    DateTime m_startDate;
    std::wstring m_progress;
    HICON m_icon;
    std::wstring m_description;
    // What the progress line showed before an outside program's command
    // line took its place for the wait.
    std::wstring m_progressBeforeProgram;

    std::wstring m_installationRoot;
    ProductVersion m_productVersion;
    RunSettings m_settings;
};
