#pragma once

#include "common/Log.h"
#include "dm/SqlGateway.h"

#include <QString>

namespace vantrelis::engine {

// Rewrites folders' item chains so that following ISFIRST and NEXT visits the items in DISPLAYNAME
// order, as the database orders them. Each folder's rewrite is one transaction, and only the rows
// whose NEXT or ISFIRST change are written.
class FolderSorting {
public:
    FolderSorting(dm::SqlGateway& gateway, Log& log);

    // Sorts one folder, or with 0 every folder that has a head row. Never raises; the status label
    // and the pointer are as they were when it returns.
    void SortFolders(qint64 parentFolder);

private:
    struct Folder {
        QString parent;
        QString headName;
    };

    // Sorts the items of one folder (the k-th of the list).
    void SortFolder(int k, const Folder& folder);

    dm::SqlGateway& m_gateway;
    Log& m_log;
};

} // namespace vantrelis::engine
