#pragma once

#include "collect/CollectionContext.h"

#include <optional>
#include <string>

// Mirrors installation root + relativeFolder under the mirror base and
// copies its files whose extension is ".xml" (any letter case). True when the
// folder is installed and its mirror folder exists afterwards.
bool CollectProductConfig(const CollectionContext& context, const std::wstring& relativeFolder);

// Mirrors the folder and copies every entry the search for `filePattern`
// returns. How many were copied; nothing when the folder is not installed or
// its mirror cannot be made.
std::optional<unsigned long long> CollectMatchingFiles(const CollectionContext& context,
                                                       const std::wstring& relativeFolder,
                                                       const std::wstring& filePattern);

// Replaces the run's own export in the folder's mirror with the installed
// file of that name, when there is one. How many were copied, as above.
std::optional<unsigned long long> ReplaceExportWithInstalled(const CollectionContext& context,
                                                             const std::wstring& relativeFolder,
                                                             const std::wstring& fileName);
