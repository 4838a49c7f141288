#include "dm/SqlTransaction.h"

namespace vantrelis::dm {

SqlTransaction::SqlTransaction(DmSql& sql) : m_sql(sql) {
    m_sql.beginTransaction();
    m_open = true;
}

SqlTransaction::SqlTransaction(DmSql& sql, qint64 folder) : m_sql(sql) {
    m_sql.beginFolderTransaction(folder);
    m_open = true;
}

SqlTransaction::~SqlTransaction() {
    rollback();
}

void SqlTransaction::commit() {
    if (!m_open)
        return;
    m_open = false;
    m_sql.commitTransaction();
}

void SqlTransaction::rollback() noexcept {
    if (!m_open)
        return;
    m_open = false;
    m_sql.rollbackTransaction();
}

} // namespace vantrelis::dm
