#include "TestLibrary.h"
#include "dm/local/LibrarySchema.h"
#include "dm/local/LocalErrors.h"

#include <gtest/gtest.h>

using namespace vantrelis::dm;
using namespace vantrelis::dm::local;
using vantrelis::dm::local::test::TestLibrary;

namespace {

const QString kSysobjectsTest =
    QStringLiteral("select count(*) from sysobjects \r\nwhere id = object_id('DOCSADM.%1') "
                   "\r\nand sysstat & 0xf = 3 ");
const QString kAllTablesTest = QStringLiteral("SELECT COUNT(*) FROM ALL_TABLES WHERE TABLE_NAME = '%1'");
const QString kDocsTableTest =
    QStringLiteral("SELECT COUNT(*) FROM DOCSADM.DOCSTABLE WHERE UPPER(TABLE_NAME) = '%1'");
const QString kSyntaxError = QStringLiteral("ERROR %1").arg(kErrorSqlite);

void AddSettingsTable(LibraryDatabase& db) {
    for (const QString& sql :
         LibrarySchema::SettingsTableStatements(db.engineCode(), LibrarySchema::SchemaName()))
        db.execute(sql);
}

struct FlavourCase {
    QString statement;
    QString mssql;
    QString oracle;
};

TEST(EngineShimsTest, EachFlavourAnswersItsOwnDictionaryAndCommands) {
    const FlavourCase cases[] = {
        {kSysobjectsTest.arg(QLatin1String("QORV_SETTINGS")), QStringLiteral("0"), kSyntaxError},
        {kSysobjectsTest.arg(QLatin1String("PROFILE")), QStringLiteral("1"), kSyntaxError},
        {kSysobjectsTest.arg(QLatin1String("profile")), QStringLiteral("1"), kSyntaxError},
        {QStringLiteral("SELECT COUNT(*) FROM sysobjects WHERE id = object_id('DOCSADM.NOPE')"),
         QStringLiteral("0"), kSyntaxError},
        {QStringLiteral("SELECT object_id('DOCSADM.NOPE')"), QString(), kSyntaxError},
        {QStringLiteral("SELECT name FROM sysobjects WHERE id = object_id('[FOLDER_ITEM]')"),
         QStringLiteral("FOLDER_ITEM"), kSyntaxError},
        {kAllTablesTest.arg(QLatin1String("QORV_SETTINGS")), kSyntaxError, QStringLiteral("0")},
        {kAllTablesTest.arg(QLatin1String("PROFILE")), kSyntaxError, QStringLiteral("1")},
        {kAllTablesTest.arg(QLatin1String("profile")), kSyntaxError, QStringLiteral("0")},
        {kDocsTableTest.arg(QLatin1String("QORV_SETTINGS")), QStringLiteral("0"), QStringLiteral("0")},
        {kDocsTableTest.arg(QLatin1String("FOLDER_ITEM")), QStringLiteral("1"), QStringLiteral("1")},
        {QStringLiteral("set dateformat mdy"), QString(), kSyntaxError},
        {QStringLiteral("SET NOCOUNT ON"), QString(), kSyntaxError},
        {QStringLiteral("SP_DBOPTION TESTLIB,'QUOTED_IDENTIFIER'"), QStringLiteral("quoted identifier"),
         kSyntaxError},
        {QStringLiteral("SELECT DUMMY FROM DUAL"), kSyntaxError, QStringLiteral("X")},
        // Text compares without case on MSSQL, with case on Oracle: = , LIKE and IN alike.
        {QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE P WHERE P.DOCNAME = 'abc'"),
         QStringLiteral("1"), QStringLiteral("0")},
        {QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE P WHERE P.DOCNAME = 'ABC'"),
         QStringLiteral("1"), QStringLiteral("1")},
        {QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE WHERE DOCNAME LIKE 'abc%'"),
         QStringLiteral("1"), QStringLiteral("0")},
        {QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE WHERE DOCNAME IN ('abc', 'x')"),
         QStringLiteral("1"), QStringLiteral("0")},
        {QStringLiteral("SELECT DOCNAME FROM DOCSADM.PROFILE ORDER BY DOCNAME"), QStringLiteral("abb"),
         QStringLiteral("ABC")},
    };
    for (const int engine : {kEngineMssql, kEngineSybase, kEngineOracle, kEngineOracle8}) {
        TestLibrary lib(engine);
        ASSERT_EQ(
            0, lib.sql().execute(QStringLiteral("INSERT INTO DOCSADM.PROFILE (SYSTEM_ID, DOCNUMBER, DOCNAME) "
                                                "VALUES (1, 1, 'ABC'), (2, 2, 'abb')")));
        for (const FlavourCase& c : cases) {
            const QString expected = IsOracle(engine) ? c.oracle : c.mssql;
            EXPECT_EQ(expected, lib.first(c.statement))
                << "engine " << engine << ": " << c.statement.toStdString();
        }
    }
}

TEST(EngineShimsTest, ExistenceTestsSeeTheSettingsTableOnceAdded) {
    for (const int engine : {kEngineMssql, kEngineOracle}) {
        TestLibrary lib(engine);
        const QString test = IsOracle(engine) ? kAllTablesTest : kSysobjectsTest;
        const QString name = QStringLiteral("QORV_SETTINGS");
        ASSERT_EQ(QStringLiteral("0"), lib.first(test.arg(name))) << engine;
        ASSERT_EQ(QStringLiteral("0"), lib.first(kDocsTableTest.arg(name))) << engine;
        EXPECT_FALSE(lib.db()->hasTable(name));
        AddSettingsTable(*lib.db());
        EXPECT_EQ(QStringLiteral("1"), lib.first(test.arg(name))) << engine;
        EXPECT_EQ(QStringLiteral("1"), lib.first(kDocsTableTest.arg(name))) << engine;
        EXPECT_TRUE(lib.db()->hasTable(name.toLower()));
    }
}

TEST(EngineShimsTest, DbOptionAnswersAndSetsQuotedIdentifier) {
    TestLibrary lib(kEngineMssql);
    auto& sql = lib.sql();
    const QString ask = QStringLiteral("SP_DBOPTION TESTLIB,'QUOTED_IDENTIFIER'");
    const struct {
        QString statement; // run before asking; empty for none
        QString setting;
    } cases[] = {
        {QString(), QStringLiteral("ON")},
        {QStringLiteral("INSERT INTO DOCSADM.LIBRARY_PARAMS (USER_ID, NAME, VALUE) VALUES "
                        "('*', 'SQL.QUOTED_IDENTIFIER', 'OFF')"),
         QStringLiteral("OFF")},
        {QStringLiteral("SP_DBOPTION TESTLIB, 'QUOTED_IDENTIFIER', 'ON'"), QStringLiteral("ON")},
        {QStringLiteral("sp_dboption testlib,'quoted_identifier','off'"), QStringLiteral("OFF")},
        {QStringLiteral("SP_DBOPTION TESTLIB , 'QUOTED_IDENTIFIER' , 'TRUE' ;"), QStringLiteral("ON")},
    };
    for (const auto& c : cases) {
        if (!c.statement.isEmpty()) {
            ASSERT_EQ(0, sql.execute(c.statement))
                << c.statement.toStdString() << sql.errorText().toStdString();
            EXPECT_EQ(0, sql.rowCount());
        }
        ASSERT_EQ(0, sql.execute(ask));
        EXPECT_EQ(1, sql.rowCount());
        EXPECT_EQ(2, sql.columnCount());
        EXPECT_TRUE(sql.columnValue(1).toUpper().contains(QLatin1String("QUOTED")));
        EXPECT_EQ(c.setting, sql.columnValue(2)) << c.statement.toStdString();
    }
    EXPECT_EQ(QStringLiteral("1"),
              lib.first(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.LIBRARY_PARAMS WHERE NAME = "
                                       "'SQL.QUOTED_IDENTIFIER'")));
    for (const char* bad : {"SP_DBOPTION", "SP_DBOPTION TESTLIB", "SP_DBOPTION TESTLIB,'ANSI_WARNINGS'",
                            "SP_DBOPTION TESTLIB,'QUOTED_IDENTIFIER','MAYBE'"}) {
        EXPECT_EQ(kErrorServerCommand, sql.execute(QString::fromLatin1(bad))) << bad;
        EXPECT_FALSE(sql.errorText().isEmpty());
    }
}

// The statements the import program sends, built as it builds them, run unchanged on both flavours.
TEST(EngineShimsTest, TheProgramsStatementsRunUnchanged) {
    const QString seed[] = {
        QStringLiteral("INSERT INTO DOCSADM.GROUPS (SYSTEM_ID, GROUP_ID, UNIV_ACCESS) VALUES (102, "
                       "'DOCS_SUPERVISORS', 255)"),
        QStringLiteral("UPDATE DOCSADM.PEOPLE SET PRIMARY_GROUP = 102 WHERE SYSTEM_ID = 101"),
        QStringLiteral(
            "INSERT INTO DOCSADM.PEOPLEGROUPS (PEOPLE_SYSTEM_ID, GROUPS_SYSTEM_ID) VALUES (101, 102)"),
        QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (11, 'C100')"),
        QStringLiteral(
            "INSERT INTO DOCSADM.MATTER (SYSTEM_ID, MATTER_ID, CLIENT_ID) VALUES (12, '0042', 11)"),
        QStringLiteral(
            "INSERT INTO DOCSADM.DOCSCOLUMN (SYSTEM_ID, TBNAME, COLNAME, FTBNAME, FCOLNAME, CMSKEY) VALUES "
            "(21, 'PROFILE', 'MATTER', 'MATTER', 'SYSTEM_ID', 'F')"),
        QStringLiteral("INSERT INTO DOCSADM.FORMS (SYSTEM_ID, FORM_NAME) VALUES (31, 'FOLDERFORM')"),
        QStringLiteral(
            "INSERT INTO DOCSADM.PROFILE (SYSTEM_ID, DOCNUMBER, DOCNAME, AUTHOR, TYPIST, APPLICATION, "
            "DOCUMENTTYPE, MATTER, PATH, STORAGETYPE, RETENTION) VALUES "
            "(201, 5, 'C100', 101, 101, 1, 2, 12, 'p', 'A', 0), "
            "(202, 6, 'Letter', 101, 101, 7, 8, 12, '', 'A', 0)"),
        QStringLiteral("INSERT INTO DOCSADM.FOLDER (SYSTEM_ID, DOCNUMBER, IS_PUBLIC) VALUES (201, 5, 'Y')"),
        QStringLiteral("INSERT INTO DOCSADM.VERSIONS (VERSION_ID, DOCNUMBER, VERSION) VALUES (203, 5, 1)"),
        QStringLiteral(
            "INSERT INTO DOCSADM.ROOT_OBJECT (SYSTEM_ID, DOCNUMBER, DISPLAYNAME) VALUES (204, 5, '')"),
        QStringLiteral(
            "INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) VALUES (201, 102, 255)"),
    };
    const struct {
        QString statement;
        QString first; // column 1 of row 1; "*" when any value will do
    } program[] = {
        {QStringLiteral(
             "SELECT COUNT(*) FROM DOCSADM.PEOPLEGROUPS PG WHERE PEOPLE_SYSTEM_ID = (SELECT SYSTEM_ID FROM "
             "DOCSADM.PEOPLE WHERE UPPER(USER_ID) = 'GARY') AND GROUPS_SYSTEM_ID IN (SELECT SYSTEM_ID FROM "
             "DOCSADM.GROUPS WHERE UNIV_ACCESS = 255)"),
         QStringLiteral("1")},
        {QStringLiteral(
             "SELECT COLNAME, FTBNAME FROM DOCSADM.DOCSCOLUMN WHERE TBNAME = 'PROFILE' AND CMSKEY = 'F'"),
         QStringLiteral("MATTER")},
        {QStringLiteral(
             "SELECT F.DOCNUMBER FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P WHERE F.DOCNUMBER = P.DOCNUMBER "
             "AND "
             "P.DOCNAME = 'C100' AND F.DOCNUMBER NOT IN (SELECT DISTINCT DOCNUMBER FROM DOCSADM.FOLDER_ITEM "
             "WHERE LIBRARY = 0) ORDER BY F.DOCNUMBER"),
         QStringLiteral("5")},
        {QStringLiteral(
             "SELECT DATABASE_ENGINE FROM DOCSADM.REMOTE_LIBRARIES WHERE LIBRARY_NAME = 'TESTLIB'"),
         QStringLiteral("*")},
        {QStringLiteral("SELECT DATABASE_NAME FROM DOCSADM.REMOTE_LIBRARIES WHERE LIBRARY_NAME = 'TESTLIB'"),
         QStringLiteral("TESTLIB")},
        {QStringLiteral(
             "INSERT INTO DOCSADM.QORV_SETTINGS (MASTER_KEY, SECTION_KEY, SUB_KEY, CHAR_VAL, INT_VAL, "
             "KEY_TYPE) VALUES('VANTRELIS', 'IMPORT_FOLDERS', 'SET1', 'DELIMITER:,', NULL, 1)"),
         QString()},
        {QStringLiteral(
             "INSERT INTO DOCSADM.QORV_SETTINGS (MASTER_KEY, SECTION_KEY, SUB_KEY, CHAR_VAL, INT_VAL, "
             "KEY_TYPE) VALUES('VANTRELIS', 'RULE_TEMPLATE', 'SET1', '%MATTER.MATTER_ID%', 1, 1)"),
         QString()},
        {QStringLiteral("SELECT SUB_KEY, CHAR_VAL, INT_VAL FROM DOCSADM.QORV_SETTINGS WHERE MASTER_KEY = "
                        "'VANTRELIS' AND "
                        "SECTION_KEY = 'SETTINGS'"),
         QString()},
        {QStringLiteral(
             "SELECT SECTION_KEY, SUB_KEY, CHAR_VAL, INT_VAL FROM DOCSADM.QORV_SETTINGS WHERE MASTER_KEY = "
             "'VANTRELIS' AND (SECTION_KEY LIKE 'RULE_%' OR SECTION_KEY = 'SETTINGS') ORDER BY SUB_KEY, "
             "SECTION_KEY"),
         QStringLiteral("RULE_TEMPLATE")},
        {QStringLiteral(
             "SELECT SUB_KEY, CHAR_VAL FROM DOCSADM.QORV_SETTINGS WHERE MASTER_KEY = 'VANTRELIS' AND "
             "SECTION_KEY = 'IMPORT_FOLDERS' ORDER BY SUB_KEY"),
         QStringLiteral("SET1")},
        {QStringLiteral("DELETE FROM DOCSADM.QORV_SETTINGS WHERE MASTER_KEY = 'VANTRELIS' AND SECTION_KEY = "
                        "'IMPORT_FOLDERS' AND SUB_KEY = 'SET1'"),
         QString()},
        {QStringLiteral(
             "SELECT STORAGETYPE, PATH, RETENTION, AUTHOR, TYPIST, FORM, DOCUMENTTYPE FROM DOCSADM.PROFILE "
             "WHERE DOCNUMBER = 5"),
         QStringLiteral("A")},
        {QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.FORMS WHERE FORM_NAME = 'FOLDERFORM'"),
         QStringLiteral("31")},
        {QStringLiteral(
             "UPDATE DOCSADM.PROFILE SET DOCNAME = 'M200', ABSTRACT = 'M200 created 2024/05/01 10:30 AM', "
             "AUTHOR = 101, TYPIST = 101, DOCUMENTTYPE = 2, FORM = 31, PATH = 'p', STORAGETYPE = 'A', "
             "RETENTION = 0, FULLTEXT= 'Y', DEFAULT_RIGHTS = 1 WHERE DOCNUMBER = 6"),
         QString()},
        {QStringLiteral(
             "INSERT INTO DOCSADM.SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) SELECT U.SYSTEM_ID, 255, "
             "P.SYSTEM_ID FROM DOCSADM.PEOPLE U, DOCSADM.PROFILE P WHERE U.SYSTEM_ID IN (101, 101) AND "
             "P.DOCNUMBER = 6"),
         QString()},
        {QStringLiteral(
             "INSERT INTO DOCSADM.SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) SELECT 0, 63, SYSTEM_ID FROM "
             "DOCSADM.PROFILE WHERE DOCNUMBER = 6"),
         QString()},
        {QStringLiteral(
             "UPDATE DOCSADM.ROOT_OBJECT SET DISPLAYNAME = 'C100' WHERE DISPLAYNAME = '' AND DOCNUMBER = 5"),
         QString()},
        {QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE PARENT = 5 AND DOCNUMBER = 6"),
         QStringLiteral("0")},
        {QStringLiteral("SELECT VERSION_ID FROM DOCSADM.VERSIONS WHERE DOCNUMBER = 5"),
         QStringLiteral("203")},
        {QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.FOLDER_ITEM WHERE PARENT = 5 ORDER BY SYSTEM_ID DESC"),
         QString()},
        {QStringLiteral("SELECT DOCNAME FROM DOCSADM.PROFILE WHERE DOCNUMBER = 6"), QStringLiteral("M200")},
        {QStringLiteral(
             "INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, NODE_TYPE, PARENT, ISFIRST, \"NEXT\", DOCNUMBER, "
             "VERSION_TYPE, PARENT_VERSION, DISPLAYNAME, STATUS, LIBRARY, PARENT_LIBRARY, REMOTE_SYSTEM_ID, "
             "VERSION, FOLDERDOCNO_RO, FOLDERREMLIB_RO, HAS_PROPS, PREV_VERSION_TYPE) VALUES(301, 'F', 5, "
             "'Y', 0, 6, 'R', 203, 'M200', 0, 0, 0, 0, 0, 0, 0, '', '')"),
         QString()},
        {QStringLiteral("UPDATE DOCSADM.FOLDER_ITEM SET \"NEXT\" = 302 WHERE PARENT = 5 AND SYSTEM_ID = 301"),
         QString()},
        {QStringLiteral(
             "SELECT FI.DOCNUMBER, RL.LIBRARY_NAME FROM DOCSADM.FOLDER_ITEM FI, DOCSADM.REMOTE_LIBRARIES RL "
             "WHERE FI.NODE_TYPE = 'F' AND RL.SYSTEM_ID = FI.LIBRARY AND FI.PARENT = 5 AND FI.DISPLAYNAME = "
             "'M200'"),
         QStringLiteral("6")},
        {QStringLiteral("SELECT SYSTEM_ID, PARENT, DISPLAYNAME FROM DOCSADM.FOLDER_ITEM WHERE ISFIRST = 'Y' "
                        "AND PARENT = "
                        "5 ORDER BY DISPLAYNAME"),
         QStringLiteral("301")},
        {QStringLiteral(
             "SELECT SYSTEM_ID, PARENT, DISPLAYNAME FROM DOCSADM.FOLDER_ITEM WHERE ISFIRST = 'Y' ORDER BY "
             "DISPLAYNAME"),
         QStringLiteral("301")},
        {QStringLiteral(
             "SELECT SYSTEM_ID, DISPLAYNAME, \"NEXT\", ISFIRST FROM DOCSADM.FOLDER_ITEM WHERE PARENT = 5 "
             "ORDER BY DISPLAYNAME"),
         QStringLiteral("301")},
        {QStringLiteral("UPDATE DOCSADM.FOLDER_ITEM SET \"NEXT\" = 0, ISFIRST = 'Y' WHERE SYSTEM_ID = 301"),
         QString()},
        {QStringLiteral(
             "SELECT FTBNAME, FCOLNAME FROM DOCSADM.DOCSCOLUMN WHERE TBNAME = 'PROFILE' AND COLNAME = "
             "'MATTER'"),
         QStringLiteral("MATTER")},
        {QStringLiteral("SELECT DOCSADM.MATTER.MATTER_ID FROM DOCSADM.PROFILE, DOCSADM.MATTER WHERE "
                        "DOCSADM.MATTER.SYSTEM_ID = DOCSADM.PROFILE.MATTER AND DOCNUMBER = 5"),
         QStringLiteral("0042")},
        {QStringLiteral(
             "SELECT DOCSADM.PROFILE.DOCNUMBER FROM DOCSADM.PROFILE, DOCSADM.MATTER WHERE "
             "DOCSADM.MATTER.SYSTEM_ID = DOCSADM.PROFILE.MATTER AND DOCSADM.MATTER.MATTER_ID = '0042' AND "
             "DOCSADM.PROFILE.APPLICATION <> (SELECT SYSTEM_ID FROM DOCSADM.APPS WHERE APPLICATION = "
             "'FOLDER')"),
         QStringLiteral("6")},
        {QStringLiteral("SELECT DOCUMENTTYPE, MATTER FROM DOCSADM.PROFILE WHERE DOCNUMBER = 6"),
         QStringLiteral("2")},
        {QStringLiteral("UPDATE DOCSADM.PROFILE SET MATTER = 12 WHERE DOCNUMBER = 6"), QString()},
        {QStringLiteral("SELECT SYSTEM_ID, AUTHOR, TYPIST FROM DOCSADM.PROFILE WHERE DOCNUMBER = 6"),
         QStringLiteral("202")},
        {QStringLiteral(
             "SELECT PERSONORGROUP, ACCESSRIGHTS FROM DOCSADM.SECURITY WHERE THING = (SELECT SYSTEM_ID FROM "
             "DOCSADM.PROFILE WHERE DOCNUMBER = 5) AND PERSONORGROUP NOT IN (101, 101)"),
         QStringLiteral("102")},
        {QStringLiteral("DELETE FROM DOCSADM.SECURITY WHERE THING = 202"), QString()},
        {QStringLiteral("UPDATE DOCSADM.PROFILE SET DEFAULT_RIGHTS = 1 WHERE SYSTEM_ID = 202"), QString()},
        {QStringLiteral(
             "INSERT INTO DOCSADM.SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) VALUES (101, 255, 202)"),
         QString()},
        {QStringLiteral(
             "SELECT P.SYSTEM_ID, A.USER_ID, T.USER_ID, AG.GROUP_ID, TG.GROUP_ID FROM DOCSADM.PROFILE P, "
             "DOCSADM.PEOPLE A, DOCSADM.PEOPLE T, DOCSADM.GROUPS AG, DOCSADM.GROUPS TG WHERE A.SYSTEM_ID = "
             "P.AUTHOR AND T.SYSTEM_ID = P.TYPIST AND AG.SYSTEM_ID = A.PRIMARY_GROUP AND TG.SYSTEM_ID = "
             "T.PRIMARY_GROUP AND P.DOCNUMBER = 6"),
         QStringLiteral("202")},
        {QStringLiteral("UPDATE DOCSADM.PROFILE SET DEFAULT_RIGHTS = 0 WHERE DOCNUMBER = 6"), QString()},
        {QStringLiteral("INSERT INTO DOCSADM.SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) SELECT 0, 255, "
                        "SYSTEM_ID FROM "
                        "DOCSADM.PROFILE WHERE DOCNUMBER = 6"),
         QString()},
        {QStringLiteral("SELECT COUNT(*) FROM DOCSADM.SECURITY WHERE THING = 202"), QStringLiteral("2")},
    };
    for (const int engine : {kEngineMssql, kEngineOracle}) {
        TestLibrary lib(engine);
        AddSettingsTable(*lib.db());
        for (const QString& sql : seed)
            ASSERT_EQ(0, lib.sql().execute(sql)) << sql.toStdString() << lib.sql().errorText().toStdString();
        for (const auto& step : program) {
            const qint64 answer = lib.sql().execute(step.statement);
            ASSERT_EQ(0, answer) << "engine " << engine << ": " << step.statement.toStdString() << " -> "
                                 << lib.sql().errorText().toStdString();
            if (step.first != QLatin1String("*")) {
                EXPECT_EQ(step.first, lib.sql().columnValue(1))
                    << "engine " << engine << ": " << step.statement.toStdString();
            }
        }
    }
}

} // namespace
