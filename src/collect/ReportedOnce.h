#pragma once

#include "collect/CollectionUi.h"

#include <string>
#include <vector>

// Hands everything on, except what the operator has already been told in
// another form. A full output drive is told once per run: every later copy
// is still tried, since a smaller file may still fit, but nobody should
// confirm the same full drive for each of hundreds of files. A folder that
// could not be made is told once, and so is nothing that merely follows from
// it: the folders that cannot be made inside it.
class ReportedOnce : public ICollectionUi {
  public:
    explicit ReportedOnce(ICollectionUi& ui) : m_ui(ui) {}

    void ShowProgress(const std::wstring& path) override { m_ui.ShowProgress(path); }
    void LetPaintThrough() override { m_ui.LetPaintThrough(); }
    void Report(const RunEvent& event) override;

  private:
    bool AlreadyTold(const RunEvent& event);

    ICollectionUi& m_ui;
    bool m_fullDriveTold = false;
    std::vector<std::wstring> m_unmadeFolders;
};

// The codes of a drive with no room left for this account.
bool IsFullDrive(DWORD code);
