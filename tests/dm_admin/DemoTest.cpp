#include "DemoBuilder.h"

#include "common/Fault.h"
#include "dm/local/FolderChain.h"
#include "dm/local/LibraryDatabase.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/LocalServer.h"
#include "dm/local/LocalSql.h"
#include "support/ExpectFault.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using vantrelis::testing::ExpectFault;

namespace vantrelis::tools::test {
namespace {

using dm::local::FolderChain;
using dm::local::LibraryDatabase;
using dm::local::LocalServer;
using dm::local::LocalSql;

QByteArray FileDigest(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(in.readAll(), QCryptographicHash::Sha256);
}

// The demo is built once for the whole suite; the tests only read it.
class DemoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("VANTRELIS_BUSY_TIMEOUT_MS", "200");
        s_dir = new QTemporaryDir();
        s_summary = new DemoSummary(DemoBuilder(s_dir->filePath(QStringLiteral("demo"))).Build());
    }
    static void TearDownTestSuite() {
        delete s_summary;
        delete s_dir;
        s_summary = nullptr;
        s_dir = nullptr;
    }

    static QString demoPath(const QString& name) { return QDir(s_summary->directory).filePath(name); }
    static std::shared_ptr<LocalServer> server() { return LocalServer::Load(s_summary->serverFile); }
    // One value through the SQL object, bound and read as the program does.
    static QString ThroughSqlObject(const std::shared_ptr<LocalServer>& srv, const QString& library,
                                    const QString& statement) {
        LocalSql sql(srv);
        sql.setToken(srv->login());
        sql.setLibrary(library);
        if (sql.execute(statement) != 0) {
            return QStringLiteral("ERROR %1 %2").arg(sql.errorNumber()).arg(sql.errorText());
        }
        const QString value = sql.rowCount() > 0 ? sql.columnValue(1) : QString();
        sql.releaseResults();
        return value;
    }

    static QTemporaryDir* s_dir;
    static DemoSummary* s_summary;
};

QTemporaryDir* DemoTest::s_dir = nullptr;
DemoSummary* DemoTest::s_summary = nullptr;

TEST_F(DemoTest, ServerFileNamesTheLibrariesAndLogsIn) {
    auto srv = server();
    EXPECT_EQ(srv->userId(), QStringLiteral("GARY"));
    EXPECT_EQ(srv->currentLibrary(), QStringLiteral("VANTRELIS_MSSQL"));
    EXPECT_EQ(srv->libraryNames(),
              QStringList({QStringLiteral("VANTRELIS_MSSQL"), QStringLiteral("VANTRELIS_ORACLE"),
                           QStringLiteral("VANTRELIS_SMALL")}));
    EXPECT_EQ(srv->engineCode(QStringLiteral("VANTRELIS_MSSQL")), 10);
    EXPECT_EQ(srv->engineCode(QStringLiteral("VANTRELIS_ORACLE")), 2);
    EXPECT_EQ(srv->engineCode(QStringLiteral("VANTRELIS_SMALL")), 10);
    EXPECT_FALSE(srv->login().isEmpty()) << srv->lastError().toStdString();

    QFile registry(s_summary->registryFile);
    ASSERT_TRUE(registry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(registry.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS]")));
    EXPECT_TRUE(text.contains(QStringLiteral("CurrentVersion=\"5.3.1\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("PatchLevel=\"6\"")));
}

TEST_F(DemoTest, LibrariesHoldTheirPeopleClientsMattersAndDocuments) {
    struct Expected {
        const char* library;
        int engine;
        int people;
        int clients;
        int matters;
        int minDocuments;
        int folders;
        bool settings;
    };
    const Expected expected[] = {{"VANTRELIS_MSSQL", 10, 12, 60, 200, 3000, 32, true},
                                 {"VANTRELIS_ORACLE", 2, 12, 60, 200, 2000, 6, true},
                                 {"VANTRELIS_SMALL", 10, 3, 3, 5, 12, 0, false}};
    ASSERT_EQ(s_summary->libraries.size(), std::size(expected));
    auto srv = server();
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Expected& e = expected[i];
        const DemoLibrarySummary& library = s_summary->libraries[i];
        SCOPED_TRACE(e.library);
        EXPECT_EQ(library.name, QLatin1String(e.library));
        auto db = srv->library(library.name);
        EXPECT_EQ(db->engineCode(), e.engine);
        EXPECT_EQ(db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE")).toInt(), e.people);
        EXPECT_EQ(db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT")).toInt(), e.clients);
        EXPECT_EQ(db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.MATTER")).toInt(), e.matters);
        EXPECT_GE(library.documents, e.minDocuments);
        EXPECT_EQ(library.folders, e.folders);
        EXPECT_EQ(db->hasTable(QStringLiteral("QORV_SETTINGS")), e.settings);
        // Every person has a primary group; every document an author, typist, type, app and matter.
        EXPECT_EQ(db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE U JOIN DOCSADM.GROUPS G "
                                            "ON G.SYSTEM_ID = U.PRIMARY_GROUP"))
                      .toInt(),
                  e.people);
        EXPECT_EQ(
            db->scalar(QStringLiteral(
                           "SELECT COUNT(*) FROM DOCSADM.PROFILE P, DOCSADM.PEOPLE A, DOCSADM.PEOPLE T, "
                           "DOCSADM.GROUPS AG, DOCSADM.GROUPS TG, DOCSADM.MATTER M, DOCSADM.CLIENT C, "
                           "DOCSADM.DOCUMENTTYPES D, DOCSADM.APPS X WHERE A.SYSTEM_ID = P.AUTHOR AND "
                           "T.SYSTEM_ID = P.TYPIST AND AG.SYSTEM_ID = A.PRIMARY_GROUP AND TG.SYSTEM_ID = "
                           "T.PRIMARY_GROUP AND M.SYSTEM_ID = P.MATTER AND C.SYSTEM_ID = M.CLIENT_ID AND "
                           "D.SYSTEM_ID = P.DOCUMENTTYPE AND X.SYSTEM_ID = P.APPLICATION AND "
                           "X.APPLICATION <> 'FOLDER'"))
                .toInt(),
            library.documents);
        // Authors and typists are spread, not one person for everything.
        EXPECT_GE(db->scalar(QStringLiteral("SELECT COUNT(DISTINCT AUTHOR) FROM DOCSADM.PROFILE")).toInt(),
                  std::min(e.people, 3));
        EXPECT_GT(
            db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE WHERE AUTHOR <> TYPIST")).toInt(),
            0);
    }
}

TEST_F(DemoTest, LoginUserPassesTheStartupRightsCheckEverywhere) {
    auto srv = server();
    for (const QString& library : srv->libraryNames()) {
        SCOPED_TRACE(library.toStdString());
        for (const auto& [user, expectAccess] : {std::pair{"GARY", true}, std::pair{"ANNA", false}}) {
            const QString statement =
                QStringLiteral(
                    "SELECT COUNT(*) FROM DOCSADM.PEOPLEGROUPS PG WHERE PEOPLE_SYSTEM_ID = "
                    "(SELECT SYSTEM_ID FROM DOCSADM.PEOPLE WHERE UPPER(USER_ID) = '%1') AND "
                    "GROUPS_SYSTEM_ID IN (SELECT SYSTEM_ID FROM DOCSADM.GROUPS WHERE UNIV_ACCESS = 255)")
                    .arg(QLatin1String(user));
            const QString value = ThroughSqlObject(srv, library, statement);
            EXPECT_EQ(value.toInt() > 0, expectAccess) << user << ": " << value.toStdString();
        }
    }
}

TEST_F(DemoTest, BothBigLibrariesCarryTheSameRuleAndImportSet) {
    auto srv = server();
    const QString settings = QStringLiteral(
        "SELECT GROUP_CONCAT(R, '|') FROM (SELECT SECTION_KEY || '=' || SUB_KEY || '=' || COALESCE(CHAR_VAL, "
        "'<null>') || "
        "'=' || COALESCE(INT_VAL, '<null>') || '=' || KEY_TYPE AS R FROM DOCSADM.QORV_SETTINGS "
        "WHERE MASTER_KEY = 'VANTRELIS' ORDER BY SECTION_KEY, SUB_KEY, INT_VAL)");
    const QString mssql = srv->library(QStringLiteral("VANTRELIS_MSSQL"))->scalar(settings).toString();
    const QString oracle = srv->library(QStringLiteral("VANTRELIS_ORACLE"))->scalar(settings).toString();
    EXPECT_EQ(mssql, oracle);
    const QStringList expectedRows = {
        QStringLiteral("IMPORT_FOLDERS=CLIENT_MATTER=DELIMITER:,=<null>=1"),
        QStringLiteral("IMPORT_FOLDERS=CLIENT_MATTER=MATTER.CLIENT_ID.CLIENT_ID:1:0::0=1=1"),
        QStringLiteral("IMPORT_FOLDERS=CLIENT_MATTER=MATTER.MATTER_ID:2:0::1=2=1"),
        QStringLiteral("IMPORT_FOLDERS=CLIENT_MATTER=DOCUMENTTYPE.TYPE_ID:3:0::1=3=1"),
        QStringLiteral(
            "RULE_TEMPLATE=CLIENT_MATTER=%MATTER.CLIENT_ID.CLIENT_ID% %\\% %MATTER.MATTER_ID% %\\% "
            "%DOCUMENTTYPE.TYPE_ID%=<null>=1"),
        QStringLiteral(
            "RULE_SECURITY=CLIENT_MATTER=%AUTHOR.PRIMARY_GROUP% = 127; %TYPIST.PRIMARY_GROUP% = 127; "
            "GROUP:DOCS_SUPERVISORS = 255; GROUP:DOCS_USERS = 0=<null>=1"),
        QStringLiteral("RULE_FORM=CLIENT_MATTER=***DEFAULT FORM***=<null>=1"),
        QStringLiteral("RULE_CREATE_PUBLIC_FOLDERS=CLIENT_MATTER=<null>=1=1"),
        QStringLiteral("RULE_PROFILE_INHERIT_METADATA=CLIENT_MATTER=<null>=1=1"),
        QStringLiteral("RULE_PROFILE_INHERIT_SECURITY=CLIENT_MATTER=<null>=1=1"),
        QStringLiteral("RULE_APPEND_TRUSTEES=CLIENT_MATTER=<null>=1=1"),
        QStringLiteral("RULE_AUTO_CREATE_FOLDERS=CLIENT_MATTER=<null>=1=1"),
    };
    const QStringList rows = mssql.split(QLatin1Char('|'));
    for (const QString& row : expectedRows) {
        EXPECT_TRUE(rows.contains(row)) << row.toStdString() << "\nin\n" << mssql.toStdString();
    }
    // The program loads the rule with its own statement: the rows of one rule, nothing else.
    EXPECT_EQ(
        ThroughSqlObject(srv, QStringLiteral("VANTRELIS_ORACLE"),
                         QStringLiteral("SELECT COUNT(DISTINCT SUB_KEY) FROM DOCSADM.QORV_SETTINGS WHERE "
                                        "MASTER_KEY = 'VANTRELIS' AND (SECTION_KEY LIKE 'RULE_%' OR "
                                        "SECTION_KEY = 'SETTINGS')")),
        QStringLiteral("1"));
    // The small library has no settings table at all.
    EXPECT_TRUE(ThroughSqlObject(srv, QStringLiteral("VANTRELIS_SMALL"),
                                 QStringLiteral("SELECT COUNT(*) FROM DOCSADM.QORV_SETTINGS"))
                    .startsWith(QStringLiteral("ERROR")));
}

TEST_F(DemoTest, ExistingFoldersAreFoundAsTheImportRunLooksForThem) {
    auto srv = server();
    auto db = srv->library(QStringLiteral("VANTRELIS_MSSQL"));
    const auto topLevel = [&](const QString& name) {
        return db->query(
            QStringLiteral("SELECT F.DOCNUMBER FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P WHERE "
                           "F.DOCNUMBER = P.DOCNUMBER AND P.DOCNAME = ?1 AND F.DOCNUMBER NOT IN "
                           "(SELECT DISTINCT DOCNUMBER FROM DOCSADM.FOLDER_ITEM WHERE LIBRARY = 0) "
                           "ORDER BY F.DOCNUMBER"),
            {name});
    };
    const auto inside = [&](qint64 parent, const QString& name) {
        return db->query(
            QStringLiteral("SELECT FI.DOCNUMBER, RL.LIBRARY_NAME FROM DOCSADM.FOLDER_ITEM FI, "
                           "DOCSADM.REMOTE_LIBRARIES RL WHERE FI.NODE_TYPE = 'F' AND RL.SYSTEM_ID = "
                           "FI.LIBRARY AND FI.PARENT = ?1 AND FI.DISPLAYNAME = ?2"),
            {parent, name});
    };
    const auto client = topLevel(QStringLiteral("C1001"));
    ASSERT_EQ(client.rows.size(), 1u);
    // Case-insensitive text on the MSSQL flavour: a lower-case import value finds the folder.
    EXPECT_EQ(topLevel(QStringLiteral("c1001")).rows.size(), 1u);
    const auto matter = inside(client.rows[0][0].toLongLong(), QStringLiteral("M2001"));
    ASSERT_EQ(matter.rows.size(), 1u);
    EXPECT_EQ(matter.rows[0][1].toString(), QStringLiteral("VANTRELIS_MSSQL"));
    const auto memo = inside(matter.rows[0][0].toLongLong(), QStringLiteral("MEMO"));
    ASSERT_EQ(memo.rows.size(), 1u);
    EXPECT_TRUE(topLevel(QStringLiteral("M2001")).rows.empty());
    EXPECT_TRUE(topLevel(QStringLiteral("C1050")).rows.empty());

    // The folder's own values, reached through the DOCSCOLUMN chain the filing query uses.
    const auto values = db->query(
        QStringLiteral(
            "SELECT DOCSADM.CLIENT.CLIENT_ID, DOCSADM.MATTER.MATTER_ID, DOCSADM.DOCUMENTTYPES.TYPE_ID FROM "
            "DOCSADM.PROFILE, DOCSADM.MATTER, DOCSADM.CLIENT, DOCSADM.DOCUMENTTYPES WHERE "
            "DOCSADM.MATTER.SYSTEM_ID = DOCSADM.PROFILE.MATTER AND DOCSADM.CLIENT.SYSTEM_ID = "
            "DOCSADM.MATTER.CLIENT_ID AND DOCSADM.DOCUMENTTYPES.SYSTEM_ID = DOCSADM.PROFILE.DOCUMENTTYPE "
            "AND DOCNUMBER = ?1"),
        {memo.rows[0][0]});
    ASSERT_EQ(values.rows.size(), 1u);
    EXPECT_EQ(values.rows[0][0].toString(), QStringLiteral("C1001"));
    EXPECT_EQ(values.rows[0][1].toString(), QStringLiteral("M2001"));
    EXPECT_EQ(values.rows[0][2].toString(), QStringLiteral("FOLDER"));
    // Documents of that matter wait to be filed, and two memos are already in the folder.
    EXPECT_GT(db->scalar(QStringLiteral(
                             "SELECT COUNT(*) FROM DOCSADM.PROFILE, DOCSADM.MATTER, DOCSADM.CLIENT WHERE "
                             "DOCSADM.MATTER.SYSTEM_ID = DOCSADM.PROFILE.MATTER AND DOCSADM.CLIENT.SYSTEM_ID "
                             "= DOCSADM.MATTER.CLIENT_ID AND DOCSADM.CLIENT.CLIENT_ID = 'C1001' AND "
                             "DOCSADM.MATTER.MATTER_ID = 'M2001' AND DOCSADM.PROFILE.APPLICATION <> "
                             "(SELECT SYSTEM_ID FROM DOCSADM.APPS WHERE APPLICATION = 'FOLDER')"))
                  .toInt(),
              5);
    const dm::ItemChain memoChain = FolderChain::Read(*db, memo.rows[0][0].toLongLong());
    EXPECT_TRUE(memoChain.isSound());
    EXPECT_EQ(memoChain.items().size(), 2u);

    // Every folder's chain is sound, and the matter folders start out of name order so a sort shows.
    const auto parents = db->query(QStringLiteral("SELECT DISTINCT PARENT FROM DOCSADM.FOLDER_ITEM"));
    EXPECT_GT(parents.rows.size(), 8u);
    for (const auto& row : parents.rows) {
        EXPECT_TRUE(FolderChain::Read(*db, row[0].toLongLong()).isSound()) << row[0].toLongLong();
    }
    const dm::ItemChain clientChain = FolderChain::Read(*db, client.rows[0][0].toLongLong());
    ASSERT_EQ(clientChain.items().size(), 2u);
    EXPECT_GT(clientChain.items()[0].displayName, clientChain.items()[1].displayName);
}

TEST_F(DemoTest, ImportFileMixesExistingNewAndMalformedLines) {
    QFile file(s_summary->importFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    EXPECT_GE(s_summary->importLines, 200);
    EXPECT_LE(s_summary->importLines, 500);
    int blank = 0, short_ = 0, quoted = 0, apostrophe = 0, valid = 0;
    for (const QString& line : lines.mid(0, s_summary->importLines)) {
        const QStringList fields = line.split(QLatin1Char(','));
        blank += line.trimmed().isEmpty();
        short_ += !line.trimmed().isEmpty() && fields.size() < 3;
        quoted += line.contains(QLatin1Char('"'));
        apostrophe += line.contains(QLatin1Char('\''));
        valid += fields.size() == 3 && line.startsWith(QLatin1Char('C')) && !line.contains(QLatin1Char('\''));
    }
    EXPECT_GE(blank, 2);
    EXPECT_GE(short_, 2);
    EXPECT_GE(quoted, 1);
    EXPECT_GE(apostrophe, 1);
    EXPECT_GE(valid, 200);
    EXPECT_TRUE(lines.contains(QStringLiteral("C1001,M2001,MEMO")));
    EXPECT_TRUE(lines.contains(QStringLiteral("C9999,M9999,MEMO")));

    // The client and matter of most lines exist in both big libraries.
    auto srv = server();
    for (const char* library : {"VANTRELIS_MSSQL", "VANTRELIS_ORACLE"}) {
        auto db = srv->library(QLatin1String(library));
        int known = 0;
        for (const QString& line : lines) {
            const QStringList fields = line.split(QLatin1Char(','));
            if (fields.size() != 3) {
                continue;
            }
            known += db->scalar(QStringLiteral(
                                    "SELECT COUNT(*) FROM DOCSADM.MATTER M JOIN DOCSADM.CLIENT C ON "
                                    "C.SYSTEM_ID = M.CLIENT_ID WHERE C.CLIENT_ID = ?1 AND M.MATTER_ID = ?2"),
                                {fields[0], fields[1]})
                         .toInt();
        }
        EXPECT_GE(known, 200) << library;
    }
}

TEST_F(DemoTest, SameFolderSameContentAndNoSecondDemoOnTop) {
    QTemporaryDir other;
    const DemoSummary again = DemoBuilder(other.filePath(QStringLiteral("demo"))).Build();
    EXPECT_EQ(FileDigest(again.importFile), FileDigest(s_summary->importFile));
    const QString digest = QStringLiteral("SELECT GROUP_CONCAT(DOCNUMBER || ':' || DOCNAME || ':' || AUTHOR "
                                          "|| ':' || TYPIST || ':' || DOCUMENTTYPE || ':' || "
                                          "COALESCE(MATTER, '') || ':' || CREATION_DATE, '|') FROM (SELECT * "
                                          "FROM DOCSADM.PROFILE ORDER BY DOCNUMBER)");
    for (std::size_t i = 0; i < again.libraries.size(); ++i) {
        auto first = LibraryDatabase::Open(s_summary->libraries[i].file, s_summary->libraries[i].engineCode);
        auto second = LibraryDatabase::Open(again.libraries[i].file, again.libraries[i].engineCode);
        EXPECT_EQ(first->scalar(digest).toString(), second->scalar(digest).toString()) << i;
    }
    ExpectFault(dm::local::kAdminDuplicate, [&] { DemoBuilder(s_summary->directory).Build(); });
}

TEST_F(DemoTest, BuildIsFastAndDescribed) {
    RecordProperty("milliseconds", static_cast<int>(s_summary->milliseconds));
    // Generous for Debug and sanitizer builds.
    EXPECT_LT(s_summary->milliseconds, 30000);
    const QStringList text = DemoBuilder::Describe(*s_summary);
    ASSERT_EQ(text.size(), 4 + 3);
    EXPECT_TRUE(text.join(QLatin1Char('\n')).contains(QStringLiteral("VANTRELIS_SMALL")));
    EXPECT_TRUE(text.last().contains(QStringLiteral("no settings table")));
}

} // namespace
} // namespace vantrelis::tools::test
