// The store seam's contract, run on both stores: the same statements give the same answers on an
// SQLite file and on a PostgreSQL database.

#include "common/Fault.h"
#include "dm/DmConstants.h"
#include "dm/local/LibraryStore.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/LocalServer.h"
#include "dm/local/LocalSql.h"
#include "pg/TestStores.h"
#include "support/ExpectFault.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace vantrelis::testing {
namespace {

using dm::kEngineMssql;
using dm::kEngineOracle;
using namespace dm::local;

struct Backend {
    StoreKind kind;
    int engineCode;
};

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    return std::string(KindName(info.param.kind)) +
           (dm::IsOracle(info.param.engineCode) ? "Oracle" : "Mssql");
}

class StoreContractTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam().kind == StoreKind::Postgres)
            VANTRELIS_REQUIRE_PG();
        m_library = std::make_unique<TestStores>(GetParam().kind, GetParam().engineCode);
        db().execute(
            QStringLiteral("INSERT INTO DOCSADM.PEOPLE (SYSTEM_ID, USER_ID, FULL_NAME) VALUES (?1, ?2, ?3)"),
            {db().nextKey(QStringLiteral("SYSTEMKEY")), QStringLiteral("GARY"),
             QStringLiteral("Gary O'Neil")});
    }
    LibraryStore& db() { return *m_library->store(); }
    bool oracle() const { return dm::IsOracle(GetParam().engineCode); }
    // Column 1 of row 1 of the SQL object's path, or "ERROR <number>".
    QString first(const QString& sql) {
        try {
            TextResult result;
            db().queryText(sql, result);
            return result.values.empty() ? QStringLiteral("(none)") : result.values.front();
        } catch (const Fault& fault) {
            return QStringLiteral("ERROR %1").arg(fault.number());
        }
    }
    qint64 count(const QString& table) {
        return db().scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.") + table).toLongLong();
    }

    std::unique_ptr<TestStores> m_library;
};

TEST_P(StoreContractTest, ValuesComeBackWithTheirTypes) {
    const QueryResult rows =
        db().query(QStringLiteral("SELECT SYSTEM_ID, USER_ID, FULL_NAME, PRIMARY_GROUP FROM DOCSADM.PEOPLE "
                                  "WHERE USER_ID = ?1"),
                   {QStringLiteral("GARY")});
    EXPECT_EQ(rows.columns, (QStringList{"SYSTEM_ID", "USER_ID", "FULL_NAME", "PRIMARY_GROUP"}));
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(rows.rows[0][0], QVariant(qlonglong(101)));
    EXPECT_EQ(rows.rows[0][1], QVariant(QStringLiteral("GARY")));
    EXPECT_EQ(rows.rows[0][2], QVariant(QStringLiteral("Gary O'Neil")));
    EXPECT_FALSE(rows.rows[0][3].isValid()) << "NULL is an invalid QVariant";
    EXPECT_FALSE(db().scalar(QStringLiteral("SELECT USER_ID FROM DOCSADM.PEOPLE WHERE SYSTEM_ID = ?1"), {999})
                     .isValid());
    // A missing parameter binds NULL.
    EXPECT_EQ(
        db().query(QStringLiteral("SELECT USER_ID FROM DOCSADM.PEOPLE WHERE FULL_NAME = ?1 OR ?2 IS NULL"),
                   {QStringLiteral("nobody")})
            .rows.size(),
        1u);
}

TEST_P(StoreContractTest, ExecuteAnswersTheRowsItChanged) {
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(
            db().execute(QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID, CLIENT_NAME) "
                                        "VALUES (?1, ?2, ?3)"),
                         {1000 + i, QStringLiteral("C%1").arg(i), QStringLiteral("Client")}),
            1);
    EXPECT_EQ(db().execute(QStringLiteral("UPDATE DOCSADM.CLIENT SET CLIENT_NAME = ?1 WHERE SYSTEM_ID < ?2"),
                           {QStringLiteral("Renamed"), 1002}),
              2);
    EXPECT_EQ(db().execute(QStringLiteral("SELECT * FROM DOCSADM.CLIENT")), 0) << "a SELECT changes nothing";
    EXPECT_EQ(db().execute(QStringLiteral("DELETE FROM DOCSADM.CLIENT WHERE CLIENT_ID = ?1"),
                           {QStringLiteral("none")}),
              0);
    TextResult result;
    db().queryText(QStringLiteral("DELETE FROM DOCSADM.CLIENT WHERE CLIENT_NAME = 'Renamed'"), result);
    EXPECT_EQ(result.changes, 2);
}

TEST_P(StoreContractTest, TheSqlObjectsTextIsRenderedAsTheServersRenderIt) {
    struct Row {
        const char* sql;
        const char* text;
    };
    const Row rows[] = {
        {"SELECT COUNT(*) FROM DOCSADM.PEOPLE", "1"},
        {"SELECT SUM(SYSTEM_ID) FROM DOCSADM.PEOPLE", "101"},
        {"SELECT 12.0 FROM DOCSADM.PEOPLE", "12"},
        {"SELECT 2.5 FROM DOCSADM.PEOPLE", "2.5"},
        {"SELECT PRIMARY_GROUP FROM DOCSADM.PEOPLE WHERE USER_ID = 'GARY'", ""},
        {"SELECT FULL_NAME FROM DOCSADM.PEOPLE WHERE FULL_NAME = 'Gary O''Neil'", "Gary O'Neil"},
        {"SELECT USER_ID FROM DOCSADM.PEOPLE WHERE SYSTEM_ID = 101;", "GARY"},
        {"SELECT USER_ID FROM DOCSADM.PEOPLE WHERE SYSTEM_ID IN (7, 101, 9)", "GARY"},
        {"SELECT USER_ID FROM DOCSADM.PEOPLE WHERE SYSTEM_ID = 5", "(none)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sql);
        EXPECT_EQ(first(QString::fromUtf8(row.sql)), QString::fromUtf8(row.text));
    }
    TextResult result;
    db().queryText(QStringLiteral("SELECT SYSTEM_ID, USER_ID FROM DOCSADM.PEOPLE"), result);
    EXPECT_EQ(result.columns, (std::vector<QString>{"SYSTEM_ID", "USER_ID"}));
}

TEST_P(StoreContractTest, TextComparesAsTheFlavourDoes) {
    // MSSQL and Sybase compare text without case, LIKE included; Oracle with case.
    const QString noCase = oracle() ? QStringLiteral("0") : QStringLiteral("1");
    struct Row {
        const char* sql;
    };
    for (const char* sql : {"SELECT COUNT(*) FROM DOCSADM.PEOPLE WHERE USER_ID = 'gary'",
                            "SELECT COUNT(*) FROM DOCSADM.PEOPLE WHERE USER_ID LIKE 'ga%'",
                            "SELECT COUNT(*) FROM DOCSADM.PEOPLE WHERE USER_ID IN ('gary')"}) {
        SCOPED_TRACE(sql);
        EXPECT_EQ(first(QString::fromUtf8(sql)), noCase);
    }
    EXPECT_EQ(first(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE WHERE USER_ID LIKE 'GA%'")),
              QStringLiteral("1"));
    const auto trustee = db().findTrustee(false, QStringLiteral("gary"));
    EXPECT_EQ(trustee.has_value(), !oracle());
    if (trustee) {
        EXPECT_EQ(trustee->id, 101);
        EXPECT_EQ(trustee->name, QStringLiteral("GARY")) << "the name as stored";
    }
    // A unique name is unique without case where text compares without case.
    const auto insertOther = [&] {
        db().execute(QStringLiteral("INSERT INTO DOCSADM.PEOPLE (SYSTEM_ID, USER_ID) VALUES (?1, ?2)"),
                     {500, QStringLiteral("gary")});
    };
    if (oracle())
        insertOther();
    else
        ExpectFault(kErrorConstraint, insertOther);
}

TEST_P(StoreContractTest, TheFlavoursDictionaryAnswersTheProgramsExistenceTest) {
    // As the program writes it, line ends and hexadecimal mask included.
    const auto mssql = [](const char* table) {
        return QStringLiteral("select count(*) from sysobjects \r\nwhere id = object_id('DOCSADM.%1') \r\n"
                              "and sysstat & 0xf = 3 ")
            .arg(QLatin1String(table));
    };
    const auto oracleTest = [](const char* table) {
        return QStringLiteral("SELECT COUNT(*) FROM ALL_TABLES WHERE TABLE_NAME = '%1'")
            .arg(QLatin1String(table));
    };
    if (oracle()) {
        EXPECT_EQ(first(oracleTest("PEOPLE")), QStringLiteral("1"));
        EXPECT_EQ(first(oracleTest("QORV_SETTINGS")), QStringLiteral("0"));
        EXPECT_EQ(first(QStringLiteral("SELECT DUMMY FROM DUAL")), QStringLiteral("X"));
        EXPECT_EQ(first(mssql("PEOPLE")), QStringLiteral("ERROR %1").arg(kErrorSqlite))
            << "no sysobjects on Oracle";
    } else {
        EXPECT_EQ(first(mssql("PEOPLE")), QStringLiteral("1"));
        EXPECT_EQ(first(mssql("people")), QStringLiteral("1"));
        EXPECT_EQ(first(mssql("QORV_SETTINGS")), QStringLiteral("0"));
        EXPECT_EQ(
            first(QStringLiteral("SELECT COUNT(*) FROM sysobjects WHERE id = object_id('[FOLDER_ITEM]')")),
            QStringLiteral("1"));
        EXPECT_EQ(first(oracleTest("PEOPLE")), QStringLiteral("ERROR %1").arg(kErrorSqlite))
            << "no ALL_TABLES on MSSQL";
    }
    EXPECT_TRUE(db().hasTable(QStringLiteral("people")));
    EXPECT_TRUE(db().hasTable(QStringLiteral("FOLDER_ITEM")));
    EXPECT_FALSE(db().hasTable(QStringLiteral("QORV_SETTINGS")));
    EXPECT_FALSE(db().hasTable(QStringLiteral("sysobjects")))
        << "the flavour's views are not the library's tables";
}

TEST_P(StoreContractTest, TheQuotedNextColumnMatchesAsTheProgramWritesIt) {
    EXPECT_EQ(first(QStringLiteral(
                  "INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, PARENT, ISFIRST, \"NEXT\", DOCNUMBER) "
                  "VALUES (7, 1, 'Y', 0, 2)")),
              QStringLiteral("(none)"));
    EXPECT_EQ(first(QStringLiteral("UPDATE DOCSADM.FOLDER_ITEM SET \"NEXT\" = 8 WHERE SYSTEM_ID = 7")),
              QStringLiteral("(none)"));
    EXPECT_EQ(first(QStringLiteral("SELECT \"NEXT\" FROM DOCSADM.FOLDER_ITEM WHERE PARENT = 1")),
              QStringLiteral("8"));
    EXPECT_EQ(
        db().scalar(QStringLiteral("SELECT \"NEXT\" FROM DOCSADM.FOLDER_ITEM WHERE SYSTEM_ID = ?1"), {7}),
        QVariant(qlonglong(8)));
}

TEST_P(StoreContractTest, KeysRiseUniquelyAcrossConnectionsAndAreNeverZero) {
    const auto other = m_library->openAgain();
    QSet<qint64> keys;
    qint64 last = 101;
    for (int i = 0; i < 10; ++i) {
        const qint64 mine = db().nextKey(QStringLiteral("SYSTEMKEY"));
        const qint64 theirs = other->nextKey(QStringLiteral("systemkey"));
        EXPECT_GT(mine, last);
        EXPECT_GT(theirs, mine);
        last = theirs;
        keys << mine << theirs;
    }
    EXPECT_EQ(keys.size(), 20);
    EXPECT_EQ(db().nextKey(QStringLiteral("NEWCOUNTER")), 1) << "a new counter starts at 1";
    EXPECT_EQ(other->nextKey(QStringLiteral("NEWCOUNTER")), 2);
    // A counter at -1 steps over 0.
    db().execute(QStringLiteral("UPDATE DOCSADM.KEY_COUNTERS SET LAST_KEY = -1 WHERE NAME = 'NEWCOUNTER'"));
    EXPECT_EQ(db().nextKey(QStringLiteral("NEWCOUNTER")), 1);
}

TEST_P(StoreContractTest, TransactionsAreAllOrNothingAndNestAsSavepoints) {
    const auto insertClient = [&](int id) {
        db().execute(QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (?1, ?2)"),
                     {id, QStringLiteral("C%1").arg(id)});
    };
    EXPECT_FALSE(db().inTransaction());
    db().begin();
    EXPECT_TRUE(db().inTransaction());
    insertClient(1);
    db().rollback();
    EXPECT_FALSE(db().inTransaction());
    EXPECT_EQ(count(QStringLiteral("CLIENT")), 0);

    db().begin();
    insertClient(2);
    db().begin();
    insertClient(3);
    db().rollback(); // the inner scope only
    db().begin();
    insertClient(4);
    db().commit();
    EXPECT_TRUE(db().inTransaction());
    db().commit();
    EXPECT_FALSE(db().inTransaction());
    EXPECT_EQ(
        db().query(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.CLIENT ORDER BY SYSTEM_ID")).rows.size(),
        2u);
    EXPECT_EQ(count(QStringLiteral("CLIENT WHERE SYSTEM_ID IN (2, 4)")), 2);
    ExpectFault(kErrorTransaction, [&] { db().commit(); });

    // A statement that does not even prepare leaves the transaction going.
    db().begin();
    insertClient(5);
    EXPECT_EQ(first(QStringLiteral("SELEKT nonsense")), QStringLiteral("ERROR %1").arg(kErrorSqlite));
    insertClient(6);
    db().commit();
    EXPECT_EQ(count(QStringLiteral("CLIENT WHERE SYSTEM_ID IN (5, 6)")), 2);
}

TEST_P(StoreContractTest, AnotherWritersLockIsWaitedForThenReportedAsPassing) {
    qputenv("VANTRELIS_BUSY_TIMEOUT_MS", "200");
    const auto other = m_library->openAgain();
    qunsetenv("VANTRELIS_BUSY_TIMEOUT_MS");
    db().begin();
    ExpectFault(kErrorLocked, [&] { other->begin(); });
    EXPECT_FALSE(other->inTransaction());
    EXPECT_TRUE(IsPassingError(kErrorLocked));
    db().commit();
    other->begin();
    other->commit();
}

TEST_P(StoreContractTest, FaultsCarryTheErrorTablesNumbers) {
    struct Row {
        const char* sql;
        qint64 number;
    };
    const Row rows[] = {
        {"SELEKT 1", kErrorSqlite},
        {"SELECT * FROM DOCSADM.NO_SUCH_TABLE", kErrorSqlite},
        {"SELECT NO_SUCH_COLUMN FROM DOCSADM.PEOPLE", kErrorSqlite},
        {"INSERT INTO DOCSADM.PEOPLE (SYSTEM_ID, USER_ID) VALUES (101, 'OTHER')", kErrorConstraint},
        {"INSERT INTO DOCSADM.PEOPLE (SYSTEM_ID, USER_ID) VALUES (900, NULL)", kErrorConstraint},
        {"SELECT 1 FROM DOCSADM.PEOPLE; SELECT 2 FROM DOCSADM.PEOPLE", kErrorSeveralStatements},
        {"DELETE FROM DOCSADM.PEOPLE; DELETE FROM DOCSADM.GROUPS", kErrorSeveralStatements},
        {"  ; -- nothing", kErrorEmptyStatement},
        {"", kErrorEmptyStatement},
        {"BEGIN", kErrorNotAuthorized},
        {"COMMIT", kErrorNotAuthorized},
        {"ROLLBACK", kErrorNotAuthorized},
        {"SAVEPOINT mine", kErrorNotAuthorized},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sql);
        EXPECT_EQ(first(QString::fromUtf8(row.sql)), QStringLiteral("ERROR %1").arg(row.number));
    }
    EXPECT_EQ(count(QStringLiteral("PEOPLE")), 1) << "nothing ran of a text with two statements";
    EXPECT_FALSE(db().inTransaction());
    const QString text =
        ExpectFault(kErrorSqlite, [&] { db().query(QStringLiteral("SELECT * FROM DOCSADM.NOPE")); });
    EXPECT_TRUE(text.contains(QLatin1String("NOPE"), Qt::CaseInsensitive)) << text.toStdString();
}

// A library opened for reading only (a check, a report) answers reads, and the engine itself refuses
// every write with one fault of the error table, however the write comes.
TEST_P(StoreContractTest, AReadOnlyOpenRefusesEveryWrite) {
    const auto reader = m_library->openAgain(LibraryDatabase::Access::ReadOnly);
    EXPECT_EQ(reader->scalar(QStringLiteral("SELECT USER_ID FROM DOCSADM.PEOPLE")),
              QVariant(QStringLiteral("GARY")));
    struct Write {
        const char* label;
        std::function<void()> write;
    };
    const Write writes[] = {
        {"insert",
         [&] {
             reader->execute(
                 QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (1, 'C1')"));
         }},
        {"delete", [&] { reader->execute(QStringLiteral("DELETE FROM DOCSADM.PEOPLE")); }},
        {"SQL object",
         [&] {
             TextResult result;
             reader->queryText(QStringLiteral("UPDATE DOCSADM.PEOPLE SET FULL_NAME = 'X'"), result);
         }},
        {"key", [&] { reader->nextKey(QStringLiteral("SYSTEMKEY")); }},
        {"key in a transaction",
         [&] {
             reader->begin();
             reader->nextKey(QStringLiteral("SYSTEMKEY"));
         }},
        {"folder's transaction",
         [&] {
             reader->beginForFolder(0);
             reader->execute(
                 QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (1, 'C1')"));
         }},
    };
    const qint64 key =
        db().scalar(QStringLiteral("SELECT LAST_KEY FROM DOCSADM.KEY_COUNTERS WHERE NAME = 'SYSTEMKEY'"))
            .toLongLong();
    for (const Write& write : writes) {
        SCOPED_TRACE(write.label);
        const QString text = ExpectFault(kErrorReadOnly, write.write);
        reader->rollback();
        EXPECT_TRUE(text.contains(QLatin1String("open for reading only"))) << text.toStdString();
    }
    EXPECT_EQ(count(QStringLiteral("CLIENT")), 0);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT FULL_NAME FROM DOCSADM.PEOPLE")),
              QVariant(QStringLiteral("Gary O'Neil")));
    EXPECT_EQ(
        db().scalar(QStringLiteral("SELECT LAST_KEY FROM DOCSADM.KEY_COUNTERS WHERE NAME = 'SYSTEMKEY'"))
            .toLongLong(),
        key);
    // The writer beside it is not held up by the reader.
    EXPECT_GT(db().nextKey(QStringLiteral("SYSTEMKEY")), key);
}

// Through the SQL object of a server whose libraries are opened for reading only (a check), a write
// answers the read-only error and its text; a query answers as ever.
TEST_P(StoreContractTest, TheSqlObjectOfAReadOnlyServerRefusesWrites) {
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("dm-server.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral(
                   "[Server]\nUser=gary\nLibraries=CONTRACT\n\n[Library.CONTRACT]\nDatabase=%1\nEngine=%2\n")
                   .arg(m_library->database())
                   .arg(GetParam().engineCode)
                   .toUtf8());
    file.close();
    const auto server = LocalServer::Load(file.fileName());
    server->setAccess(LibraryDatabase::Access::ReadOnly);
    LocalSql sql(server);
    sql.setToken(server->login());
    sql.setLibrary(QStringLiteral("CONTRACT"));
    ASSERT_EQ(sql.execute(QStringLiteral("SELECT FULL_NAME FROM DOCSADM.PEOPLE")), 0)
        << sql.errorText().toStdString();
    EXPECT_EQ(sql.columnValue(1), QStringLiteral("Gary O'Neil"));
    EXPECT_EQ(sql.execute(QStringLiteral("UPDATE DOCSADM.PEOPLE SET FULL_NAME = 'X'")), kErrorReadOnly);
    EXPECT_EQ(sql.errorNumber(), kErrorReadOnly);
    EXPECT_TRUE(sql.errorText().startsWith(QLatin1String("Library CONTRACT is open for reading only")))
        << sql.errorText().toStdString();
    EXPECT_EQ(sql.nextKey(QStringLiteral("SYSTEMKEY")), 0);
    EXPECT_EQ(sql.errorNumber(), kErrorReadOnly);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT FULL_NAME FROM DOCSADM.PEOPLE")),
              QVariant(QStringLiteral("Gary O'Neil")));
}

INSTANTIATE_TEST_SUITE_P(BothStores, StoreContractTest,
                         ::testing::Values(Backend{StoreKind::Sqlite, kEngineMssql},
                                           Backend{StoreKind::Sqlite, kEngineOracle},
                                           Backend{StoreKind::Postgres, kEngineMssql},
                                           Backend{StoreKind::Postgres, kEngineOracle}),
                         BackendName);

} // namespace
} // namespace vantrelis::testing
