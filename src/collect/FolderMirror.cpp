#include "collect/FolderMirror.h"

// Placeholder until the mirroring work lands.
bool CollectProductConfig(const std::wstring&, const std::wstring&, ICollectionUi&,
                          const std::wstring&) {
    return false;
}

bool CollectMatchingFiles(const std::wstring&, const std::wstring&, ICollectionUi&,
                          const std::wstring&, const std::wstring&) {
    return false;
}
