#include "collect/LogFolderCopy.h"

// Placeholder until the log copy work lands.
bool CollectLogFolder(const std::wstring&, const std::wstring&, ICollectionUi&,
                      const std::wstring&, const DateTime&) {
    return false;
}
