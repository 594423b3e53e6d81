#include "collect/ProductPlan.h"

// Filled in by the plan work; the run already calls it at its place.
void WalkProductPlan(const std::wstring&, const std::wstring&, const DateTime&, ICollectionUi&) {}
