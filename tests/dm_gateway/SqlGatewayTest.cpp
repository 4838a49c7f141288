#include "dm/SqlGateway.h"
#include "common/Fault.h"
#include "common/ProductInfo.h"
#include "common/Prompter.h"
#include "common/Text.h"
#include "dm/SqlRows.h"
#include "support/ExpectFault.h"
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
const QString kEquals70 = Line(QLatin1Char('='), 70);
const QString kSuccess = QStringLiteral("SQL Instruction Executed Successfully on DOCS");

class SqlGatewayTest : public ::testing::Test {
public:
    void SetUp() override {
        if (!library)
            library = application->AddLibrary(QStringLiteral("DOCS"));
        session.application = application;
        session.currentLibrary = library;
        session.token = QStringLiteral("TOKEN-1");
        session.sql = sql;
        sql->setLibrary(QStringLiteral("DOCS"));
        sql->clearRecord();
        context.setEngine(10);
    }

    LogHarness harness;
    MemorySettingsStore settings;
    dm::DmSession session;
    dm::LibraryContext context;
    std::shared_ptr<FakeApplication> application = std::make_shared<FakeApplication>();
    std::shared_ptr<FakeLibrary> library;
    std::shared_ptr<RecordingSql> sql = std::make_shared<RecordingSql>();
    dm::SqlGateway gateway{session, context, harness.log, settings};
};

TEST_F(SqlGatewayTest, EmptyInstructionIsNotSentNorLogged) {
    EXPECT_TRUE(gateway.ExecuteSQL(QString()));
    EXPECT_TRUE(sql->executed().isEmpty());
    EXPECT_EQ(sql->releases(), 0);
    EXPECT_TRUE(harness.Lines().isEmpty());
}

struct OutcomeCase {
    const char* label;
    QString instruction;
    SqlAnswer answer;
    QStringList outcome; // lines between the instruction and the closing 60 "-"
    std::vector<int> rowsSet;
};

TEST_F(SqlGatewayTest, LogsEachOutcomeOfAnInstruction) {
    const QString select = QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.PEOPLE");
    const std::vector<OutcomeCase> cases = {
        {"update touching 3 rows",
         QStringLiteral("UPDATE DOCSADM.PROFILE SET X = 1"),
         {0, 0, 3, {}},
         {kSuccess + QStringLiteral(" with 3 row(s) processed.")},
         {}},
        {"negative rows affected",
         QStringLiteral("DELETE FROM DOCSADM.FOLDER_ITEM"),
         {0, 0, -4, {}},
         {kSuccess + QStringLiteral(" with 4 row(s) processed.")},
         {}},
        {"select returning 2 rows",
         select,
         {0, 0, 0, {{QStringLiteral("7")}, {QStringLiteral("8")}}},
         {kSuccess + QStringLiteral(" with 2 row(s) returned.")},
         {1}},
        {"select returning nothing", select, {0, 0, 0, {}}, {kSuccess}, {}},
        {"error number 9", select, {1, 9, 0, {}}, {kSuccess + QLatin1Char('.')}, {}},
        {"error number 0", select, {-1, 0, 0, {}}, {kSuccess + QLatin1Char('.')}, {}},
        {"rejected", select, {-1, 208, 0, {}}, {QStringLiteral("SQL Error 208")}, {}},
        {"count in upper case",
         QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE"),
         {0, 0, 0, {{QStringLiteral("4")}}},
         {kSuccess + QStringLiteral(" with 1 row(s) returned."), QStringLiteral("Results: 4")},
         {1}},
        {"count in lower case",
         QStringLiteral("select count(*) from DOCSADM.PEOPLE"),
         {0, 0, 0, {{QStringLiteral("4")}}},
         {kSuccess + QStringLiteral(" with 1 row(s) returned.")},
         {1}},
        {"count with no row",
         QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE"),
         {0, 0, 0, {}},
         {kSuccess, QStringLiteral("Results: 0")},
         {}},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.label);
        sql->on(c.instruction, c.answer);
        sql->clearRecord();
        harness.log.WriteLog(QStringLiteral("---- ") + QLatin1String(c.label));
        harness.Mark();
        EXPECT_TRUE(gateway.ExecuteSQL(c.instruction));
        QStringList expected = {QStringLiteral("Executing MSSQL SQL Instruction on DOCS"), c.instruction};
        expected += c.outcome;
        expected += kDashes60;
        EXPECT_EQ(harness.LinesSinceMark(), expected);
        EXPECT_EQ(sql->executed(), QStringList{c.instruction});
        EXPECT_EQ(sql->rowsSet(), c.rowsSet);
        EXPECT_EQ(sql->releases(), 1) << "results held from before are released first";
    }
    EXPECT_TRUE(harness.prompter.prompts.empty());
}

TEST_F(SqlGatewayTest, ResultSetStaysForTheCaller) {
    sql->on(QStringLiteral("SELECT"),
            {0, 0, 0, {{QStringLiteral("A"), QStringLiteral("1")}, {QStringLiteral("B")}}});
    ASSERT_TRUE(gateway.ExecuteSQL(QStringLiteral("SELECT NAME, N FROM T")));
    EXPECT_EQ(sql->rowCount(), 2);
    EXPECT_EQ(gateway.Value(1), QStringLiteral("A"));
    EXPECT_EQ(gateway.Value(2), QStringLiteral("1"));
    EXPECT_EQ(sql->nextRow(), 1);
    EXPECT_EQ(gateway.Value(1), QStringLiteral("B"));
    EXPECT_EQ(sql->nextRow(), 0);
}

TEST_F(SqlGatewayTest, ServerInterfaceErrorShowsItsBoxOncePerUser) {
    const QString text = QStringLiteral(
        "Error: Cannot load the DOCSFusion Server Interface. The DOCSFusion server may not be started."
        "\r\nThis is a known Hummingbird issue described in SD012671. Use the REGSVR32.EXE utility and "
        "register the PCDSERVERIFPS.DLL file in the following location:\r\n"
        "C:\\PROGRAM FILES\\HUMMINGBIRD\\DOCSFUSION\\PCDSERVERIFPS.DLL");
    struct Case {
        const char* label;
        SqlAnswer answer;
    };
    const std::vector<Case> cases = {
        {"as error number", {-1, dm::SqlGateway::kServerInterfaceError, 0, {}}},
        {"as answer", {dm::SqlGateway::kServerInterfaceError, 5, 0, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        settings.values.clear();
        harness.prompter.prompts.clear();
        sql->on(QStringLiteral("SELECT"), c.answer);
        harness.Mark();
        EXPECT_TRUE(gateway.ExecuteSQL(QStringLiteral("SELECT 1")));
        EXPECT_TRUE(gateway.ExecuteSQL(QStringLiteral("SELECT 2")));
        const QStringList lines = harness.LinesSinceMark();
        EXPECT_EQ(
            lines.count(QStringLiteral("C:\\PROGRAM FILES\\HUMMINGBIRD\\DOCSFUSION\\PCDSERVERIFPS.DLL")), 2);
        ASSERT_EQ(harness.prompter.prompts.size(), 1u);
        EXPECT_EQ(harness.prompter.prompts[0].text, text);
        EXPECT_EQ(harness.prompter.prompts[0].style, StyleCritical);
        EXPECT_EQ(harness.prompter.prompts[0].title, ProgramTitle());
        EXPECT_EQ(settings.read(ProductName(), QStringLiteral("Warning"), QStringLiteral("RegisterAPI")),
                  QStringLiteral("-1"));
    }
}

TEST_F(SqlGatewayTest, RebindsWhenTheEngineCodeReadsZero) {
    sql->setUnboundEngine(true);
    harness.Mark();
    EXPECT_TRUE(gateway.ExecuteSQL(QStringLiteral("SELECT 1")));
    const QStringList expected = {QStringLiteral("Warning: Database Vendor not set for SQL"),
                                  kDashes70,
                                  QStringLiteral("Resetting pSQL object"),
                                  kDashes70,
                                  QStringLiteral("Resetting pSQL library to DOCS"),
                                  kDashes70,
                                  QStringLiteral("Executing MSSQL SQL Instruction on DOCS"),
                                  QStringLiteral("SELECT 1"),
                                  kSuccess,
                                  kDashes60};
    EXPECT_EQ(harness.LinesSinceMark(), expected);
    EXPECT_EQ(sql->tokens(), QStringList{QStringLiteral("TOKEN-1")});
    EXPECT_EQ(sql->libraries(), QStringList{QStringLiteral("DOCS")});
}

TEST_F(SqlGatewayTest, GuardsAgainstMissingOrLostObjects) {
    const QString notSet =
        QStringLiteral("Error: Cannot execute a SQL instruction on the library because the Fusion "
                       "or Library object is not set");
    struct Case {
        const char* label;
        std::function<void(SqlGatewayTest&)> damage;
        QString text;
    };
    const std::vector<Case> cases = {
        {"no application", [](SqlGatewayTest& t) { t.session.application.reset(); }, notSet},
        {"no current library", [](SqlGatewayTest& t) { t.session.currentLibrary.reset(); }, notSet},
        {"library name lost", [](SqlGatewayTest& t) { t.library->libraryName.clear(); },
         QStringLiteral("Error: Library Name appears to have been lost")},
        {"DST lost", [](SqlGatewayTest& t) { t.application->token.clear(); },
         QStringLiteral("Error: Fusion DST appears to have been lost")},
        {"SQL object lost", [](SqlGatewayTest& t) { t.session.sql.reset(); },
         QStringLiteral("Error: psql Object connection has been lost!")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetUp();
        c.damage(*this);
        harness.prompter.prompts.clear();
        harness.log.WriteLog(QLatin1String(c.label));
        harness.Mark();
        EXPECT_FALSE(gateway.ExecuteSQL(QStringLiteral("SELECT 1")));
        EXPECT_EQ(harness.LinesSinceMark(), (QStringList{kEquals70, c.text, kEquals70}));
        ASSERT_EQ(harness.prompter.prompts.size(), 1u);
        EXPECT_EQ(harness.prompter.prompts[0].text, c.text);
        EXPECT_EQ(harness.prompter.prompts[0].style, StyleCritical);
        EXPECT_TRUE(sql->executed().isEmpty());
        session.sql = sql;
        application->token = QStringLiteral("TOKEN-1");
        library->libraryName = QStringLiteral("DOCS");
        session.application = application;
    }
}

TEST_F(SqlGatewayTest, FaultIsReportedAndAnswersFalse) {
    sql->failOn(QStringLiteral("BROKEN"), -2147217900, QStringLiteral("Syntax error"));
    harness.Mark();
    EXPECT_FALSE(gateway.ExecuteSQL(QStringLiteral("SELECT BROKEN")));
    const QStringList lines = harness.LinesSinceMark();
    const QStringList tail = lines.mid(2);
    EXPECT_EQ(tail, (QStringList{QStringLiteral("Error: #-2147217900 was generated by RecordingSql"),
                                 QStringLiteral("Syntax error"), Line(QLatin1Char('='), 60),
                                 QStringLiteral("Error: Unable to execute SQL Instruction"),
                                 QStringLiteral("SELECT BROKEN")}));
    EXPECT_EQ(harness.status.statusText(),
              QStringLiteral("Error: Unable to execute SQL Instruction\r\nSELECT BROKEN"));
}

TEST_F(SqlGatewayTest, QuietLogKeepsOnlyErrorLines) {
    harness.log.setVerbose(false);
    sql->on(QStringLiteral("SELECT"), {-1, 208, 0, {}});
    EXPECT_TRUE(gateway.ExecuteSQL(QStringLiteral("SELECT 1")));
    session.application.reset();
    EXPECT_FALSE(gateway.ExecuteSQL(QStringLiteral("SELECT 1")));
    EXPECT_EQ(harness.Lines(),
              QStringList{
                  QStringLiteral("Error: Cannot execute a SQL instruction on the library because the Fusion "
                                 "or Library object is not set")});
}

struct ExistsCase {
    int engine;
    QString engineName;
    QString query;
};

TEST_F(SqlGatewayTest, TableExistsAsksTheEnginesOwnCatalogue) {
    const std::vector<ExistsCase> cases = {
        {2, QStringLiteral("Oracle"),
         QStringLiteral("SELECT COUNT(*) FROM ALL_TABLES WHERE TABLE_NAME = 'Qorv_Settings'")},
        {5, QStringLiteral("Oracle"),
         QStringLiteral("SELECT COUNT(*) FROM ALL_TABLES WHERE TABLE_NAME = 'Qorv_Settings'")},
        {6, QStringLiteral("Sybase"),
         QStringLiteral(
             "select count(*) from sysobjects \r\nwhere id = object_id('DOCSADM.Qorv_Settings') \r\n"
             "and sysstat & 0xf = 3 ")},
        {10, QStringLiteral("MSSQL"),
         QStringLiteral(
             "select count(*) from sysobjects \r\nwhere id = object_id('DOCSADM.Qorv_Settings') \r\n"
             "and sysstat & 0xf = 3 ")},
        {0, QStringLiteral("*Unknown*"),
         QStringLiteral("SELECT COUNT(*) FROM DOCSADM.DOCSTABLE WHERE UPPER(TABLE_NAME) = 'QORV_SETTINGS'")},
    };
    struct Count {
        std::vector<QStringList> rows;
        bool exists;
    };
    const std::vector<Count> counts = {
        {{{QStringLiteral("1")}}, true}, {{{QStringLiteral("0")}}, false}, {{}, false}};
    for (const ExistsCase& c : cases) {
        for (const Count& count : counts) {
            SCOPED_TRACE(c.engine);
            context.setEngine(c.engine);
            sql->on(QStringLiteral("(*)"), {0, 0, 0, count.rows});
            sql->clearRecord();
            harness.log.WriteLog(QStringLiteral("----"));
            harness.Mark();
            EXPECT_EQ(gateway.TableExists(QStringLiteral("Qorv_Settings")), count.exists);
            EXPECT_EQ(sql->executed(), QStringList{c.query});
            EXPECT_EQ(sql->releases(), 2) << "before sending and after reading";
            const QStringList lines = harness.LinesSinceMark();
            ASSERT_GE(lines.size(), 4);
            EXPECT_EQ(lines[0], QStringLiteral("Checking for Qorv_Settings Table in DOCS"));
            EXPECT_EQ(lines[1], kDashes60);
            EXPECT_EQ(lines[2], QStringLiteral("Executing ") + c.engineName +
                                    QStringLiteral(" SQL Instruction on DOCS"));
        }
    }
}

TEST_F(SqlGatewayTest, TableExistsIsFalseWithoutObjects) {
    session.sql.reset();
    EXPECT_FALSE(gateway.TableExists(QStringLiteral("QORV_SETTINGS")));
}

} // namespace

namespace {

// The reader gives every row once, in order, and releases the results when it ends, whatever
// the statement's outcome.
TEST_F(SqlGatewayTest, RowReaderWalksEveryRowAndReleasesOnEveryPath) {
    struct Case {
        const char* label;
        SqlAnswer answer;
        QStringList values; // column 1 of each row read
        bool ok;
    };
    const std::vector<Case> cases = {
        {"three rows", {0, 0, 0, {{"A"}, {"B"}, {"C"}}}, {"A", "B", "C"}, true},
        {"no row", {0, 0, 0, {}}, {}, true},
        {"rejected", {-1, 208, 0, {}}, {}, false},
        {"error number 9 counts as run", {1, 9, 0, {{"Z"}}}, {"Z"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        sql->on(QLatin1String(c.label), c.answer);
        sql->clearRecord();
        QStringList read;
        {
            dm::SqlRows rows(gateway, QStringLiteral("SELECT V FROM T -- ") + QLatin1String(c.label));
            EXPECT_TRUE(rows.sent());
            EXPECT_EQ(rows.ok(), c.ok);
            for (bool more = rows.first(); more; more = rows.next())
                read.append(rows.value(1));
            EXPECT_EQ(rows.value(1), QString()) << "no value once the rows are done";
            EXPECT_EQ(sql->releases(), 1) << "only the gateway's own release so far";
        }
        EXPECT_EQ(read, c.values);
        EXPECT_EQ(sql->releases(), 2);
    }
}

TEST_F(SqlGatewayTest, RowReaderReleasesWhenAFaultLeavesItsScope) {
    sql->on(QStringLiteral("COUNT"), {0, 0, 0, {{QStringLiteral("42 items")}}});
    sql->clearRecord();
    ExpectFault(1, [&] {
        dm::SqlRows rows(gateway, QStringLiteral("SELECT COUNT(*) FROM T"));
        EXPECT_EQ(rows.scalar(), 42);
        throw Fault(1, QStringLiteral("test"), QStringLiteral("caller fails while reading"));
    });
    EXPECT_EQ(sql->releases(), 2);
}

} // namespace
