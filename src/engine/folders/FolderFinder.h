#pragma once

#include "common/Log.h"
#include "dm/SqlGateway.h"
#include "engine/FolderOperations.h"

#include <QString>

namespace vantrelis::engine {

// Finds one level of a folder path in the current library, or creates it: a top-level folder by its
// name, a subfolder among its parent's items. Creation goes through the folder operations given, under
// their creation lock, after a second look made under that lock: two runs that miss the same folder at
// once create it once, and the later one finds the other's. A level found at the first look takes no
// lock. Below a folder that a check-only run plans, nothing is looked up.
class FolderFinder {
public:
    FolderFinder(dm::SqlGateway& gateway, Log& log, FolderOperations& folders);

    FolderLevel FindOrCreateFolder(const LevelRequest& request);

private:
    struct Look {
        qint32 folder = 0;
        int rows = 0;
    };

    // The lookup of the level, with its log lines; `quiet` sends the same statement without them
    // (the second look, whose outcome the caller reports).
    Look LookUp(const QString& name, qint32 parent, bool quiet);
    Look FindTopLevelFolder(const QString& name, bool quiet);
    Look FindFolderInParent(const QString& name, qint32 parent, bool quiet);
    void LogTwins(int rows, const QString& name);
    void LogExisting(const QString& name, qint32 folder);

    dm::SqlGateway& m_gateway;
    Log& m_log;
    FolderOperations& m_folders;
};

} // namespace vantrelis::engine
