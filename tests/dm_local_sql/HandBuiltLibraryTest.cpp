#include "TestLibrary.h"
#include "common/Fault.h"
#include "dm/local/LibrarySchema.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace vantrelis::dm;
using namespace vantrelis::dm::local;
using vantrelis::Fault;
using vantrelis::dm::local::test::TestLibrary;

namespace {

// The SQL blocks of the "Building a library by hand" section of docs/library-schema.md.
QString HandBuildSql() {
    QFile doc(QStringLiteral(VANTRELIS_DOCS_DIR "/library-schema.md"));
    EXPECT_TRUE(doc.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(doc.readAll());
    const qsizetype section = text.indexOf(QLatin1String("\n## Building a library by hand"));
    EXPECT_GE(section, 0);
    QString sql;
    bool inBlock = false;
    for (const QString& line : text.mid(section).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("```")))
            inBlock = !inBlock && line == QLatin1String("```sql");
        else if (inBlock)
            sql += line + QLatin1Char('\n');
    }
    return sql;
}

// Runs the SQL as an administrator would: piped into the sqlite3 shell, or, where the shell is not
// installed, through the same library call the shell makes.
void BuildByHand(const QString& file, const QString& sql) {
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (!shell.isEmpty()) {
        QProcess process;
        process.start(shell, {QStringLiteral("-bail"), file});
        ASSERT_TRUE(process.waitForStarted());
        process.write(sql.toUtf8());
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(30000));
        ASSERT_EQ(0, process.exitCode()) << process.readAllStandardError().toStdString();
        return;
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(file.toUtf8().constData(), &db));
    char* error = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error))
        << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

// Every table's columns (declared type, collation, NOT NULL, key) and every index with its columns.
QStringList Describe(const QString& file) {
    sqlite3* db = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_open(file.toUtf8().constData(), &db));
    QStringList lines;
    auto rows = [&](const char* sql) {
        QList<QStringList> result;
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, sql, -1, &statement, nullptr)) << sql;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(statement); ++c)
                row += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)));
            result += row;
        }
        sqlite3_finalize(statement);
        return result;
    };
    for (const QStringList& column :
         rows("SELECT m.name, p.name FROM sqlite_master m JOIN pragma_table_info(m.name) p "
              "WHERE m.type = 'table' ORDER BY m.name, p.cid")) {
        const char* type = nullptr;
        const char* collation = nullptr;
        int notNull = 0;
        int primaryKey = 0;
        int autoIncrement = 0;
        sqlite3_table_column_metadata(db, "main", column[0].toUtf8().constData(),
                                      column[1].toUtf8().constData(), &type, &collation, &notNull,
                                      &primaryKey, &autoIncrement);
        lines += QStringLiteral("%1.%2 %3 %4 notnull=%5 pk=%6")
                     .arg(column[0], column[1], QString::fromUtf8(type), QString::fromUtf8(collation))
                     .arg(notNull)
                     .arg(primaryKey);
    }
    for (const QStringList& index :
         rows("SELECT m.tbl_name, m.name, i.\"unique\", group_concat(x.name, ',') FROM "
              "sqlite_master m JOIN pragma_index_list(m.tbl_name) i ON i.name = m.name "
              "JOIN pragma_index_info(m.name) x WHERE m.type = 'index' "
              "GROUP BY m.name ORDER BY m.name"))
        lines += QStringLiteral("index %1").arg(index.join(QLatin1Char(' ')));
    for (const QStringList& row :
         rows("SELECT 'docstable ' || TABLE_NAME FROM DOCSTABLE UNION ALL "
              "SELECT 'counter ' || NAME || '=' || LAST_KEY FROM KEY_COUNTERS UNION ALL "
              "SELECT 'app ' || APPLICATION FROM APPS UNION ALL "
              "SELECT 'type ' || TYPE_ID FROM DOCUMENTTYPES ORDER BY 1"))
        lines += row;
    sqlite3_close(db);
    return lines;
}

TEST(HandBuiltLibraryTest, DocumentedSqlBuildsTheSameLibraryAsCreate) {
    QTemporaryDir dir;
    const QString referenceFile = dir.filePath(QStringLiteral("reference.db"));
    {
        const auto reference = LibraryDatabase::Create(referenceFile, kEngineMssql);
        for (const QString& statement :
             LibrarySchema::SettingsTableStatements(kEngineMssql, LibrarySchema::SchemaName()))
            reference->execute(statement);
        // The run journal, as `vantrelis-dm upgrade` adds it.
        for (const LibrarySchema::Table& table : LibrarySchema::Tables()) {
            if (!LibrarySchema::JournalTableNames().contains(table.name))
                continue;
            reference->execute(
                LibrarySchema::CreateTableStatement(table, kEngineMssql, LibrarySchema::SchemaName()));
            for (const QString& statement :
                 LibrarySchema::CreateIndexStatements(table, LibrarySchema::SchemaName()))
                reference->execute(statement);
        }
    }
    const QString sql = HandBuildSql();
    ASSERT_TRUE(sql.contains(QLatin1String("CREATE TABLE FOLDER_ITEM")));
    const QString file = dir.filePath(QStringLiteral("mylib.db"));
    BuildByHand(file, sql);

    const auto referenceShape = Describe(referenceFile);
    const auto handShape = Describe(file);
    for (const QString& line : referenceShape)
        EXPECT_TRUE(handShape.contains(line)) << "missing from the documented SQL: " << line.toStdString();
    for (const QString& line : handShape)
        EXPECT_TRUE(referenceShape.contains(line)) << "only in the documented SQL: " << line.toStdString();
}

TEST(HandBuiltLibraryTest, HandBuiltLibraryWorksWithTheBackend) {
    QTemporaryDir dir;
    BuildByHand(dir.filePath(QStringLiteral("mylib.db")), HandBuildSql());
    const QString serverFile =
        TestLibrary::WriteServerFile(dir.filePath(QStringLiteral("dm-server.ini")),
                                     QStringLiteral("[Server]\nUser=GARY\nLibraries=MYLIB\n[Library.MYLIB]\n"
                                                    "Database=mylib.db\nEngine=10\n"));
    const auto server = LocalServer::Load(serverFile);
    const QString token = server->login();
    ASSERT_FALSE(token.isEmpty()) << server->lastError().toStdString();
    LocalSql sql(server);
    sql.setToken(token);
    sql.setLibrary(QStringLiteral("MYLIB"));
    EXPECT_EQ(kEngineMssql, sql.engineCode());
    const struct {
        const char* statement;
        const char* first;
    } cases[] = {
        {"select count(*) from sysobjects \r\nwhere id = object_id('DOCSADM.QORV_SETTINGS') \r\nand sysstat "
         "& 0xf = 3 ",
         "1"},
        {"SELECT COUNT(*) FROM DOCSADM.PEOPLEGROUPS PG WHERE PEOPLE_SYSTEM_ID = (SELECT SYSTEM_ID FROM "
         "DOCSADM.PEOPLE "
         "WHERE UPPER(USER_ID) = 'GARY') AND GROUPS_SYSTEM_ID IN (SELECT SYSTEM_ID FROM DOCSADM.GROUPS WHERE "
         "UNIV_ACCESS = 255)",
         "1"},
        {"SELECT COUNT(*) FROM DOCSADM.PEOPLE WHERE USER_ID = 'gary'", "1"},
        {"SELECT DATABASE_ENGINE FROM DOCSADM.REMOTE_LIBRARIES WHERE LIBRARY_NAME = 'MYLIB'", "10"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(0, sql.execute(QString::fromLatin1(c.statement)))
            << c.statement << sql.errorText().toStdString();
        EXPECT_EQ(QString::fromLatin1(c.first), sql.columnValue(1)) << c.statement;
    }
    EXPECT_EQ(101, sql.nextKey(QStringLiteral("SYSTEMKEY")));
    EXPECT_EQ(1, sql.nextKey(QStringLiteral("DOCNUMBER")));
}

} // namespace
