#pragma once

#include "collect/CollectionContext.h"

#include <string>

// Mirrors one log folder and copies its entries last written on or after the
// start date, or, when none is, the most recently written entry.
bool CollectLogFolder(const CollectionContext& context, const std::wstring& relativeFolder);
