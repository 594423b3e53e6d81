// What a collection run ends with, as the engine tests and the dialog
// tests both expect it.
#pragma once

#include "collect/RunArchive.h"
#include "ui/OperatorNotice.h"
#include "win/SystemFacts.h"

#include <string>

// The closing message of a run that wrote `datedFolder` (with its trailing
// backslash) and packed it into the archive of `startDay` found there.
inline std::wstring ExpectedSummary(const std::wstring& datedFolder, const DateTime& startDay) {
    RunEvent saved = RunEvent::WithPath(RunEventKind::RunSaved, datedFolder);
    saved.output = datedFolder + ArchiveName(ComputerName(), startDay);
    saved.size = FileSize(saved.output).value_or(0);
    return NoticeFor(saved).text;
}
