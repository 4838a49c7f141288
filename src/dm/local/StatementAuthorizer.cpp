#include "dm/local/StatementAuthorizer.h"

#include <QByteArray>
#include <QSet>
#include <sqlite3.h>

namespace vantrelis::dm::local {

namespace {

// Pragmas that only read the schema or check the file; every other pragma may change the
// connection or the file (journal mode, writable schema, ...).
bool IsReadingPragma(const char* name) {
    static const QSet<QByteArray> reading = {
        "table_info",       "table_xinfo",       "index_list",      "index_info",     "index_xinfo",
        "foreign_key_list", "foreign_key_check", "integrity_check", "quick_check",    "collation_list",
        "function_list",    "pragma_list",       "module_list",     "compile_options"};
    return name && reading.contains(QByteArray(name).toLower());
}

// The tables whose rows the object model finds by name: people, groups and the lookup tables of a
// profile's columns.
bool IsNameTable(const char* table) {
    if (!table)
        return false;
    for (const char* name : {"PEOPLE", "GROUPS", "APPS", "DOCUMENTTYPES", "FORMS", "CLIENT", "MATTER"}) {
        if (qstricmp(table, name) == 0)
            return true;
    }
    return false;
}

} // namespace

void StatementAuthorizer::install(sqlite3* db) {
    sqlite3_set_authorizer(db, &StatementAuthorizer::Authorize, this);
}

int StatementAuthorizer::Authorize(void* self, int action, const char* first, const char* second, const char*,
                                   const char*) {
    return static_cast<StatementAuthorizer*>(self)->authorize(action, first, second);
}

int StatementAuthorizer::authorize(int action, const char* first, const char* second) {
    switch (action) {
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
    case SQLITE_DROP_TABLE:
    case SQLITE_CREATE_TABLE:
        m_writesNameTables = m_writesNameTables || IsNameTable(first);
        break;
    case SQLITE_ALTER_TABLE:
        m_writesNameTables = m_writesNameTables || IsNameTable(second);
        break;
    default:
        break;
    }
    if (!m_guarded)
        return SQLITE_OK;
    switch (action) {
    case SQLITE_ATTACH:
        // VACUUM attaches its target too, so it ends here as well.
        m_denied = QStringLiteral("Attaching a database file (or VACUUM)");
        return SQLITE_DENY;
    case SQLITE_DETACH:
        m_denied = QStringLiteral("Detaching a database");
        return SQLITE_DENY;
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
        m_denied = QStringLiteral("Opening or ending a transaction by hand");
        return SQLITE_DENY;
    case SQLITE_PRAGMA:
        if (IsReadingPragma(first))
            return SQLITE_OK;
        m_denied = QStringLiteral("PRAGMA %1").arg(QString::fromUtf8(first));
        return SQLITE_DENY;
    default:
        return SQLITE_OK;
    }
}

} // namespace vantrelis::dm::local
