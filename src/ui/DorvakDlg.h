#pragma once

#include "collect/CollectionUi.h"
#include "collect/DateTime.h"

#include <windows.h>
#include <string>

// Bare collection dialog: template 16602, Save runs the collection run.
class CDorvakDlg : public ICollectionUi {
  public:
    INT_PTR DoModal();

    void ShowProgress(const std::wstring& path) override;
    void ReportSystemError(const std::wstring& text, DWORD code) override;
    void ShowMessage(const std::wstring& text, UINT icon) override;
    void Beep(UINT type) override;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnOK();

    HWND m_hWnd = nullptr;
};
