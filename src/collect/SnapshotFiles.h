#pragma once

#include "collect/CollectionUi.h"

#include <string>

// ReadMe.txt, WindowVersion.txt and the five command captures, written into
// the dated folder (which ends with a backslash) one after another.
void WriteSnapshotFiles(const std::wstring& datedFolder, const std::wstring& description,
                        ICollectionUi& ui);
