#include "TestLibrary.h"
#include "dm/local/LiteralParameters.h"
#include "dm/local/LocalErrors.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace vantrelis::dm;
using namespace vantrelis::dm::local;
using vantrelis::dm::local::test::TestLibrary;

namespace {

class LocalSqlTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& sql = lib.sql();
        ASSERT_EQ(0, sql.execute(QStringLiteral(
                         "INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID, CLIENT_NAME) VALUES "
                         "(11, 'C100', 'Acme'), (12, 'C200', NULL), (13, 'C300', 'O''Brien & Co')")))
            << sql.errorText().toStdString();
    }
    TestLibrary lib{kEngineMssql};
};

TEST_F(LocalSqlTest, SelectBuffersRowsAndStartsOnRowOne) {
    auto& sql = lib.sql();
    ASSERT_EQ(0, sql.execute(QStringLiteral("SELECT SYSTEM_ID, CLIENT_ID, CLIENT_NAME FROM DOCSADM.CLIENT "
                                            "ORDER BY SYSTEM_ID")));
    EXPECT_EQ(0, sql.errorNumber());
    EXPECT_EQ(3, sql.rowCount());
    EXPECT_EQ(3, sql.columnCount());
    EXPECT_EQ(0, sql.rowsAffected());
    EXPECT_EQ(QStringLiteral("CLIENT_ID"), sql.columnName(2));
    EXPECT_EQ(QStringLiteral("11"), sql.columnValue(1));
    EXPECT_EQ(QStringLiteral("Acme"), sql.columnValue(3));

    QStringList seen{sql.columnValue(2)};
    while (sql.nextRow() != 0)
        seen += sql.columnValue(2);
    EXPECT_EQ((QStringList{QStringLiteral("C100"), QStringLiteral("C200"), QStringLiteral("C300")}), seen);
    EXPECT_EQ(0, sql.nextRow()) << "stays at the end";
    EXPECT_EQ(QStringLiteral("C300"), sql.columnValue(2));

    sql.setRow(2);
    EXPECT_EQ(QStringLiteral("C200"), sql.columnValue(2));
    EXPECT_TRUE(sql.columnValue(3).isEmpty()) << "NULL reads as empty text";
    EXPECT_EQ(1, sql.nextRow());
    EXPECT_EQ(QStringLiteral("O'Brien & Co"), sql.columnValue(3));
}

TEST_F(LocalSqlTest, OutOfRangeColumnsAndRowsReadEmpty) {
    auto& sql = lib.sql();
    ASSERT_EQ(0, sql.execute(QStringLiteral("SELECT CLIENT_ID FROM DOCSADM.CLIENT ORDER BY CLIENT_ID")));
    const struct {
        int row;
        int column;
    } cases[] = {{1, 0}, {1, 2}, {0, 1}, {4, 1}, {-1, 1}};
    for (const auto& c : cases) {
        sql.setRow(c.row);
        EXPECT_TRUE(sql.columnValue(c.column).isEmpty()) << c.row << "," << c.column;
    }
    EXPECT_TRUE(sql.columnName(0).isEmpty());
    EXPECT_TRUE(sql.columnName(2).isEmpty());
}

TEST_F(LocalSqlTest, NumbersReadAsWholeNumbersWhenIntegral) {
    const struct {
        const char* expression;
        const char* text;
    } cases[] = {{"12", "12"},     {"12.0", "12"},   {"CAST(7 AS REAL)", "7"},
                 {"2.5", "2.5"},   {"-3.0", "-3"},   {"1.0/3", "0.333333333333333"},
                 {"NULL", ""},     {"'007'", "007"}, {"2147418112", "2147418112"},
                 {"COUNT(*)", "3"}};
    for (const auto& c : cases) {
        const QString sql = QStringLiteral("SELECT %1 FROM DOCSADM.CLIENT").arg(QLatin1String(c.expression));
        EXPECT_EQ(QString::fromLatin1(c.text), lib.first(sql)) << c.expression;
    }
}

TEST_F(LocalSqlTest, RowsAffectedCountsChangesOnlyForWritingStatements) {
    auto& sql = lib.sql();
    const struct {
        const char* statement;
        qint64 affected;
        int rows;
    } cases[] = {
        {"UPDATE DOCSADM.CLIENT SET CLIENT_NAME = 'x'", 3, 0},
        {"SELECT * FROM DOCSADM.CLIENT", 0, 3}, // a SELECT after an UPDATE does not report its count
        {"UPDATE DOCSADM.CLIENT SET CLIENT_NAME = 'y' WHERE CLIENT_ID = 'C200'", 1, 0},
        {"UPDATE DOCSADM.CLIENT SET CLIENT_NAME = 'y' WHERE CLIENT_ID = 'none'", 0, 0},
        {"INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) SELECT SYSTEM_ID + 100, CLIENT_ID || 'X' "
         "FROM DOCSADM.CLIENT",
         3, 0},
        {"CREATE TABLE DOCSADM.SCRATCH (A INTEGER)", 0, 0},
        {"DELETE FROM DOCSADM.CLIENT WHERE SYSTEM_ID > 100", 3, 0},
        {"SELECT COUNT(*) FROM DOCSADM.CLIENT", 0, 1},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(0, sql.execute(QString::fromLatin1(c.statement)))
            << c.statement << sql.errorText().toStdString();
        EXPECT_EQ(c.affected, sql.rowsAffected()) << c.statement;
        EXPECT_EQ(c.rows, sql.rowCount()) << c.statement;
    }
}

TEST_F(LocalSqlTest, ReleaseEmptiesTheResult) {
    auto& sql = lib.sql();
    ASSERT_EQ(0, sql.execute(QStringLiteral("SELECT CLIENT_ID FROM DOCSADM.CLIENT")));
    ASSERT_EQ(3, sql.rowCount());
    sql.releaseResults();
    EXPECT_EQ(0, sql.rowCount());
    EXPECT_EQ(0, sql.columnCount());
    EXPECT_EQ(0, sql.rowsAffected());
    EXPECT_TRUE(sql.columnValue(1).isEmpty());
    EXPECT_EQ(0, sql.nextRow());
}

TEST_F(LocalSqlTest, RejectedStatementsCarryTheBackendsOwnNumbers) {
    auto& sql = lib.sql();
    const struct {
        const char* statement;
        qint64 number;
    } cases[] = {
        {"SELEC * FROM DOCSADM.CLIENT", kErrorSqlite},
        {"SELECT * FROM DOCSADM.NO_SUCH_TABLE", kErrorSqlite},
        {"SELECT NO_SUCH_COLUMN FROM DOCSADM.CLIENT", kErrorSqlite},
        {"INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (11, 'dup')", kErrorConstraint},
        {"INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (99, 'c100')", kErrorConstraint},
        {"SELECT 1; DELETE FROM DOCSADM.CLIENT", kErrorSeveralStatements},
        {"set x; DELETE FROM DOCSADM.CLIENT", kErrorSeveralStatements},
        {"set dateformat mdy\nDELETE FROM DOCSADM.CLIENT", kErrorSeveralStatements},
        {"SP_DBOPTION TESTLIB,'QUOTED_IDENTIFIER'; DELETE FROM DOCSADM.CLIENT", kErrorSeveralStatements},
        {"SP_DBOPTION x; DELETE FROM DOCSADM.CLIENT --,'QUOTED_IDENTIFIER'", kErrorSeveralStatements},
        {"   ", kErrorEmptyStatement},
        {"-- only a comment", kErrorEmptyStatement},
    };
    for (const auto& c : cases) {
        const qint64 answer = sql.execute(QString::fromLatin1(c.statement));
        EXPECT_EQ(c.number, answer) << c.statement;
        EXPECT_EQ(c.number, sql.errorNumber()) << c.statement;
        EXPECT_FALSE(sql.errorText().isEmpty()) << c.statement;
        EXPECT_EQ(0, sql.rowCount()) << c.statement;
        EXPECT_NE(0, sql.errorNumber());
        EXPECT_NE(9, sql.errorNumber());
        EXPECT_NE(-2147417851LL, sql.errorNumber());
    }
    // Nothing of the rejected statements was written, and a good statement clears the error.
    EXPECT_EQ(QStringLiteral("3"), lib.first(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT")));
    EXPECT_EQ(0, sql.errorNumber());
    EXPECT_TRUE(sql.errorText().isEmpty());
    // Trailing blanks, semicolons and comments are not a second statement.
    EXPECT_EQ(QStringLiteral("3"),
              lib.first(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT ; \r\n-- done")));
    EXPECT_EQ(0, sql.execute(QStringLiteral("set nocount on ; \r\n-- done /* here */")));
}

TEST_F(LocalSqlTest, UnboundObjectReportsEngineZeroAndRefusesStatements) {
    const struct {
        const char* token;
        const char* library;
    } cases[] = {{"", "TESTLIB"}, {"not-the-token", "TESTLIB"}, {nullptr, "OTHERLIB"}, {nullptr, ""}};
    for (const auto& c : cases) {
        LocalSql sql(lib.serverPtr());
        sql.setToken(c.token ? QString::fromLatin1(c.token) : lib.server().login());
        sql.setLibrary(QString::fromLatin1(c.library));
        EXPECT_EQ(0, sql.engineCode()) << c.library;
        EXPECT_EQ(kErrorNotBound, sql.execute(QStringLiteral("SELECT 1")));
        EXPECT_EQ(kErrorNotBound, sql.errorNumber());
        EXPECT_EQ(0, sql.nextKey(QStringLiteral("SYSTEMKEY")));
    }
    LocalSql sql(lib.serverPtr());
    sql.setToken(lib.server().login());
    sql.setLibrary(QStringLiteral("testlib"));
    EXPECT_EQ(kEngineMssql, sql.engineCode()) << "library names ignore case";
    EXPECT_EQ(0, sql.execute(QStringLiteral("SELECT 1")));
}

TEST_F(LocalSqlTest, RepeatedStatementsSurviveSchemaChanges) {
    auto& sql = lib.sql();
    const QString select = QStringLiteral("SELECT * FROM DOCSADM.CLIENT");
    ASSERT_EQ(0, sql.execute(select));
    EXPECT_EQ(3, sql.columnCount());
    ASSERT_EQ(0, sql.execute(QStringLiteral("ALTER TABLE DOCSADM.CLIENT ADD COLUMN EXTRA TEXT")));
    ASSERT_EQ(0, sql.execute(select));
    EXPECT_EQ(4, sql.columnCount());
    EXPECT_EQ(QStringLiteral("EXTRA"), sql.columnName(4));
}

TEST_F(LocalSqlTest, KeysAreFreshAndNeverZero) {
    auto& sql = lib.sql();
    qint64 previous = 0;
    for (int i = 0; i < 20; ++i) {
        const qint64 key = sql.nextKey(QStringLiteral("SYSTEMKEY"));
        EXPECT_GT(key, previous);
        previous = key;
    }
    // A counter that does not exist yet starts at 1; one set to -1 skips 0.
    EXPECT_EQ(1, sql.nextKey(QStringLiteral("NEWCOUNTER")));
    ASSERT_EQ(0, sql.execute(QStringLiteral(
                     "UPDATE DOCSADM.KEY_COUNTERS SET LAST_KEY = -1 WHERE NAME = 'NEWCOUNTER'")));
    EXPECT_EQ(1, sql.nextKey(QStringLiteral("NEWCOUNTER")));
}

TEST_F(LocalSqlTest, StatementsThatReachOutsideTheLibraryAreRefused) {
    auto& sql = lib.sql();
    // The library's own transaction statements, run first, must not open the door for the same
    // texts sent through the SQL object.
    lib.db()->begin();
    lib.db()->commit();
    const QString outside = lib.path(QStringLiteral("outside.db"));
    const QString copy = lib.path(QStringLiteral("copy.db"));
    const QString cases[] = {
        QStringLiteral("ATTACH '%1' AS OTHER").arg(outside),
        QStringLiteral("VACUUM DOCSADM INTO '%1'").arg(copy),
        QStringLiteral("VACUUM"),
        QStringLiteral("DETACH DOCSADM"),
        QStringLiteral("PRAGMA DOCSADM.journal_mode = DELETE"),
        QStringLiteral("PRAGMA writable_schema = ON"),
        QStringLiteral("BEGIN IMMEDIATE"),
        QStringLiteral("BEGIN"),
        QStringLiteral("COMMIT"),
        QStringLiteral("SAVEPOINT mine"),
        QStringLiteral("SELECT 1; BEGIN"),
    };
    for (const QString& statement : cases) {
        SCOPED_TRACE(statement.toStdString());
        const qint64 expected =
            statement.contains(QLatin1Char(';')) ? kErrorSeveralStatements : kErrorNotAuthorized;
        EXPECT_EQ(expected, sql.execute(statement)) << sql.errorText().toStdString();
        EXPECT_FALSE(sql.errorText().isEmpty());
        EXPECT_FALSE(lib.db()->inTransaction());
    }
    EXPECT_FALSE(QFile::exists(outside));
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_EQ(QStringLiteral("wal"),
              lib.db()->scalar(QStringLiteral("PRAGMA DOCSADM.journal_mode")).toString());
    // Reading the schema is allowed, and the transaction scope works around the SQL object's writes.
    EXPECT_EQ(QStringLiteral("0"), lib.first(QStringLiteral("PRAGMA table_info(CLIENT)")));
    sql.beginTransaction();
    EXPECT_EQ(kErrorNotAuthorized, sql.execute(QStringLiteral("COMMIT")));
    EXPECT_EQ(0, sql.execute(QStringLiteral("DELETE FROM DOCSADM.CLIENT WHERE SYSTEM_ID = 11")));
    sql.rollbackTransaction();
    EXPECT_EQ(QStringLiteral("3"), lib.first(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT")));
    EXPECT_NE(0, sql.nextKey(QStringLiteral("SYSTEMKEY")));
}

} // namespace

namespace {

// What is taken out of a statement as a parameter, and what stays as written.
TEST(LiteralParametersTest, TakesOutOnlyTheValuesThatStandForAValue) {
    const struct {
        const char* sql;
        const char* text; // "" when the statement is left as it is
        QVariantList values;
    } cases[] = {
        {"SELECT COUNT(*) FROM T WHERE PARENT = 5002 AND DOCNUMBER=7",
         "SELECT COUNT(*) FROM T WHERE PARENT = ?1 AND DOCNUMBER=?2",
         {5002, 7}},
        {"SELECT A FROM T WHERE N = 'O''Neil' AND B <> 'x' AND C >= 3 AND D != 4",
         "SELECT A FROM T WHERE N = ?1 AND B <> ?2 AND C >= ?3 AND D != ?4",
         {QStringLiteral("O'Neil"), QStringLiteral("x"), 3, 4}},
        {"INSERT INTO T (A, B, C) VALUES(1, 'F', -2)",
         "INSERT INTO T (A, B, C) VALUES(?1, ?2, -2)",
         {1, QStringLiteral("F")}},
        {"DELETE FROM T WHERE X IN (1, 2) AND Y IN (SELECT Z FROM U GROUP BY Z, 1)",
         "DELETE FROM T WHERE X IN (?1, ?2) AND Y IN (SELECT Z FROM U GROUP BY Z, 1)",
         {1, 2}},
        {"UPDATE T SET \"NEXT\" = 12, ISFIRST = 'N' WHERE L3 = 4.5 AND B = X'0A' AND C = N'a'",
         "UPDATE T SET \"NEXT\" = ?1, ISFIRST = ?2 WHERE L3 = 4.5 AND B = X'0A' AND C = N'a'",
         {12, QStringLiteral("N")}},
        {"SELECT 5, 'a' FROM T WHERE A LIKE 'x%' ORDER BY 1 LIMIT 3", "", {}},
        {"SELECT COUNT(*) = 0, (SELECT B FROM U WHERE C = 2) FROM T WHERE A = 1",
         "SELECT COUNT(*) = 0, (SELECT B FROM U WHERE C = 2) FROM T WHERE A = ?1",
         {1}},
        {"SELECT A FROM T -- = 5\nWHERE [B = 1] = 2 /* = 3 */",
         "SELECT A FROM T -- = 5\nWHERE [B = 1] = ?1 /* = 3 */",
         {2}},
        {"SELECT A FROM T WHERE B = ?1 AND C = 5", "", {}},
        {"INSERT INTO T (A, B, C) VALUES (20, $001, 'a''b')", "", {}},
        {"SELECT A FROM T WHERE B = :b AND C = 5 OR D = @d OR E = #e", "", {}},
        {"SELECT A FROM T WHERE B = 'x:y' AND C = 5",
         "SELECT A FROM T WHERE B = ?1 AND C = ?2",
         {QStringLiteral("x:y"), 5}},
        {"CREATE TABLE T (A INT CHECK (A > 0))", "", {}},
        {"SELECT A FROM T WHERE B = 99999999999999999999", "", {}},
    };
    for (const auto& c : cases) {
        const LiteralParameters shaped = ParameterizeLiterals(QString::fromUtf8(c.sql));
        EXPECT_EQ(shaped.text.toStdString(), c.text) << c.sql;
        EXPECT_EQ(shaped.values, c.values) << c.sql;
    }
}

// A statement answers the same whether its values were taken out or not, and statements of one shape
// with other values do not answer each other's rows.
TEST_F(LocalSqlTest, StatementsOfOneShapeAnswerTheirOwnValues) {
    auto& sql = lib.sql();
    const struct {
        const char* sql;
        QStringList column; // the first column, row by row
    } cases[] = {
        {"SELECT CLIENT_ID FROM DOCSADM.CLIENT WHERE SYSTEM_ID = 11", {QStringLiteral("C100")}},
        {"SELECT CLIENT_ID FROM DOCSADM.CLIENT WHERE SYSTEM_ID = 13", {QStringLiteral("C300")}},
        {"SELECT SYSTEM_ID FROM DOCSADM.CLIENT WHERE CLIENT_NAME = 'O''Brien & Co'", {QStringLiteral("13")}},
        {"SELECT CLIENT_ID FROM DOCSADM.CLIENT WHERE SYSTEM_ID IN (12, 13) ORDER BY 1",
         {QStringLiteral("C200"), QStringLiteral("C300")}},
        {"SELECT COUNT(*) FROM DOCSADM.CLIENT WHERE CLIENT_ID = '11'", {QStringLiteral("0")}},
        {"SELECT COUNT(*) FROM DOCSADM.CLIENT WHERE SYSTEM_ID = '11'", {QStringLiteral("1")}},
    };
    for (int round = 0; round < 2; ++round)
        for (const auto& c : cases) {
            ASSERT_EQ(0, sql.execute(QString::fromUtf8(c.sql))) << c.sql << sql.errorText().toStdString();
            QStringList seen;
            for (int row = 1; row <= sql.rowCount(); ++row) {
                sql.setRow(row);
                seen += sql.columnValue(1);
            }
            EXPECT_EQ(seen, c.column) << c.sql;
        }
}

} // namespace
