#pragma once

#include "collect/RunEvent.h"

#include <string>

// Everything the collection engine needs from whoever shows the run: the
// collection dialog implements it, tests replace it with a recorder.
class ICollectionUi {
  public:
    virtual ~ICollectionUi() = default;

    // The destination of the file about to be copied; lets a pending paint
    // message through so the window stays drawn during a run.
    virtual void ShowProgress(const std::wstring& path) = 0;

    // Lets every paint message pending for the thread's windows through, and
    // nothing else: called while the engine waits for another program, so
    // the window stays drawn but takes no input.
    virtual void LetPaintThrough() = 0;

    // What happened. Returns when whoever shows it is done with it (an
    // operator who has closed a box).
    virtual void Report(const RunEvent& event) = 0;
};
