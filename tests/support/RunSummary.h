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
    const std::wstring archive = datedFolder + ArchiveName(ComputerName(), startDay);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const unsigned long long size =
        ::GetFileAttributesExW(archive.c_str(), GetFileExInfoStandard, &data)
            ? (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow
            : 0;
    return NoticeFor(RunEvent::RunSaved(datedFolder, archive, size, std::nullopt)).text;
}
