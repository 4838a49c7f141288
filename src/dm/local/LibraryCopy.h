#pragma once

#include "dm/local/LibrarySchema.h"
#include "dm/local/LibraryStore.h"

#include <QString>
#include <vector>

namespace vantrelis::dm::local {

class LibraryAdmin;

// Copies a library's rows into another library, on either engine: a library file moves onto a
// database server this way, and two engines can be given the very same rows to work on.
class LibraryCopy {
public:
    struct TableRows {
        QString table;
        qint64 rows = 0;
    };

    // Every row of one table, its columns in the schema's order (trustee rows in the order they
    // were added, in which a profile's trustees are listed).
    static QueryResult RowsOf(LibraryStore& source, const LibrarySchema::Table& table);

    // Replaces every row of `target` (its own first rows and key counters too) with the rows of
    // `source`, table by table, in one transaction of the target: all or nothing. The settings
    // table is added to the target when the source has one. Answers the rows copied per table.
    static std::vector<TableRows> CopyRows(LibraryStore& source, LibraryAdmin& target);
};

} // namespace vantrelis::dm::local
