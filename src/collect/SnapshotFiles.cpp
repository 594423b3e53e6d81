#include "collect/SnapshotFiles.h"

// Filled in by the snapshot work; the run already calls it at its place.
void WriteSnapshotFiles(const std::wstring&, const std::wstring&, ICollectionUi&) {}
