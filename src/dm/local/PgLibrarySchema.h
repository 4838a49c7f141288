#pragma once

#include <QString>
#include <QStringList>

namespace vantrelis::dm::local {

// A library on a PostgreSQL server: the tables of LibrarySchema in the schema DOCSADM of one
// database. Names are written unquoted (the server keeps them in lower case and the program's
// upper-case SQL finds them), except "NEXT", which the program writes quoted and upper case.
// Whole numbers are BIGINT. Text is CITEXT for the MSSQL and Sybase flavours, so that it compares
// and matches LIKE without case as on those servers, and TEXT (case-sensitive) for Oracle.
// SECURITY has no key of its own, so it carries ROWID, the order its rows were written in.
// The engine flavours' dictionary views live beside it, one schema each, and a connection puts
// its flavour's schema on its search path: DM_MSSQL (sysobjects, object_id()) and DM_ORACLE
// (ALL_TABLES, DUAL).
class PgLibrarySchema {
public:
    static QString MssqlSchema() { return QStringLiteral("dm_mssql"); }
    static QString OracleSchema() { return QStringLiteral("dm_oracle"); }

    // The CREATE TABLE statement of a table of LibrarySchema (by name) for the flavour.
    static QString CreateTableStatement(const QString& tableName, int engineCode);
    static QStringList CreateIndexStatements(const QString& tableName);

    // Everything a new library needs, in order: the citext extension, the schemas, the flavour
    // views, the tables and indexes and the first rows LibrarySchema gives every library.
    static QStringList CreateStatements(int engineCode, const QString& libraryName);
    // The statements that add QORV_SETTINGS (table, index, DOCSTABLE row) to a library.
    static QStringList SettingsTableStatements(int engineCode);
    // What lets `role` read and write the library's rows (and those of tables added later by the
    // owner) and nothing else: no DDL, no other schema.
    static QStringList GrantStatements(const QString& role);

    // The session's search path for a flavour: DOCSADM, the flavour's views, then public (citext).
    static QString SearchPath(int engineCode);
};

} // namespace vantrelis::dm::local
