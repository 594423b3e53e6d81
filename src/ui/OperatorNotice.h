#pragma once

#include "collect/RunEvent.h"

#include <windows.h>
#include <string>

// How the operator is told of one thing that happened during a run: with
// SummaryNotice (the run's end), the only place where the texts, icons and
// sounds of the run are decided.
struct OperatorNotice {
    enum class Form {
        None, // nothing the operator needs to know
        Box,  // a modal box with `text` and `icon`
        Beep, // the sound of `icon`
    };
    Form form = Form::None;
    std::wstring text;
    UINT icon = 0;
    // The system error the text describes; 0 for none.
    DWORD code = 0;
};

OperatorNotice NoticeFor(const RunEvent& event);

// What a date the platform cannot convert reads as: the active resource
// module's text, or "Invalid DateTime".
std::wstring InvalidDateText();
