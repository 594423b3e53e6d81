#pragma once

#include "collect/CollectionUi.h"

// Hands everything on to the dialog, except that a full output drive is
// told once per run. Every later copy is still tried, since a smaller file
// may still fit, but the operator should not have to confirm the same full
// drive for each of hundreds of files.
class FullDriveReportedOnce : public ICollectionUi {
  public:
    explicit FullDriveReportedOnce(ICollectionUi& ui) : m_ui(ui) {}

    void ShowProgress(const std::wstring& path) override { m_ui.ShowProgress(path); }
    void LetPaintThrough() override { m_ui.LetPaintThrough(); }
    void ReportSystemError(const std::wstring& text, DWORD code) override;
    void ShowMessage(const std::wstring& text, UINT icon) override { m_ui.ShowMessage(text, icon); }
    void Beep(UINT type) override { m_ui.Beep(type); }

  private:
    ICollectionUi& m_ui;
    bool m_fullDriveShown = false;
};
