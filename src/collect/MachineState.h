#pragma once

#include "collect/CollectionContext.h"

// The machine as the run found it, before any configurator starts:
// processes.txt, services.txt and drives.txt in the dated folder, then the
// suite's crash reports into its Crashes\ folder.
void WriteMachineState(const CollectionContext& context);
