#include "dm/local/LibrarySchema.h"

#include "dm/local/LibraryDatabase.h"

#include <sqlite3.h>

namespace vantrelis::dm::local {

namespace {

using Column = LibrarySchema::Column;
using Index = LibrarySchema::Index;
using Table = LibrarySchema::Table;

Column C(const char* name, const char* type) {
    return {QString::fromLatin1(name), QString::fromLatin1(type)};
}
Index I(const char* name, const char* columns, bool unique = false) {
    return {QString::fromLatin1(name), QString::fromLatin1(columns), unique};
}

QString Prefix(const QString& schema) {
    return schema.isEmpty() ? QString() : schema + QLatin1Char('.');
}

QString Quoted(const QString& name) {
    // NEXT is a keyword on the servers the program talks to; the library keeps it quoted.
    return name == QLatin1String("NEXT") ? QStringLiteral("\"NEXT\"") : name;
}

QString SqlText(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) +
           QLatin1Char('\'');
}

} // namespace

std::vector<Table> LibrarySchema::Tables() {
    std::vector<Table> tables;
    tables.push_back(
        {QStringLiteral("PROFILE"),
         {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("DOCNUMBER", "INTEGER NOT NULL UNIQUE"),
          C("DOCNAME", "TEXT"), C("ABSTRACT", "TEXT"), C("AUTHOR", "INTEGER"), C("TYPIST", "INTEGER"),
          C("DOCUMENTTYPE", "INTEGER"), C("APPLICATION", "INTEGER"), C("FORM", "INTEGER"),
          C("MATTER", "INTEGER"), C("PATH", "TEXT"), C("STORAGETYPE", "TEXT"), C("RETENTION", "INTEGER"),
          C("FULLTEXT", "TEXT"), C("DEFAULT_RIGHTS", "INTEGER DEFAULT 0"), C("STATUS", "INTEGER DEFAULT 0"),
          C("CREATION_DATE", "TEXT"), C("LAST_EDIT_DATE", "TEXT")},
         {I("PROFILE_DOCNAME", "DOCNAME"), I("PROFILE_MATTER", "MATTER")},
         false,
         true});
    tables.push_back({QStringLiteral("FOLDER"),
                      {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("DOCNUMBER", "INTEGER NOT NULL UNIQUE"),
                       C("IS_PUBLIC", "TEXT")},
                      {},
                      false,
                      true});
    tables.push_back({QStringLiteral("VERSIONS"),
                      {C("VERSION_ID", "INTEGER PRIMARY KEY"), C("DOCNUMBER", "INTEGER NOT NULL"),
                       C("VERSION", "INTEGER"), C("SUBVERSION", "TEXT"), C("VERSION_LABEL", "TEXT"),
                       C("AUTHOR", "INTEGER"), C("TYPIST", "INTEGER"), C("STATUS", "INTEGER")},
                      {I("VERSIONS_DOCNUMBER", "DOCNUMBER")},
                      false,
                      true});
    tables.push_back(
        {QStringLiteral("FOLDER_ITEM"),
         {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("NODE_TYPE", "TEXT"), C("PARENT", "INTEGER"),
          C("ISFIRST", "TEXT"), C("NEXT", "INTEGER"), C("DOCNUMBER", "INTEGER"), C("VERSION_TYPE", "TEXT"),
          C("PARENT_VERSION", "INTEGER"), C("DISPLAYNAME", "TEXT"), C("STATUS", "INTEGER"),
          C("LIBRARY", "INTEGER"), C("PARENT_LIBRARY", "INTEGER"), C("REMOTE_SYSTEM_ID", "INTEGER"),
          C("VERSION", "INTEGER"), C("FOLDERDOCNO_RO", "INTEGER"), C("FOLDERREMLIB_RO", "INTEGER"),
          C("HAS_PROPS", "TEXT"), C("PREV_VERSION_TYPE", "TEXT")},
         {I("FOLDER_ITEM_PARENT", "PARENT, SYSTEM_ID, \"NEXT\""),
          I("FOLDER_ITEM_DOCNUMBER", "DOCNUMBER, PARENT"),
          I("FOLDER_ITEM_DISPLAYNAME", "PARENT, DISPLAYNAME"), I("FOLDER_ITEM_ISFIRST", "ISFIRST, PARENT")},
         false,
         true});
    tables.push_back({QStringLiteral("SECURITY"),
                      {C("THING", "INTEGER"), C("PERSONORGROUP", "INTEGER"), C("ACCESSRIGHTS", "INTEGER")},
                      {I("SECURITY_THING", "THING")},
                      false,
                      true});
    tables.push_back({QStringLiteral("ROOT_OBJECT"),
                      {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("DOCNUMBER", "INTEGER"),
                       C("PERSONORGROUP", "INTEGER"), C("DISPLAYNAME", "TEXT")},
                      {I("ROOT_OBJECT_DOCNUMBER", "DOCNUMBER")},
                      false,
                      true});
    tables.push_back(
        {QStringLiteral("PEOPLE"),
         {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("USER_ID", "TEXT NOT NULL UNIQUE"), C("FULL_NAME", "TEXT"),
          C("PRIMARY_GROUP", "INTEGER"), C("ALLOW_LOGIN", "TEXT DEFAULT 'Y'")},
         {},
         false,
         true});
    tables.push_back({QStringLiteral("GROUPS"),
                      {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("GROUP_ID", "TEXT NOT NULL UNIQUE"),
                       C("GROUP_NAME", "TEXT"), C("UNIV_ACCESS", "INTEGER DEFAULT 0")},
                      {},
                      false,
                      true});
    tables.push_back({QStringLiteral("PEOPLEGROUPS"),
                      {C("PEOPLE_SYSTEM_ID", "INTEGER"), C("GROUPS_SYSTEM_ID", "INTEGER")},
                      {I("PEOPLEGROUPS_PEOPLE", "PEOPLE_SYSTEM_ID, GROUPS_SYSTEM_ID"),
                       I("PEOPLEGROUPS_GROUPS", "GROUPS_SYSTEM_ID, PEOPLE_SYSTEM_ID")},
                      false,
                      true});
    tables.push_back({QStringLiteral("DOCSCOLUMN"),
                      {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("TBNAME", "TEXT"), C("COLNAME", "TEXT"),
                       C("FTBNAME", "TEXT"), C("FCOLNAME", "TEXT"), C("CMSKEY", "TEXT")},
                      {I("DOCSCOLUMN_TBNAME", "TBNAME, COLNAME")},
                      false,
                      true});
    tables.push_back({QStringLiteral("REMOTE_LIBRARIES"),
                      {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("LIBRARY_NAME", "TEXT"),
                       C("DATABASE_NAME", "TEXT"), C("DATABASE_ENGINE", "INTEGER")},
                      {},
                      false,
                      true});
    tables.push_back({QStringLiteral("APPS"),
                      {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("APPLICATION", "TEXT UNIQUE"),
                       C("APPDESCRIPTION", "TEXT")},
                      {},
                      false,
                      true});
    tables.push_back(
        {QStringLiteral("DOCUMENTTYPES"),
         {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("TYPE_ID", "TEXT UNIQUE"), C("DESCRIPTION", "TEXT")},
         {},
         false,
         true});
    tables.push_back(
        {QStringLiteral("FORMS"),
         {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("FORM_NAME", "TEXT UNIQUE"), C("FORM_TITLE", "TEXT")},
         {},
         false,
         true});
    tables.push_back(
        {QStringLiteral("CLIENT"),
         {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("CLIENT_ID", "TEXT UNIQUE"), C("CLIENT_NAME", "TEXT")},
         {},
         false,
         true});
    tables.push_back({QStringLiteral("MATTER"),
                      {C("SYSTEM_ID", "INTEGER PRIMARY KEY"), C("MATTER_ID", "TEXT"),
                       C("MATTER_NAME", "TEXT"), C("CLIENT_ID", "INTEGER")},
                      {I("MATTER_CLIENT", "CLIENT_ID, MATTER_ID")},
                      false,
                      true});
    tables.push_back(
        {QStringLiteral("DOCSTABLE"), {C("TABLE_NAME", "TEXT NOT NULL UNIQUE")}, {}, false, true});
    tables.push_back({QStringLiteral("KEY_COUNTERS"),
                      {C("NAME", "TEXT PRIMARY KEY"), C("LAST_KEY", "INTEGER NOT NULL DEFAULT 0")},
                      {},
                      false,
                      false});
    tables.push_back(
        {QStringLiteral("LIBRARY_PARAMS"),
         {C("USER_ID", "TEXT NOT NULL DEFAULT '*'"), C("NAME", "TEXT NOT NULL"), C("VALUE", "TEXT")},
         {I("LIBRARY_PARAMS_NAME", "NAME, USER_ID", true)},
         false,
         false});
    tables.push_back({QStringLiteral("QORV_SETTINGS"),
                      {C("MASTER_KEY", "TEXT"), C("SECTION_KEY", "TEXT"), C("SUB_KEY", "TEXT"),
                       C("CHAR_VAL", "TEXT"), C("INT_VAL", "INTEGER"), C("KEY_TYPE", "INTEGER")},
                      {I("QORV_SETTINGS_KEYS", "MASTER_KEY, SECTION_KEY, SUB_KEY")},
                      true,
                      true});
    // The run journal: what each import run did, so that a run can be listed and taken back.
    tables.push_back(
        {QStringLiteral("VANTRELIS_RUNS"),
         {C("RUN_ID", "TEXT NOT NULL"), C("STARTED", "TEXT"), C("ENDED", "TEXT"), C("RUN_USER", "TEXT"),
          C("MACHINE", "TEXT"), C("IMPORT_FILE", "TEXT"), C("FILE_SHA256", "TEXT"), C("IMPORT_SET", "TEXT"),
          C("OPTIONS", "TEXT"), C("PATHS", "INTEGER"), C("FOLDERS_ADDED", "INTEGER"),
          C("DOCUMENTS_FILED", "INTEGER"), C("ERRORS", "INTEGER"), C("STATUS", "TEXT")},
         {I("VANTRELIS_RUNS_ID", "RUN_ID", true), I("VANTRELIS_RUNS_STARTED", "STARTED")},
         true,
         false});
    tables.push_back({QStringLiteral("VANTRELIS_RUN_CHANGES"),
                      {C("RUN_ID", "TEXT NOT NULL"), C("SEQ", "INTEGER NOT NULL"), C("KIND", "TEXT"),
                       C("DOCNUMBER", "INTEGER"), C("PARENT", "INTEGER"), C("ITEM_ID", "INTEGER"),
                       C("BEFORE_VALUES", "TEXT"), C("AFTER_VALUES", "TEXT")},
                      {I("VANTRELIS_RUN_CHANGES_RUN", "RUN_ID, SEQ", true)},
                      true,
                      false});
    return tables;
}

QString LibrarySchema::CreateTableStatement(const Table& table, int engineCode, const QString& schema) {
    const bool noCase = !IsOracle(engineCode);
    QStringList columns;
    for (const Column& column : table.columns) {
        QString type = column.type;
        if (noCase && type.startsWith(QLatin1String("TEXT")))
            type.insert(4, QLatin1String(" COLLATE NOCASE"));
        columns += Quoted(column.name) + QLatin1Char(' ') + type;
    }
    return QLatin1String("CREATE TABLE ") + Prefix(schema) + table.name + QLatin1String(" (") +
           columns.join(QLatin1String(", ")) + QLatin1Char(')');
}

QStringList LibrarySchema::CreateIndexStatements(const Table& table, const QString& schema) {
    QStringList statements;
    for (const Index& index : table.indexes)
        statements +=
            (index.unique ? QLatin1String("CREATE UNIQUE INDEX ") : QLatin1String("CREATE INDEX ")) +
            Prefix(schema) + index.name + QLatin1String(" ON ") + table.name + QLatin1String(" (") +
            index.columns + QLatin1Char(')');
    return statements;
}

QStringList LibrarySchema::DocsTableNames() {
    QStringList names;
    for (const Table& table : Tables())
        if (table.dataDictionary && !table.optional)
            names += table.name;
    return names;
}

QStringList LibrarySchema::CreateStatements(int engineCode, const QString& schema,
                                            const QString& libraryName) {
    const QString p = Prefix(schema);
    QStringList statements;
    for (const Table& table : Tables()) {
        if (table.optional)
            continue;
        statements += CreateTableStatement(table, engineCode, schema);
        statements += CreateIndexStatements(table, schema);
    }
    for (const QString& name : DocsTableNames())
        statements += QLatin1String("INSERT INTO ") + p + QLatin1String("DOCSTABLE (TABLE_NAME) VALUES (") +
                      SqlText(name) + QLatin1Char(')');
    statements += QLatin1String("INSERT INTO ") + p +
                  QLatin1String("KEY_COUNTERS (NAME, LAST_KEY) VALUES ('SYSTEMKEY', ") +
                  QString::number(kFirstSystemKey - 1) + QLatin1Char(')');
    statements += QLatin1String("INSERT INTO ") + p +
                  QLatin1String("KEY_COUNTERS (NAME, LAST_KEY) VALUES ('DOCNUMBER', 0)");
    statements +=
        QLatin1String("INSERT INTO ") + p +
        QLatin1String("APPS (SYSTEM_ID, APPLICATION, APPDESCRIPTION) VALUES (1, 'FOLDER', 'Folder')");
    statements +=
        QLatin1String("INSERT INTO ") + p +
        QLatin1String("DOCUMENTTYPES (SYSTEM_ID, TYPE_ID, DESCRIPTION) VALUES (2, 'FOLDER', 'Folder')");
    statements +=
        QLatin1String("INSERT INTO ") + p +
        QLatin1String(
            "REMOTE_LIBRARIES (SYSTEM_ID, LIBRARY_NAME, DATABASE_NAME, DATABASE_ENGINE) VALUES (0, ") +
        SqlText(libraryName) + QLatin1String(", ") + SqlText(libraryName) + QLatin1String(", ") +
        QString::number(engineCode) + QLatin1Char(')');
    return statements;
}

QStringList LibrarySchema::SettingsTableStatements(int engineCode, const QString& schema) {
    QStringList statements;
    for (const Table& table : Tables()) {
        if (table.name != QLatin1String("QORV_SETTINGS"))
            continue;
        statements += CreateTableStatement(table, engineCode, schema);
        statements += CreateIndexStatements(table, schema);
    }
    statements += QLatin1String("INSERT OR IGNORE INTO ") + Prefix(schema) +
                  QLatin1String("DOCSTABLE (TABLE_NAME) VALUES ('QORV_SETTINGS')");
    return statements;
}

QStringList LibrarySchema::JournalTableNames() {
    return {QStringLiteral("VANTRELIS_RUNS"), QStringLiteral("VANTRELIS_RUN_CHANGES")};
}

namespace {

// object_id('DOCSADM.NAME'): the table's id in sysobjects, or NULL when there is no such table.
// The owner prefix and brackets are ignored, names compare without case, as on MSSQL.
void ObjectIdFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc < 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                                     sqlite3_value_bytes(argv[0]))
                       .trimmed();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name = name.mid(dot + 1);
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    sqlite3* db = sqlite3_context_db_handle(context);
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db,
                                "SELECT rowid FROM DOCSADM.sqlite_master WHERE type IN ('table', 'view') "
                                "AND name = ?1 COLLATE NOCASE",
                                -1, &statement, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_result_error_code(context, rc);
        return;
    }
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(statement, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW)
        sqlite3_result_int64(context, sqlite3_column_int64(statement, 0));
    else if (rc == SQLITE_DONE)
        sqlite3_result_null(context);
    else
        sqlite3_result_error_code(context, rc);
    sqlite3_finalize(statement);
}

} // namespace

int LibrarySchema::InstallShims(sqlite3* db, int engineCode) {
    const char* shims = nullptr;
    if (IsOracle(engineCode)) {
        // Oracle: the dictionary view the program's existence test reads, DUAL, and LIKE that
        // respects case as Oracle's does.
        shims = "PRAGMA case_sensitive_like = ON;"
                "CREATE TEMP VIEW ALL_TABLES AS SELECT 'DOCSADM' AS OWNER, upper(name) AS TABLE_NAME "
                "FROM DOCSADM.sqlite_master WHERE type = 'table' AND substr(name, 1, 7) <> 'sqlite_';"
                "CREATE TEMP VIEW DUAL AS SELECT 'X' AS DUMMY;";
    } else {
        // MSSQL and Sybase: sysobjects with user tables at sysstat 3 (type 'U'), views at 2 ('V').
        shims =
            "CREATE TEMP VIEW sysobjects AS SELECT rowid AS id, name, "
            "CASE type WHEN 'table' THEN 3 ELSE 2 END AS sysstat, "
            "CASE type WHEN 'table' THEN 'U' ELSE 'V' END AS type, 1 AS uid "
            "FROM DOCSADM.sqlite_master WHERE type IN ('table', 'view') AND substr(name, 1, 7) <> 'sqlite_';";
        for (int args = 1; args <= 2; ++args) {
            const int rc = sqlite3_create_function_v2(db, "object_id", args, SQLITE_UTF8, nullptr,
                                                      ObjectIdFunction, nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK)
                return rc;
        }
    }
    return sqlite3_exec(db, shims, nullptr, nullptr, nullptr);
}

} // namespace vantrelis::dm::local
