#pragma once

#include "collect/CollectionUi.h"
#include "win/DateTime.h"

#include <string>

// Mirrors one log folder and copies its entries last written on or after the
// start date, or, when none is, the most recently written entry.
bool CollectLogFolder(const std::wstring& mirrorBase, const std::wstring& relativeFolder,
                      ICollectionUi& ui, const std::wstring& installationRoot,
                      const DateTime& startDate);
