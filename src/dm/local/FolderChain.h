#pragma once

#include "dm/ItemChain.h"
#include "dm/local/LibraryStore.h"

namespace vantrelis::dm::local {

// Reads a folder's FOLDER_ITEM rows from a library and works out their chain.
class FolderChain {
public:
    static ItemChain Read(LibraryStore& database, qint64 parentDocNumber);
};

} // namespace vantrelis::dm::local
