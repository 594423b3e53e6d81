#pragma once

#include "collect/CollectionUi.h"
#include "collect/RunSettings.h"
#include "win/DateTime.h"

#include <string>

// What Save hands the engine.
struct CollectionRequest {
    std::wstring installationRoot; // ends with a backslash
    DateTime startDate;            // 00:00:00 of the chosen day
    std::wstring description;      // never empty
    RunSettings settings;
};

// The dated folder of a run: installation root + "%Y_%m_%d" + backslash.
std::wstring DatedFolderPath(const std::wstring& installationRoot, const DateTime& startDate);

// Creates the dated folder and the mirror base, writes the snapshot files,
// walks the product plan, packs the dated folder into one archive and
// reports the run saved; every outcome goes to `ui` as it happens (the
// dialog records each, and tells a full drive once). True when the run
// completed; false when it stopped before the snapshot files, so the dialog
// stays open: the dated folder exists already or could not be created
// (nothing was written), or the mirror base could not be created inside the
// new dated folder (which then stays, empty).
bool RunCollection(const CollectionRequest& request, ICollectionUi& ui);
