#pragma once

#include <QString>
#include <QStringList>
#include <vector>

struct sqlite3;

namespace vantrelis::dm::local {

// The tables, columns and indexes of a library, for both engine flavours, and the engine shims
// every connection gets. MSSQL/Sybase libraries declare their text columns COLLATE NOCASE so that
// text compares as on those servers; Oracle libraries keep SQLite's case-sensitive BINARY.
class LibrarySchema {
public:
    struct Column {
        QString name;
        QString type; // "INTEGER", "TEXT", "TEXT NOT NULL UNIQUE", ...
    };
    struct Index {
        QString name;
        QString columns; // as written inside the parentheses
        bool unique = false;
    };
    struct Table {
        QString name;
        std::vector<Column> columns;
        std::vector<Index> indexes;
        bool optional = false;       // the library works without it (QORV_SETTINGS, the run journal)
        bool dataDictionary = false; // listed in DOCSTABLE
    };

    static QString SchemaName() { return QStringLiteral("DOCSADM"); }

    // Every table of a library, QORV_SETTINGS included (marked optional).
    static std::vector<Table> Tables();
    // The CREATE TABLE statement of one table; schema "" writes it without a prefix.
    static QString CreateTableStatement(const Table& table, int engineCode, const QString& schema);
    static QStringList CreateIndexStatements(const Table& table, const QString& schema);

    // All statements that build a new, empty library (tables, indexes, DOCSTABLE rows, the key
    // counters, the library's own REMOTE_LIBRARIES row); QORV_SETTINGS is not among them.
    static QStringList CreateStatements(int engineCode, const QString& schema, const QString& libraryName);
    // The statements that add QORV_SETTINGS (table, index, DOCSTABLE row) to a library.
    static QStringList SettingsTableStatements(int engineCode, const QString& schema);
    // The run journal's tables (VANTRELIS_RUNS, VANTRELIS_RUN_CHANGES), optional; LibraryAdmin adds
    // them (addJournalTables) with CreateTableStatement and CreateIndexStatements of either store.
    static QStringList JournalTableNames();

    // Names listed in DOCSTABLE by CreateStatements.
    static QStringList DocsTableNames();
    // First value each key counter hands out after creation is LAST_KEY + 1.
    static constexpr qint64 kFirstSystemKey = 101;

    // Installs the engine flavour's TEMP views and SQL functions on a connection whose library is
    // attached as DOCSADM. Answers an SQLite result code.
    static int InstallShims(sqlite3* db, int engineCode);
};

} // namespace vantrelis::dm::local
