#pragma once

#include "collect/CollectionUi.h"
#include "collect/OwnFolders.h"
#include "collect/RunSettings.h"
#include "win/DateTime.h"

#include <string>

// What every step of one run works with, passed as one so the steps cannot
// disagree about the order of their arguments.
struct CollectionContext {
    std::wstring installationRoot; // ends with a backslash
    std::wstring datedFolder;      // ends with a backslash
    std::wstring mirrorBase;       // dated folder + "MERUDrv\"
    DateTime startDate;            // 00:00:00 of the chosen day
    const RunSettings& settings;
    // The dated folder, the mirror base and every folder made after them.
    OwnFolders& ownFolders;
    ICollectionUi& ui;
};
