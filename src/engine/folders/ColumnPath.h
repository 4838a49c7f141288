#pragma once

#include "dm/SqlGateway.h"

#include <QList>
#include <QString>

namespace vantrelis::engine {

// One part of a column path that DOCSCOLUMN names as a reference: table.column holds the value of
// refTable.refColumn.
struct ColumnReference {
    QString table;
    QString column;
    QString refTable;  // FTBNAME
    QString refColumn; // FCOLNAME

    // "owner.refTable.refColumn = owner.table.column", the join of the two tables.
    QString Join() const;
};

// A path template's column path ("MATTER.CLIENT_ID.CLIENT_ID") walked from PROFILE through
// DOCSCOLUMN, as the document query joins it: each part before the last refers to the table of the
// next one.
struct ColumnPath {
    QList<ColumnReference> references; // the parts that refer to another table, in order
    QString table;                     // the last part's table; empty when the walk broke off before it
    QString column;                    // the last part

    bool complete() const { return !table.isEmpty(); }
    // The last part is a document type or application: the columns that make a profile a folder.
    bool makesFolder() const;
};

// Walks `token` (its parts trimmed). The last part's own reference is looked up too when
// `followLast` is set. The walk ends at the first part DOCSCOLUMN names no reference for. Faults of
// the lookups are raised.
ColumnPath WalkColumnPath(dm::SqlGateway& gateway, const QString& token, bool followLast);

} // namespace vantrelis::engine
