#pragma once

#include "collect/CollectionContext.h"

#include <string>

// Writes Version.txt (name, product version, local last-write time, size of
// each .exe, then each .dll) into the folder's mirror under the mirror base.
bool WriteVersionInventory(const CollectionContext& context, const std::wstring& folder);
