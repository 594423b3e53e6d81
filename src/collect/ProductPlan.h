#pragma once

#include "collect/CollectionUi.h"
#include "collect/DateTime.h"

#include <string>

// Walks the fixed plan of the suite's folders: configuration, logs, single
// files, configurator exports, version inventories. Never stops the run.
void WalkProductPlan(const std::wstring& mirrorBase, const std::wstring& installationRoot,
                     const DateTime& startDate, ICollectionUi& ui);
