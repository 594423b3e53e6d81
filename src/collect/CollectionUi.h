#pragma once

#include <windows.h>
#include <string>

// Everything the collection engine needs from whoever shows it: the
// collection dialog implements it, tests replace it with a recorder.
class ICollectionUi {
  public:
    virtual ~ICollectionUi() = default;

    // The destination of the file about to be copied, or the command line of
    // the program being waited for; lets a pending paint message through so
    // the window stays drawn during a run.
    virtual void ShowProgress(const std::wstring& path) = 0;

    // Lets every paint message pending for the thread's windows through, and
    // nothing else: called while the engine waits for another program, so
    // the window stays drawn but takes no input.
    virtual void LetPaintThrough() = 0;

    // A failed system call: `text` names the action and the object, `code`
    // is the failed call's last error. Returns when the user has seen it.
    virtual void ReportSystemError(const std::wstring& text, DWORD code) = 0;

    // A modal message with one OK button and the given MB_ICON* flag.
    virtual void ShowMessage(const std::wstring& text, UINT icon) = 0;

    // MessageBeep with the given MB_ICON* sound.
    virtual void Beep(UINT type) = 0;
};
