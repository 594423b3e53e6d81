#pragma once

#include "collect/CollectionUi.h"

#include <string>

// Writes Version.txt (name, product version, local last-write time, size of
// each .exe, then each .dll) into the folder's mirror under the mirror base.
bool WriteVersionInventory(const std::wstring& mirrorBase, const std::wstring& folder,
                           const std::wstring& installationRoot, ICollectionUi& ui);
