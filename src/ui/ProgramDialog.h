#pragma once

#include "win/Dialog.h"

#include <string>

// The base of this program's dialogs: the dialog base with the program's
// own wording for a handler that failed.
class CProgramDialog : public CDialog {
  public:
    explicit CProgramDialog(UINT templateId) : CDialog(templateId) {}

  protected:
    std::wstring HandlerFailedText() const override;
};
