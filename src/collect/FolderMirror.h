#pragma once

#include "collect/CollectionUi.h"

#include <string>

// Mirrors installation root + relativeFolder under the mirror base and
// copies its files whose extension is ".xml" (any letter case). True when the
// folder is installed and its mirror folder exists afterwards.
bool CollectProductConfig(const std::wstring& mirrorBase, const std::wstring& relativeFolder,
                          ICollectionUi& ui, const std::wstring& installationRoot);

// Mirrors the folder and copies every entry the search for `filePattern`
// returns. Same result as CollectProductConfig.
bool CollectMatchingFiles(const std::wstring& mirrorBase, const std::wstring& relativeFolder,
                          ICollectionUi& ui, const std::wstring& installationRoot,
                          const std::wstring& filePattern);
