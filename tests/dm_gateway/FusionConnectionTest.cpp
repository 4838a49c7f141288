#include "dm/FusionConnection.h"
#include "common/Fault.h"
#include "common/ProductInfo.h"
#include "common/Prompter.h"
#include "common/Text.h"
#include "support/FakeDm.h"
#include "support/LogHarness.h"
#include "support/QtPrinters.h"
#include "support/RecordingSql.h"

#include <gtest/gtest.h>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

const QString kDashes60 = Line(QLatin1Char('-'), 60);
const QString kDashes70 = Line(QLatin1Char('-'), 70);
const QString kSettingsQuery =
    QStringLiteral("SELECT SUB_KEY, CHAR_VAL, INT_VAL FROM DOCSADM.QORV_SETTINGS WHERE "
                   "MASTER_KEY = 'VANTRELIS' AND SECTION_KEY = 'SETTINGS'");
const QString kSysobjects = QStringLiteral("select count(*) from sysobjects \r\nwhere id = "
                                           "object_id('DOCSADM.QORV_SETTINGS') \r\nand sysstat & 0xf = 3 ");

// Records the order in which a connection loads the configuration.
class RecordingLoader : public dm::LibraryConfigLoader {
public:
    QStringList calls;
    bool raise = false;
    void LoadRules() override {
        calls.append(QStringLiteral("LoadRules"));
        if (raise)
            throw Fault(13, QStringLiteral("LoadRules"), QStringLiteral("Type mismatch"));
    }
    void LoadImportSets() override { calls.append(QStringLiteral("LoadImportSets")); }
};

class FusionConnectionTest : public ::testing::Test {
public:
    void SetUp() override {
        docs = application->AddLibrary(QStringLiteral("DOCS"));
        archive = application->AddLibrary(QStringLiteral("ARCHIVE"));
        application->currentName = QStringLiteral("DOCS");
        RegisterClasses();
        connection.setView(&view);
        connection.setConfigLoader(&loader);
        sql->on(QStringLiteral("count(*) from sysobjects"), {0, 0, 0, {{QStringLiteral("1")}}});
        sql->on(QStringLiteral("SELECT DATABASE_NAME"), {0, 0, 0, {{QStringLiteral("DOCSDB")}}});
        sql->on(QStringLiteral("SP_DBOPTION"),
                {0, 0, 0, {{QStringLiteral("quoted_identifier"), QStringLiteral("on")}}});
    }

    void RegisterClasses() {
        factory.registerClass(QLatin1String(dm::kApplicationClass), [this] { return application; });
        factory.registerClass(QLatin1String(dm::kSqlClass), [this] { return sql; });
        factory.registerClass(QLatin1String(dm::kBrowserClass), [this] { return browser; });
        factory.registerClass(QLatin1String(dm::kCompanionClass), [this] { return companion; });
    }

    // Logged in as StartFusion leaves it, without a connected library.
    void LogIn() {
        session.application = application;
        session.token = application->token;
        session.sql = sql;
        session.libraries = application->libraries();
    }

    LogHarness harness;
    MemorySettingsStore settings;
    RecordingConnectionView view;
    RecordingLoader loader;
    dm::DmFactory factory;
    dm::DmSession session;
    dm::LibraryContext context;
    std::shared_ptr<FakeApplication> application = std::make_shared<FakeApplication>();
    std::shared_ptr<FakeLibrary> docs;
    std::shared_ptr<FakeLibrary> archive;
    std::shared_ptr<RecordingSql> sql = std::make_shared<RecordingSql>();
    std::shared_ptr<FakeBrowser> browser = std::make_shared<FakeBrowser>();
    std::shared_ptr<FakeCompanion> companion = std::make_shared<FakeCompanion>();
    dm::SqlGateway gateway{session, context, harness.log, settings};
    dm::FusionConnection connection{factory, session, context, gateway, harness.log, settings};
};

TEST_F(FusionConnectionTest, StartFusionLogsInAndConnectsTheCurrentLibrary) {
    harness.status.busy = false;
    ASSERT_TRUE(connection.StartFusion());
    const QStringList lines = harness.Lines();
    const QStringList head = {QStringLiteral("Starting DM Browser Object"),
                              kDashes70,
                              QStringLiteral("Creating Fusion Application Object"),
                              kDashes70,
                              QStringLiteral("Logging in to the Fusion Server"),
                              kDashes70,
                              QStringLiteral("Setting PCDClient.PCDSQL Object"),
                              kDashes70,
                              QStringLiteral("Setting Fusion Libraries Object"),
                              kDashes70,
                              QStringLiteral("Identifying CurrentLibrary Object"),
                              kDashes70,
                              QStringLiteral("Connecting to current library DOCS"),
                              kDashes70,
                              QStringLiteral("Connecting to library DOCS"),
                              QStringLiteral("Setting Lib object to DOCS"),
                              QStringLiteral("Setting pSQL object"),
                              QStringLiteral("Setting pSQL library to DOCS"),
                              QStringLiteral("SQL Database_Engine value is 10"),
                              kDashes60};
    ASSERT_GT(lines.size(), head.size());
    EXPECT_EQ(lines.mid(0, static_cast<int>(head.size())), head);
    EXPECT_EQ(lines.mid(lines.size() - 4),
              (QStringList{QStringLiteral("Connected to MSSQL Library Object DOCS."), kDashes60,
                           QStringLiteral("Fusion started with connection to DOCS"), kDashes60}));
    EXPECT_EQ(session.application, application);
    EXPECT_EQ(session.token, QStringLiteral("TOKEN-1"));
    EXPECT_EQ(session.sql, sql);
    EXPECT_EQ(session.currentLibrary, docs);
    EXPECT_FALSE(session.browser) << "the browser is let go after login";
    EXPECT_EQ(browser->companion, companion);
    EXPECT_EQ(application->handles, std::vector<quintptr>{0});
    EXPECT_EQ(sql->tokens(), QStringList{QStringLiteral("TOKEN-1")});
    EXPECT_EQ(sql->libraries(), QStringList{QStringLiteral("DOCS")});
    EXPECT_FALSE(harness.status.busy) << "the pointer is restored";
    EXPECT_GT(harness.status.yields, 0);
    EXPECT_TRUE(harness.prompter.prompts.empty());
}

TEST_F(FusionConnectionTest, StartFusionRestoresTheBusyPointerOnTheMainView) {
    RecordingStatusView mainView;
    harness.log.setStatusView(nullptr);
    harness.log.setMainView(&mainView);
    ASSERT_TRUE(connection.StartFusion());
    ASSERT_FALSE(mainView.busyChanges.isEmpty());
    EXPECT_TRUE(mainView.busyChanges.contains(true)) << "busy while logging in";
    EXPECT_FALSE(mainView.busy) << "the pointer is restored";
}

TEST_F(FusionConnectionTest, StartFusionFailuresAreToldAndLogged) {
    const QString cannot = QStringLiteral(" - cannot start ") + ProductName();
    struct Case {
        const char* label;
        std::function<void(FusionConnectionTest&)> damage;
        QString text;
        QString reason = QString(); // the line after the text, when the server gave a reason
    };
    const std::vector<Case> cases = {
        {"no application class", [](FusionConnectionTest& t) { t.factory = dm::DmFactory(); },
         QStringLiteral("Error: Unable to set FUSION object") + cannot},
        {"empty token", [](FusionConnectionTest& t) { t.application->token.clear(); },
         QStringLiteral("Error: Unable to set Fusion Security Token") + cannot},
        {"empty token with the server's reason",
         [](FusionConnectionTest& t) {
             t.application->token.clear();
             t.application->loginError = QStringLiteral("User NOBODY is not known in library DOCS");
         },
         QStringLiteral("Error: Unable to set Fusion Security Token") + cannot,
         QStringLiteral("Error: User NOBODY is not known in library DOCS")},
        {"no SQL class",
         [](FusionConnectionTest& t) {
             t.factory = dm::DmFactory();
             t.factory.registerClass(QLatin1String(dm::kApplicationClass), [&t] { return t.application; });
         },
         QStringLiteral("Error: Unable to set SQL object") + cannot},
        {"no libraries", [](FusionConnectionTest& t) { t.application->hasLibraries = false; },
         QStringLiteral("Error: Unable to set LIBS object") + cannot},
        {"no current library", [](FusionConnectionTest& t) { t.application->currentName.clear(); },
         QStringLiteral("Error: Unable to identify CurrentLibrary object") + cannot},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        session = dm::DmSession();
        c.damage(*this);
        harness.prompter.prompts.clear();
        harness.log.WriteLog(QLatin1String(c.label));
        harness.Mark();
        EXPECT_FALSE(connection.StartFusion());
        const QStringList lines = harness.LinesSinceMark();
        QStringList tail = {c.text, kDashes70, QStringLiteral("StartFusion:"),
                            QStringLiteral("Error: An unknown error occurred during this task!"),
                            Line(QLatin1Char('='), 60)};
        if (!c.reason.isEmpty())
            tail.insert(1, c.reason);
        ASSERT_GE(lines.size(), tail.size());
        EXPECT_EQ(lines.mid(lines.size() - static_cast<int>(tail.size())), tail);
        ASSERT_EQ(harness.prompter.prompts.size(), 1u);
        EXPECT_EQ(harness.prompter.prompts[0].text, c.text);
        EXPECT_EQ(harness.prompter.prompts[0].style, StyleCritical);
        EXPECT_EQ(harness.prompter.prompts[0].title, ProgramTitle());
        application->token = QStringLiteral("TOKEN-1");
        application->loginError.clear();
        application->hasLibraries = true;
        application->currentName = QStringLiteral("DOCS");
        RegisterClasses();
    }
}

TEST_F(FusionConnectionTest, StartFusionFailsWithoutBoxWhenTheLibraryCannotBeConnected) {
    docs->user.clear();
    EXPECT_FALSE(connection.StartFusion());
    const QStringList lines = harness.Lines();
    EXPECT_TRUE(lines.contains(QStringLiteral("Error: Library UserName not identified")));
    EXPECT_EQ(lines.mid(lines.size() - 4),
              (QStringList{kDashes70, QStringLiteral("StartFusion:"),
                           QStringLiteral("Error: An unknown error occurred during this task!"),
                           Line(QLatin1Char('='), 60)}));
    EXPECT_TRUE(harness.prompter.prompts.empty());
}

struct EngineCase {
    int engine;
    QString name;
    QStringList statements;
    QString quotedField;
};

TEST_F(FusionConnectionTest, EngineDecidesTheStatementsOfAConnection) {
    const QString oracleExists =
        QStringLiteral("SELECT COUNT(*) FROM ALL_TABLES WHERE TABLE_NAME = 'QORV_SETTINGS'");
    const QString databaseName =
        QStringLiteral("SELECT DATABASE_NAME FROM DOCSADM.REMOTE_LIBRARIES WHERE LIBRARY_NAME = 'DOCS'");
    const QString option = QStringLiteral("SP_DBOPTION DOCSDB,'QUOTED_IDENTIFIER'");
    const QString dateformat = QStringLiteral("set dateformat mdy");
    const std::vector<EngineCase> cases = {
        {2, QStringLiteral("Oracle"), {oracleExists, kSettingsQuery}, QStringLiteral("2")},
        {5, QStringLiteral("Oracle"), {oracleExists, kSettingsQuery}, QStringLiteral("5")},
        {6,
         QStringLiteral("Sybase"),
         {dateformat, databaseName, option, kSysobjects, kSettingsQuery},
         QStringLiteral("ON")},
        {10,
         QStringLiteral("MSSQL"),
         {dateformat, databaseName, option, kSysobjects, kSettingsQuery},
         QStringLiteral("ON")},
    };
    sql->on(QStringLiteral("ALL_TABLES"), {0, 0, 0, {{QStringLiteral("1")}}});
    for (const EngineCase& c : cases) {
        SCOPED_TRACE(c.engine);
        session = dm::DmSession();
        context = dm::LibraryContext();
        LogIn();
        sql->setEngine(c.engine);
        sql->clearRecord();
        harness.Mark();
        ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
        EXPECT_EQ(sql->executed(), c.statements);
        EXPECT_EQ(sql->releases(), 2 * c.statements.size()) << "before sending and after reading each";
        EXPECT_EQ(context.engineName(), c.name);
        EXPECT_EQ(context.libraryField(1, dm::LibraryContext::kFieldQuotedIdentifier), c.quotedField);
        EXPECT_EQ(context.libraryField(1, dm::LibraryContext::kFieldSettingsTable), QStringLiteral("-1"));
        EXPECT_TRUE(context.settingsTablePresent());
        const QStringList lines = harness.LinesSinceMark();
        EXPECT_TRUE(
            lines.contains(QStringLiteral("SQL Database_Engine value is ") + QString::number(c.engine)));
        EXPECT_EQ(lines.mid(lines.size() - 2), (QStringList{QStringLiteral("Connected to ") + c.name +
                                                                QStringLiteral(" Library Object DOCS."),
                                                            kDashes60}));
    }
}

TEST_F(FusionConnectionTest, UnboundEngineIsReadFromRemoteLibraries) {
    LogIn();
    sql->setUnboundEngine(true);
    struct Case {
        std::vector<QStringList> rows;
        QString name;
        QString firstExistsQuery;
    };
    const std::vector<Case> cases = {
        {{{QStringLiteral("10")}}, QStringLiteral("MSSQL"), kSysobjects},
        {{},
         QStringLiteral("*Unknown*"),
         QStringLiteral("SELECT COUNT(*) FROM DOCSADM.DOCSTABLE WHERE UPPER(TABLE_NAME) = 'QORV_SETTINGS'")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        session.currentLibrary.reset();
        context = dm::LibraryContext();
        sql->on(QStringLiteral("SELECT DATABASE_ENGINE"), {0, 0, 0, c.rows});
        sql->clearRecord();
        ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
        ASSERT_FALSE(sql->executed().isEmpty());
        EXPECT_EQ(sql->executed().first(),
                  QStringLiteral(
                      "SELECT DATABASE_ENGINE FROM DOCSADM.REMOTE_LIBRARIES WHERE LIBRARY_NAME = 'DOCS'"));
        EXPECT_EQ(context.engineName(), c.name);
        EXPECT_TRUE(sql->executed().contains(c.firstExistsQuery));
    }
}

TEST_F(FusionConnectionTest, ConnectingTheCurrentLibraryAgainDoesNothing) {
    LogIn();
    ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
    sql->clearRecord();
    loader.calls.clear();
    harness.Mark();
    EXPECT_TRUE(connection.ConnectLibrary(QStringLiteral(" docs ")));
    EXPECT_TRUE(harness.LinesSinceMark().isEmpty());
    EXPECT_TRUE(sql->executed().isEmpty());
    EXPECT_TRUE(loader.calls.isEmpty());
}

TEST_F(FusionConnectionTest, NameIsTrimmedAndUpperCased) {
    LogIn();
    EXPECT_TRUE(connection.ConnectLibrary(QStringLiteral("  archive  ")));
    EXPECT_EQ(session.currentLibrary, archive);
    EXPECT_TRUE(harness.Lines().contains(QStringLiteral("Connecting to library ARCHIVE")));
    EXPECT_EQ(view.userName, QStringLiteral("ADMIN"));
    EXPECT_EQ(view.primaryGroup, QStringLiteral("DOCS_SUPERVISORS"));
    EXPECT_EQ(view.libraryName, QStringLiteral("ARCHIVE"));
    EXPECT_EQ(view.checkedLibraries, QStringList{QStringLiteral("ARCHIVE")});
    EXPECT_EQ(loader.calls, (QStringList{QStringLiteral("LoadRules"), QStringLiteral("LoadImportSets")}));
    EXPECT_EQ(archive->prepared, 1);
    EXPECT_EQ(context.libraryCount(), 2);
    EXPECT_EQ(context.libraryField(1, dm::LibraryContext::kFieldName), QStringLiteral("DOCS"));
    EXPECT_EQ(context.libraryField(2, dm::LibraryContext::kFieldName), QStringLiteral("ARCHIVE"));
}

TEST_F(FusionConnectionTest, ConnectionFailures) {
    const QString failed = QStringLiteral("Error: Unable to connect Library Object to ");
    struct Case {
        const char* label;
        std::function<void(FusionConnectionTest&)> damage;
        QString name;
        QStringList tail;
        bool box;
    };
    const QString libsText =
        QStringLiteral("Error: The LIBS object is not set - this indicates a problem with how ") +
        ProductName() + QStringLiteral(" accesses the Fusion API on your computer");
    const std::vector<Case> cases = {
        {"empty name",
         [](FusionConnectionTest&) {},
         QStringLiteral("   "),
         {failed.trimmed(), kDashes60},
         false},
        {"no application",
         [](FusionConnectionTest& t) { t.session.application.reset(); },
         QStringLiteral("DOCS"),
         {QStringLiteral("Error: Fusion object is not set")},
         false},
        {"no libraries",
         [](FusionConnectionTest& t) { t.session.libraries.reset(); },
         QStringLiteral("DOCS"),
         {QStringLiteral("Error: Libs object is not set")},
         false},
        {"unknown library",
         [](FusionConnectionTest&) {},
         QStringLiteral("NOWHERE"),
         {QStringLiteral("Connecting to library NOWHERE"),
          QStringLiteral("Error: Unable to set LIB object - cannot continue"),
          failed + QStringLiteral("NOWHERE"), kDashes60},
         false},
        {"collection faults",
         [](FusionConnectionTest& t) { t.application->libs->raiseOnItem = true; },
         QStringLiteral("DOCS"),
         {QStringLiteral("Connecting to library DOCS"), libsText, failed + QStringLiteral("DOCS"), kDashes60},
         true},
        {"no user",
         [](FusionConnectionTest& t) { t.docs->user.clear(); },
         QStringLiteral("DOCS"),
         {QStringLiteral("Connecting to library DOCS"), QStringLiteral("Setting Lib object to DOCS"),
          QStringLiteral("Error: Library UserName not identified")},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        session = dm::DmSession();
        LogIn();
        c.damage(*this);
        harness.prompter.prompts.clear();
        loader.calls.clear();
        harness.log.WriteLog(QLatin1String(c.label));
        harness.Mark();
        EXPECT_FALSE(connection.ConnectLibrary(c.name));
        EXPECT_EQ(harness.LinesSinceMark(), c.tail);
        EXPECT_EQ(harness.prompter.prompts.size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(harness.prompter.prompts[0].text, libsText);
        }
        EXPECT_TRUE(loader.calls.isEmpty());
        application->libs->raiseOnItem = false;
        docs->user = QStringLiteral("ADMIN");
    }
}

TEST_F(FusionConnectionTest, UnknownLibraryLeavesTheCurrentOne) {
    LogIn();
    ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
    EXPECT_FALSE(connection.ConnectLibrary(QStringLiteral("NOWHERE")));
    EXPECT_EQ(session.currentLibrary, docs);
}

TEST_F(FusionConnectionTest, LibraryWhoseConnectionFailedIsConnectedInFullNextTime) {
    struct Case {
        const char* label;
        std::function<void(FusionConnectionTest&)> damage;
        std::function<void(FusionConnectionTest&)> repair;
    };
    const std::vector<Case> cases = {
        {"no user", [](FusionConnectionTest& t) { t.archive->user.clear(); },
         [](FusionConnectionTest& t) { t.archive->user = QStringLiteral("ADMIN"); }},
        {"SQL object lost", [](FusionConnectionTest& t) { t.session.sql.reset(); },
         [](FusionConnectionTest& t) { t.session.sql = t.sql; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        session = dm::DmSession();
        LogIn();
        ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
        c.damage(*this);
        EXPECT_FALSE(connection.ConnectLibrary(QStringLiteral("ARCHIVE")));
        c.repair(*this);
        sql->clearRecord();
        loader.calls.clear();
        EXPECT_TRUE(connection.ConnectLibrary(QStringLiteral("ARCHIVE")));
        EXPECT_EQ(sql->libraries(), QStringList{QStringLiteral("ARCHIVE")}) << "the SQL object follows";
        EXPECT_EQ(loader.calls, (QStringList{QStringLiteral("LoadRules"), QStringLiteral("LoadImportSets")}));
        EXPECT_EQ(view.libraryName, QStringLiteral("ARCHIVE"));
    }
}

TEST_F(FusionConnectionTest, QuotedIdentifierWarningOncePerLibraryPerRun) {
    sql->on(QStringLiteral("SP_DBOPTION"),
            {0, 0, 0, {{QStringLiteral("quoted_identifier"), QStringLiteral("off")}}});
    LogIn();
    ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
    ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("ARCHIVE")));
    ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
    ASSERT_EQ(harness.prompter.prompts.size(), 2u) << "one per library";
    const QString crlf = QStringLiteral("\r\n");
    const auto expected = [&crlf](const QString& library) {
        return QStringLiteral(
                   "The SQL option 'QUOTED_IDENTIFIER' is set to 'OFF' in the database for library ") +
               library + QStringLiteral("!") + crlf + crlf +
               QStringLiteral(
                   "This option must be turned ON by a user that is connected to the SQL database as SA") +
               crlf + QStringLiteral("in order to be able to manipulate folders in ") + ProductName() +
               QStringLiteral(".") + crlf + crlf +
               QStringLiteral("The syntax for this option (for library ") + library +
               QStringLiteral(") is:") + crlf +
               QStringLiteral("SP_DBOPTION DOCSDB, 'QUOTED_IDENTIFIER', 'ON'");
    };
    EXPECT_EQ(harness.prompter.prompts[0].text, expected(QStringLiteral("DOCS")));
    EXPECT_EQ(harness.prompter.prompts[0].style, StyleExclamation);
    EXPECT_EQ(harness.prompter.prompts[0].title, QStringLiteral("WARNING!"));
    EXPECT_EQ(view.beeps, 2);
    EXPECT_EQ(sql->executed().count(QStringLiteral("SP_DBOPTION DOCSDB,'QUOTED_IDENTIFIER'")), 2);
    EXPECT_EQ(sql->executed().count(kSysobjects), 2) << "the settings table is looked for once per library";
    EXPECT_EQ(context.libraryField(1, dm::LibraryContext::kFieldQuotedIdentifier), QStringLiteral("OFF"));
    EXPECT_TRUE(harness.Lines().contains(QStringLiteral("Checking DB_OPTION 'QUOTED_IDENTIFIER' in DOCS")));

    // Unattended, the warning of a library not checked yet goes to the log.
    Log quiet{true, harness.prompter, harness.clock, harness.launcher};
    harness.Attach(quiet);
    dm::SqlGateway quietGateway{session, context, quiet, settings};
    dm::FusionConnection quietConnection{factory, session, context, quietGateway, quiet, settings};
    context.setLibraryField(2, dm::LibraryContext::kFieldQuotedIdentifier, QString());
    ASSERT_TRUE(quietConnection.ConnectLibrary(QStringLiteral("ARCHIVE")));
    EXPECT_EQ(harness.prompter.prompts.size(), 2u);
    EXPECT_TRUE(harness.Lines().join(crlf).contains(expected(QStringLiteral("ARCHIVE"))));
}

TEST_F(FusionConnectionTest, DatabaseNameThatIsNoPlainIdentifierIsNotSent) {
    const std::vector<QString> names = {QStringLiteral("DOCS'; DROP TABLE X --"), QStringLiteral("my-db"),
                                        QString()};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        session = dm::DmSession();
        context = dm::LibraryContext();
        LogIn();
        std::vector<QStringList> rows;
        if (!name.isEmpty())
            rows.push_back({name});
        sql->on(QStringLiteral("SELECT DATABASE_NAME"), {0, 0, 0, rows});
        sql->clearRecord();
        ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
        for (const QString& statement : sql->executed())
            EXPECT_FALSE(statement.startsWith(QStringLiteral("SP_DBOPTION")));
        EXPECT_TRUE(
            harness.Lines().contains(QStringLiteral("Warning: The database name \"") + name +
                                     QStringLiteral("\" of library DOCS is not a plain identifier - the "
                                                    "'QUOTED_IDENTIFIER' check was skipped")));
        sql->clearRecord();
        context.setLibraryField(1, dm::LibraryContext::kFieldSettingsTable, QString());
        session.currentLibrary.reset();
        ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
        EXPECT_FALSE(sql->executed().contains(
            QStringLiteral("SELECT DATABASE_NAME FROM DOCSADM.REMOTE_LIBRARIES WHERE LIBRARY_NAME = 'DOCS'")))
            << "skipped once is checked once";
    }
}

TEST_F(FusionConnectionTest, LibraryNameIsEscapedInRemoteLibrariesQueries) {
    auto quoted = application->AddLibrary(QStringLiteral("O'BRIEN"));
    LogIn();
    sql->setUnboundEngine(true);
    sql->on(QStringLiteral("SELECT DATABASE_ENGINE"), {0, 0, 0, {{QStringLiteral("10")}}});
    ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("o'brien")));
    EXPECT_TRUE(sql->executed().contains(QStringLiteral(
        "SELECT DATABASE_ENGINE FROM DOCSADM.REMOTE_LIBRARIES WHERE LIBRARY_NAME = 'O''BRIEN'")));
    EXPECT_TRUE(sql->executed().contains(QStringLiteral(
        "SELECT DATABASE_NAME FROM DOCSADM.REMOTE_LIBRARIES WHERE LIBRARY_NAME = 'O''BRIEN'")));
}

TEST_F(FusionConnectionTest, UniqueNamesWarningFollowsTheParameter) {
    const QString key =
        MemorySettingsStore::Key(ProductName(), QStringLiteral("DOCS"), QStringLiteral("UniqueNameWarning"));
    const QString text =
        QStringLiteral("Warning: The library setting Unique Document Names is enabled. This will "
                       "require you to have unique folder names in order to use Vantrelis in "
                       "library DOCS.");
    // The same program unattended ("/G /X"), where no box can be shown.
    Log quiet{true, harness.prompter, harness.clock, harness.launcher};
    harness.Attach(quiet);
    dm::SqlGateway quietGateway{session, context, quiet, settings};
    dm::FusionConnection quietConnection{factory, session, context, quietGateway, quiet, settings};
    quietConnection.setView(&view);
    quietConnection.setConfigLoader(&loader);
    struct Step {
        QVariant parameter;
        bool unattended;
        bool box;
        bool logged;
        QString saved;
    };
    // A warning that went only to the log is not saved as seen: the next attended run shows it.
    const std::vector<Step> steps = {
        {QVariant(true), true, false, true, QString()}, {QVariant(true), false, true, false, "-1"},
        {QVariant(true), true, false, false, "-1"},     {QVariant(true), false, false, false, "-1"},
        {QVariant(false), false, false, false, "0"},    {QVariant(), false, false, false, "0"},
        {QVariant(true), true, false, true, "0"},       {QVariant(true), false, true, false, "-1"},
    };
    LogIn();
    int step = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(step++);
        dm::FusionConnection& used = s.unattended ? quietConnection : connection;
        docs->params->values.insert(QStringLiteral("DOCSParms.UniqueDocNames"), s.parameter);
        harness.prompter.prompts.clear();
        harness.Mark();
        ASSERT_TRUE(used.ConnectLibrary(QStringLiteral("DOCS")));
        ASSERT_EQ(harness.prompter.prompts.size(), s.box ? 1u : 0u);
        if (s.box) {
            EXPECT_EQ(harness.prompter.prompts[0].text, text);
            EXPECT_EQ(harness.prompter.prompts[0].style, StyleExclamation);
        }
        EXPECT_EQ(harness.LinesSinceMark().contains(text), s.logged);
        EXPECT_EQ(settings.values.value(key), s.saved);
        ASSERT_TRUE(used.ConnectLibrary(QStringLiteral("ARCHIVE")));
    }
}

TEST_F(FusionConnectionTest, GeneralSettingsAreReadByTheLibrarysOneRule) {
    sql->on(kSettingsQuery,
            {0,
             0,
             0,
             {{QStringLiteral("PROFILE_EXCLUDE_COLUMN"), QStringLiteral(" ABSTRACT "), QString()},
              {QStringLiteral("ROOT_FOLDER"), QStringLiteral("Clients"), QString()},
              {QStringLiteral(" parent_folder "), QString(), QStringLiteral("99")},
              {QString(), QStringLiteral("x"), QStringLiteral("1")}}});
    context.setParentFolder(5);
    LogIn();
    ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
    // As the rules' reader reads them: keys in any case and without blanks, texts trimmed.
    EXPECT_EQ(context.profileExcludeColumn(), QStringLiteral("ABSTRACT"));
    EXPECT_EQ(context.rootFolder(), QStringLiteral("Clients"));
    EXPECT_EQ(context.parentFolder(), 99);
}

TEST_F(FusionConnectionTest, ParentFolderSettingMustBeAFolderNumber) {
    struct Case {
        QString value;
        qint64 parent;
        bool warned;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("4711"), 4711, false},
        {QStringLiteral(" 77 "), 77, false},
        {QStringLiteral("1234.0"), 1234, false},
        {QString(), 0, false},
        {QStringLiteral("0"), 0, false},
        {QStringLiteral("2147483647"), 2147483647, false},
        {QStringLiteral("1234.4"), 0, true},
        {QStringLiteral("2147483648"), 0, true},
        {QStringLiteral("-5"), 0, true},
        {QStringLiteral("12abc"), 0, true},
        {QStringLiteral("99999999999999999999"), 0, true},
    };
    LogIn();
    bool docs = true;
    for (const Case& c : cases) {
        sql->on(kSettingsQuery, {0, 0, 0, {{QStringLiteral("PARENT_FOLDER"), QString(), c.value}}});
        harness.Mark();
        // Each connection switches library, so the settings are read again.
        ASSERT_TRUE(connection.ConnectLibrary(docs ? QStringLiteral("DOCS") : QStringLiteral("ARCHIVE")));
        docs = !docs;
        EXPECT_EQ(context.parentFolder(), c.parent) << c.value.toStdString();
        const QString warning =
            QStringLiteral("Warning: The PARENT_FOLDER setting ") + c.value.trimmed() +
            QStringLiteral(" is not a folder number - folders are created at the top level");
        EXPECT_EQ(harness.LinesSinceMark().contains(warning), c.warned) << c.value.toStdString();
    }
}

TEST_F(FusionConnectionTest, GeneralSettingsAreNotCarriedToAnotherLibrary) {
    const std::vector<QStringList> docsRows = {
        {QStringLiteral("PARENT_FOLDER"), QString(), QStringLiteral("4711")},
        {QStringLiteral("ROOT_FOLDER"), QStringLiteral("Clients"), QString()},
        {QStringLiteral("PROFILE_EXCLUDE_COLUMN"), QStringLiteral("ABSTRACT"), QString()}};
    struct Case {
        const char* label;
        QString tableCount; // answer of the settings-table check for ARCHIVE
        std::vector<QStringList> archiveRows;
    };
    const std::vector<Case> cases = {
        {"settings rows without these keys",
         QStringLiteral("1"),
         {{QStringLiteral("OTHER_KEY"), QStringLiteral("x"), QStringLiteral("1")}}},
        {"no settings table", QStringLiteral("0"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        session = dm::DmSession();
        context = dm::LibraryContext();
        LogIn();
        sql->on(kSettingsQuery, {0, 0, 0, docsRows});
        ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
        ASSERT_EQ(context.parentFolder(), 4711);
        sql->on(kSettingsQuery, {0, 0, 0, c.archiveRows});
        sql->on(QStringLiteral("count(*) from sysobjects"), {0, 0, 0, {{c.tableCount}}});
        ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("ARCHIVE")));
        EXPECT_EQ(context.parentFolder(), 0);
        EXPECT_EQ(context.rootFolder(), QString());
        EXPECT_EQ(context.profileExcludeColumn(), QString());
        sql->on(QStringLiteral("count(*) from sysobjects"), {0, 0, 0, {{QStringLiteral("1")}}});
    }
}

TEST_F(FusionConnectionTest, MissingSettingsTableIsRememberedPerLibrary) {
    sql->on(QStringLiteral("count(*) from sysobjects"), {0, 0, 0, {{QStringLiteral("0")}}});
    LogIn();
    ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
    EXPECT_FALSE(context.settingsTablePresent());
    EXPECT_EQ(context.libraryField(1, dm::LibraryContext::kFieldSettingsTable), QStringLiteral("0"));
    EXPECT_FALSE(sql->executed().contains(kSettingsQuery));
    EXPECT_EQ(loader.calls, (QStringList{QStringLiteral("LoadRules"), QStringLiteral("LoadImportSets")}));
}

TEST_F(FusionConnectionTest, LibraryMissingFromTheTableSkipsTheChecks) {
    LogIn();
    ASSERT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
    application->AddLibrary(QStringLiteral("LATE"));
    sql->clearRecord();
    loader.calls.clear();
    harness.prompter.prompts.clear();
    harness.Mark();
    EXPECT_TRUE(connection.ConnectLibrary(QStringLiteral("LATE")));
    const QStringList lines = harness.LinesSinceMark();
    EXPECT_TRUE(
        lines.contains(QStringLiteral("Warning: Unable to define library LATE in requisite Library Array")));
    EXPECT_FALSE(lines.contains(QStringLiteral("Checking DB_OPTION 'QUOTED_IDENTIFIER' in LATE")));
    EXPECT_TRUE(context.settingsTablePresent());
    EXPECT_EQ(loader.calls, (QStringList{QStringLiteral("LoadRules"), QStringLiteral("LoadImportSets")}));
}

TEST_F(FusionConnectionTest, FaultAfterTheSwitchIsReportedAndTheLibraryStaysCurrent) {
    loader.raise = true;
    LogIn();
    harness.Mark();
    EXPECT_TRUE(connection.ConnectLibrary(QStringLiteral("DOCS")));
    const QStringList lines = harness.LinesSinceMark();
    EXPECT_EQ(lines.mid(lines.size() - 5),
              (QStringList{QStringLiteral("Error: #13 was generated by LoadRules"),
                           QStringLiteral("Type mismatch"), Line(QLatin1Char('='), 60),
                           QStringLiteral("Error: Unable to connect Library Object to DOCS"), kDashes60}));
    EXPECT_EQ(session.currentLibrary, docs);
}

TEST(DmSessionTest, ReleaseEmptiesTheSlotsAndClosesTheCompanion) {
    dm::DmSession session;
    auto companion = std::make_shared<FakeCompanion>();
    session.companion = companion;
    session.application = std::make_shared<FakeApplication>();
    session.sql = std::make_shared<RecordingSql>();
    session.currentLibrary = std::make_shared<FakeLibrary>(QStringLiteral("DOCS"));
    session.Release();
    EXPECT_FALSE(session.application);
    EXPECT_FALSE(session.sql);
    EXPECT_FALSE(session.currentLibrary);
    EXPECT_FALSE(session.companion);
    EXPECT_EQ(companion->closed, 1);
    session.Release();
    EXPECT_EQ(companion->closed, 1);
}

} // namespace
