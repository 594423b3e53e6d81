#pragma once

#include "collect/ChildProcess.h"
#include "collect/CollectionUi.h"
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
    // needs nothing from the layer above it. The run waits for outside
    // programs within `waitLimits`.
    CDorvakDlg(std::wstring installationRoot, const ProductVersion& productVersion,
               const WaitLimits& waitLimits = kShippedWaitLimits);

    const DateTime& StartDate() const { return m_startDate; }
    const std::wstring& Description() const { return m_description; }

    void ShowProgress(const std::wstring& path) override;
    void LetPaintThrough() override;
    void ReportSystemError(const std::wstring& text, DWORD code) override;
    void ShowMessage(const std::wstring& text, UINT icon) override;
    void Beep(UINT type) override;

  protected:
    bool DoDataExchange(CDataExchange& exchange) override;
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnSysCommand(WPARAM command, LPARAM parameter) override;
    bool OnPaint() override;
    HICON OnQueryDragIcon() override { return m_icon; }

  private:
    DateTime m_startDate;
    std::wstring m_progress;
    HICON m_icon;
    std::wstring m_description;

    std::wstring m_installationRoot;
    ProductVersion m_productVersion;
    WaitLimits m_waitLimits;
};
