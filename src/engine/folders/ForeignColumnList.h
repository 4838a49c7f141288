#pragma once

#include "common/Log.h"
#include "dm/SqlGateway.h"
#include "engine/FolderOperations.h"

#include <QList>
#include <QStringList>

namespace vantrelis::engine {

// The run's list of foreign PROFILE columns, per library, kept for the whole program run: loaded
// from DOCSCOLUMN the first time the run works on a library, read by the metadata inheritance.
class ForeignColumnList {
public:
    ForeignColumnList(dm::SqlGateway& gateway, Log& log);

    // Appends the current library's foreign columns unless the list has an entry for it already.
    // Never raises: a fault is reported and the list keeps what it had.
    void Load();

    const QList<ForeignColumn>& entries() const { return m_entries; }
    // The PROFILE columns loaded for a library (its name compared exactly), in load order.
    QStringList ProfileColumns(const QString& libraryName) const;

private:
    dm::SqlGateway& m_gateway;
    Log& m_log;
    QList<ForeignColumn> m_entries;
};

} // namespace vantrelis::engine
