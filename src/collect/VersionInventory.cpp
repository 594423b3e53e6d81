#include "collect/VersionInventory.h"

// Placeholder until the inventory work lands.
bool WriteVersionInventory(const std::wstring&, const std::wstring&, const std::wstring&,
                           ICollectionUi&) {
    return false;
}
