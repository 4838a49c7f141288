#pragma once

#include "dm/DmSql.h"

namespace vantrelis::dm {

// Writes that belong together (an item and the link to it, a chain rewrite, a document's
// security) commit together: the scope begins on construction and rolls back on destruction
// unless commit() was called, so a fault or an early return leaves the library as it was.
class SqlTransaction {
public:
    // Raises Fault when the library refuses to begin (busy, not bound).
    explicit SqlTransaction(DmSql& sql);
    // A scope whose writes stay within one folder's items (0: the top level); see
    // DmSql::beginFolderTransaction.
    SqlTransaction(DmSql& sql, qint64 folder);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction&) = delete;
    SqlTransaction& operator=(const SqlTransaction&) = delete;

    // Raises Fault when the commit fails; the scope is rolled back then.
    void commit();
    // Undoes the scope now (idempotent).
    void rollback() noexcept;

private:
    DmSql& m_sql;
    bool m_open = false;
};

} // namespace vantrelis::dm
