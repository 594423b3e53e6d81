#pragma once

#include "collect/CollectionContext.h"

#include <string>

// Mirrors installation root + relativeFolder under the mirror base and
// copies its files whose extension is ".xml" (any letter case). True when the
// folder is installed and its mirror folder exists afterwards.
bool CollectProductConfig(const CollectionContext& context, const std::wstring& relativeFolder);

// Mirrors the folder and copies every entry the search for `filePattern`
// returns. Same result as CollectProductConfig.
bool CollectMatchingFiles(const CollectionContext& context, const std::wstring& relativeFolder,
                          const std::wstring& filePattern);
