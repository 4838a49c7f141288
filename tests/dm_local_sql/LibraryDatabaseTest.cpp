#include "TestLibrary.h"
#include "common/Fault.h"
#include "dm/local/LibrarySchema.h"
#include "dm/local/LocalErrors.h"
#include "support/ExpectFault.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>

using vantrelis::testing::ExpectFault;

using namespace vantrelis::dm;
using namespace vantrelis::dm::local;
using vantrelis::Fault;
using vantrelis::dm::local::test::ScopedEnv;
using vantrelis::dm::local::test::TestLibrary;

namespace {

TEST(LibraryDatabaseTest, ParametersCarryApostrophesNullsAndNumbers) {
    TestLibrary lib(kEngineMssql);
    auto db = lib.db();
    EXPECT_EQ(1, db->execute(QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID, CLIENT_NAME) "
                                            "VALUES (?1, ?2, ?3)"),
                             {qlonglong(5000000000LL), QStringLiteral("O'Hara; DROP TABLE X"), QVariant()}));
    const QueryResult result = db->query(
        QStringLiteral("SELECT SYSTEM_ID, CLIENT_ID, CLIENT_NAME FROM DOCSADM.CLIENT WHERE CLIENT_ID = ?1"),
        {QStringLiteral("o'hara; drop table x")});
    ASSERT_EQ(1u, result.rows.size());
    EXPECT_EQ((QStringList{QStringLiteral("SYSTEM_ID"), QStringLiteral("CLIENT_ID"),
                           QStringLiteral("CLIENT_NAME")}),
              result.columns);
    EXPECT_EQ(5000000000LL, result.rows[0][0].toLongLong());
    EXPECT_EQ(QStringLiteral("O'Hara; DROP TABLE X"), result.rows[0][1].toString());
    EXPECT_FALSE(result.rows[0][2].isValid());
    EXPECT_FALSE(db->scalar(QStringLiteral("SELECT CLIENT_ID FROM DOCSADM.CLIENT WHERE 0")).isValid());
}

TEST(LibraryDatabaseTest, TransactionsAreAllOrNothingAndNest) {
    TestLibrary lib(kEngineOracle);
    auto db = lib.db();
    const QString count = QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FORMS");
    const QString insert = QStringLiteral("INSERT INTO DOCSADM.FORMS (SYSTEM_ID, FORM_NAME) VALUES (?1, ?2)");

    db->begin();
    db->execute(insert, {1, QStringLiteral("A")});
    EXPECT_TRUE(db->inTransaction());
    db->rollback();
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(0, db->scalar(count).toInt());

    db->begin();
    db->execute(insert, {1, QStringLiteral("A")});
    db->begin(); // inner level: its rollback undoes only its own rows
    db->execute(insert, {2, QStringLiteral("B")});
    db->rollback();
    db->begin();
    db->execute(insert, {3, QStringLiteral("C")});
    db->commit();
    db->commit();
    EXPECT_EQ(2, db->scalar(count).toInt());

    // A failing statement inside a transaction: the caller rolls back and nothing stays.
    db->begin();
    db->execute(insert, {4, QStringLiteral("D")});
    ExpectFault(kErrorConstraint, [&] { db->execute(insert, {5, QStringLiteral("A")}); });
    db->rollback();
    EXPECT_EQ(2, db->scalar(count).toInt());
    ExpectFault(kErrorTransaction, [&] { db->commit(); });
}

TEST(LibraryDatabaseTest, CreateRefusesAnExistingFileAndReopens) {
    TestLibrary lib(kEngineMssql);
    ExpectFault(kErrorFileExists, [&] { LibraryDatabase::Create(lib.file(), kEngineMssql); });
    const auto reopened = LibraryDatabase::Open(lib.file(), kEngineMssql);
    EXPECT_EQ(QStringLiteral("wal"),
              reopened->scalar(QStringLiteral("PRAGMA DOCSADM.journal_mode")).toString());
    EXPECT_EQ(1, reopened->scalar(QStringLiteral("PRAGMA DOCSADM.synchronous")).toInt()) << "NORMAL";
    EXPECT_EQ(QStringLiteral("GARY"),
              reopened
                  ->scalar(QStringLiteral("SELECT USER_ID FROM DOCSADM.PEOPLE WHERE SYSTEM_ID = ?1"),
                           {LibrarySchema::kFirstSystemKey})
                  .toString());
}

TEST(LibraryDatabaseTest, CreatedSchemaFollowsTheFlavourAndIndexesTheLookups) {
    for (const int engine : {kEngineMssql, kEngineOracle}) {
        TestLibrary lib(engine);
        auto db = lib.db();
        const QString profileSql =
            db->scalar(QStringLiteral("SELECT sql FROM DOCSADM.sqlite_master WHERE name = 'PROFILE'"))
                .toString();
        EXPECT_EQ(!IsOracle(engine), profileSql.contains(QLatin1String("DOCNAME TEXT COLLATE NOCASE")))
            << engine;
        for (const char* index :
             {"FOLDER_ITEM_PARENT", "FOLDER_ITEM_DOCNUMBER", "SECURITY_THING", "PROFILE_DOCNAME",
              "VERSIONS_DOCNUMBER", "PEOPLEGROUPS_GROUPS", "DOCSCOLUMN_TBNAME"})
            EXPECT_EQ(1, db->scalar(QStringLiteral(
                                        "SELECT COUNT(*) FROM DOCSADM.sqlite_master WHERE type = 'index' "
                                        "AND name = ?1"),
                                    {QString::fromLatin1(index)})
                             .toInt())
                << index;
        // The program's lookups use those indexes rather than scanning.
        const struct {
            const char* statement;
            const char* index;
        } plans[] = {
            {"SELECT SYSTEM_ID FROM DOCSADM.FOLDER_ITEM WHERE PARENT = 5 ORDER BY SYSTEM_ID DESC",
             "FOLDER_ITEM_PARENT"},
            {"SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE DOCNUMBER = 6", "FOLDER_ITEM_DOCNUMBER"},
            {"SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE PARENT = 5 AND DOCNUMBER = 6",
             "FOLDER_ITEM_DOCNUMBER"},
            {"SELECT PERSONORGROUP FROM DOCSADM.SECURITY WHERE THING = 7", "SECURITY_THING"},
            {"SELECT DOCNAME FROM DOCSADM.PROFILE WHERE DOCNUMBER = 6", "sqlite_autoindex_PROFILE_1"},
        };
        for (const auto& plan : plans) {
            const QueryResult rows =
                db->query(QStringLiteral("EXPLAIN QUERY PLAN ") + QString::fromLatin1(plan.statement));
            QString details;
            for (const auto& row : rows.rows)
                details += row.back().toString() + QLatin1Char(';');
            EXPECT_TRUE(details.contains(QString::fromLatin1(plan.index)))
                << plan.statement << " -> " << details.toStdString();
        }
        EXPECT_EQ(LibrarySchema::DocsTableNames().size(),
                  db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.DOCSTABLE")).toInt());
        EXPECT_EQ(
            QStringLiteral("FOLDER"),
            db->scalar(QStringLiteral("SELECT APPLICATION FROM DOCSADM.APPS WHERE APPLICATION = 'FOLDER'")));
        EXPECT_EQ(engine,
                  db->scalar(QStringLiteral("SELECT DATABASE_ENGINE FROM DOCSADM.REMOTE_LIBRARIES WHERE "
                                            "SYSTEM_ID = 0"))
                      .toInt());
    }
}

TEST(LibraryDatabaseTest, KeysStayUniqueAcrossProcesses) {
    TestLibrary lib(kEngineMssql);
    constexpr int kPerProcess = 500;
    QProcess first;
    QProcess second;
    const QStringList arguments{lib.file(), QString::number(kEngineMssql), QString::number(kPerProcess)};
    first.start(QStringLiteral(VANTRELIS_KEY_HELPER), arguments);
    second.start(QStringLiteral(VANTRELIS_KEY_HELPER), arguments);
    // This process takes keys at the same time.
    QList<qint64> keys;
    for (int i = 0; i < 100; ++i)
        keys += lib.db()->nextKey(QStringLiteral("SYSTEMKEY"));
    for (QProcess* process : {&first, &second}) {
        ASSERT_TRUE(process->waitForFinished(60000));
        ASSERT_EQ(0, process->exitCode()) << process->readAllStandardError().toStdString();
        const QList<QByteArray> lines = process->readAllStandardOutput().split('\n');
        int taken = 0;
        for (const QByteArray& line : lines) {
            if (line.trimmed().isEmpty())
                continue;
            keys += line.trimmed().toLongLong();
            ++taken;
        }
        EXPECT_EQ(kPerProcess, taken);
    }
    const QSet<qint64> unique(keys.begin(), keys.end());
    EXPECT_EQ(keys.size(), unique.size()) << "duplicate keys";
    EXPECT_FALSE(unique.contains(0));
    EXPECT_EQ(2 * kPerProcess + 100, keys.size());
}

TEST(LibraryDatabaseTest, TraceRecordsEveryStatementOnOneLine) {
    QTemporaryDir traceDir;
    const QString traceFile = traceDir.filePath(QStringLiteral("trace.log"));
    ScopedEnv trace("VANTRELIS_SQL_TRACE", traceFile.toUtf8());
    qint64 traced = 0; // the trace's size before the other server's login
    {
        TestLibrary lib(kEngineMssql);
        auto& sql = lib.sql();
        ASSERT_EQ(0, sql.execute(QStringLiteral("set dateformat mdy")));
        ASSERT_EQ(0, sql.execute(
                         QStringLiteral("SELECT COUNT(*)\r\nFROM DOCSADM.CLIENT\tWHERE CLIENT_ID = 'a\\b'")));
        EXPECT_NE(0, sql.execute(QStringLiteral("SELEC nothing")));
        lib.db()->execute(QStringLiteral("UPDATE DOCSADM.PEOPLE SET FULL_NAME = ?1 WHERE SYSTEM_ID = ?2"),
                          {QStringLiteral("O'Neil"), 101});
        lib.db()->query(QStringLiteral("SELECT ?1, ?2, ?3, ?4, ?5"),
                        {QVariant(), 2.5, QByteArray("\x01\xab", 2), true, QStringLiteral("a\nb")});
        EXPECT_NE(0, sql.nextKey(QStringLiteral("SYSTEMKEY")));
        // The same file as another server's library: the checks at login name it as that server does.
        traced = QFileInfo(traceFile).size();
        const auto other = LocalServer::Load(TestLibrary::WriteServerFile(
            lib.path(QStringLiteral("other.ini")),
            QStringLiteral("[Server]\nUser=GARY\nLibraries=OTHER\n[Library.OTHER]\nDatabase=%1\n")
                .arg(lib.file())));
        EXPECT_FALSE(other->login().isEmpty()) << other->lastError().toStdString();
    }
    QFile in(traceFile);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray text = in.readAll();
    const QStringList lines =
        QString::fromUtf8(text.left(traced)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList other =
        QString::fromUtf8(text.mid(traced)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList expected{
        QStringLiteral("TESTLIB\tset dateformat mdy"),
        QStringLiteral("TESTLIB\tSELECT COUNT(*)\\r\\nFROM DOCSADM.CLIENT\\tWHERE CLIENT_ID = 'a\\\\b'"),
        QStringLiteral("TESTLIB\tSELEC nothing"),
        QStringLiteral("TESTLIB\tUPDATE DOCSADM.PEOPLE SET FULL_NAME = ?1 WHERE SYSTEM_ID = ?2\t-- params: "
                       "'O''Neil', 101"),
        QStringLiteral("TESTLIB\tSELECT ?1, ?2, ?3, ?4, ?5\t-- params: NULL, 2.5, X'01AB', 1, 'a\\nb'"),
        QStringLiteral("TESTLIB\tBEGIN IMMEDIATE"),
        QStringLiteral("TESTLIB\tCOMMIT"),
    };
    for (const QString& line : expected)
        EXPECT_TRUE(lines.contains(line)) << line.toStdString();
    // Creating the library (object-model and admin work) is traced too.
    EXPECT_TRUE(lines.filter(QStringLiteral("CREATE TABLE DOCSADM.FOLDER_ITEM")).size() == 1);
    for (const QString& line : lines)
        EXPECT_TRUE(line.startsWith(QLatin1String("TESTLIB\t"))) << line.toStdString();
    EXPECT_FALSE(other.isEmpty());
    for (const QString& line : other)
        EXPECT_TRUE(line.startsWith(QLatin1String("OTHER\t"))) << line.toStdString();
}

} // namespace
