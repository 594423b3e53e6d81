#pragma once

#include "collect/CollectionContext.h"

#include <optional>
#include <string>

// "<computer name>_<yyyy_mm_dd>.zip" of the start day; a character that a
// file name cannot hold becomes "_".
std::wstring ArchiveName(const std::wstring& computerName, const DateTime& startDay);

struct RunArchive {
    std::wstring path; // empty when none was made
    unsigned long long size = 0;
    // Every file the packing walk found in the dated folder, the archive
    // aside, with the sizes their folder entries gave; nothing when no
    // archive was made, as the walk then stopped short, or when a folder
    // was left out.
    std::optional<FileTally> held;
};

// Packs the dated folder, all of it as it stands, into the archive of
// ArchiveName inside it, under one top folder named like the archive
// without ".zip". Packing is reported as it begins, so a record that ends
// there shows the archive was cut off. A file or folder left out is
// reported; an archive that cannot be written is reported with its path and
// removed, and the folder stays complete as it is.
RunArchive PackDatedFolder(const CollectionContext& context, const std::wstring& computerName);
