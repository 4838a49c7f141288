#include "DemoBuilder.h"
#include "support/ConnectedProgram.h"
#include "support/LogAssertions.h"
#include "support/QtPrinters.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

struct LibraryCase {
    QString name;
    QString engineName;
    int engineCode;
    bool settingsTable;
};

TEST(DemoConnectionTest, LogsInAndConnectsEveryDemoLibrary) {
    QTemporaryDir folder;
    const tools::DemoSummary demo = tools::DemoBuilder(folder.path()).Build();
    ConnectedProgram program(demo.serverFile);

    ASSERT_TRUE(program.context.connection().StartFusion())
        << program.harness.Lines().join(QLatin1Char('\n')).toStdString();
    const QString mssql = QLatin1String(tools::DemoBuilder::kMssqlLibrary);
    EXPECT_TRUE(InOrder(
        program.harness.Lines(),
        {QStringLiteral("Starting DM Browser Object"), QStringLiteral("Creating Fusion Application Object"),
         QStringLiteral("Logging in to the Fusion Server"), QStringLiteral("Setting PCDClient.PCDSQL Object"),
         QStringLiteral("Setting Fusion Libraries Object"),
         QStringLiteral("Identifying CurrentLibrary Object"),
         QStringLiteral("Connecting to current library ") + mssql,
         QStringLiteral("Fusion started with connection to ") + mssql}));
    EXPECT_EQ(program.view.userName, QLatin1String(tools::DemoBuilder::kLoginUser));
    EXPECT_TRUE(program.harness.prompter.prompts.empty());

    const std::vector<LibraryCase> cases = {
        {QLatin1String(tools::DemoBuilder::kOracleLibrary), QStringLiteral("Oracle"), 2, true},
        {QLatin1String(tools::DemoBuilder::kSmallLibrary), QStringLiteral("MSSQL"), 10, false},
        {mssql, QStringLiteral("MSSQL"), 10, true},
    };
    for (const LibraryCase& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        // The current library at login was connected by StartFusion; the others are connected here.
        program.harness.Mark();
        ASSERT_TRUE(program.context.connection().ConnectLibrary(c.name));
        const QStringList lines = program.harness.LinesSinceMark();
        QStringList expected = {
            QStringLiteral("Connecting to library ") + c.name,
            QStringLiteral("Setting Lib object to ") + c.name, QStringLiteral("Setting pSQL object"),
            QStringLiteral("Setting pSQL library to ") + c.name,
            QStringLiteral("SQL Database_Engine value is ") + QString::number(c.engineCode)};
        const bool checked = c.name != mssql; // checked once per run: MSSQL was checked at login
        if (checked && c.engineCode == 10)
            expected << QStringLiteral("Checking DB_OPTION 'QUOTED_IDENTIFIER' in ") + c.name;
        if (checked)
            expected << QStringLiteral("Checking for QORV_SETTINGS Table in ") + c.name;
        if (c.settingsTable)
            expected << QStringLiteral("Retrieving any existing rules for library ") + c.name
                     << QStringLiteral("1 rule(s) identified");
        expected << QStringLiteral("Retrieving any existing import sets from library ") + c.name
                 << QStringLiteral("Connected to ") + c.engineName + QStringLiteral(" Library Object ") +
                        c.name + QLatin1Char('.');
        EXPECT_TRUE(InOrder(lines, expected));
        EXPECT_EQ(lines.contains(QStringLiteral("Checking for QORV_SETTINGS Table in ") + c.name), checked);
        if (c.engineCode == 2) {
            EXPECT_FALSE(
                lines.contains(QStringLiteral("Checking DB_OPTION 'QUOTED_IDENTIFIER' in ") + c.name));
        }

        EXPECT_EQ(program.context.session().LibraryName(), c.name);
        EXPECT_EQ(program.context.library().engineName(), c.engineName);
        EXPECT_EQ(program.context.library().settingsTablePresent(), c.settingsTable);
        if (c.settingsTable) {
            ASSERT_EQ(program.context.rules().count(), 1);
            EXPECT_EQ(program.context.rules().field(1, RuleTable::kLibrary), c.name);
            EXPECT_EQ(program.context.rules().field(1, RuleTable::kName),
                      QLatin1String(tools::DemoBuilder::kRuleName));
            EXPECT_FALSE(program.context.rules().field(1, QStringLiteral("RULE_TEMPLATE")).isEmpty());
            const std::vector<QString> definitions = program.context.importSets().Definitions(
                c.name, QLatin1String(tools::DemoBuilder::kRuleName));
            ASSERT_EQ(definitions.size(), 4u);
            EXPECT_EQ(std::count(definitions.begin(), definitions.end(), QStringLiteral("DELIMITER:,")), 1);
            EXPECT_EQ(std::count(definitions.begin(), definitions.end(),
                                 QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID:1:0::0")),
                      1);
            EXPECT_EQ(
                std::count(definitions.begin(), definitions.end(), QStringLiteral("MATTER.MATTER_ID:2:0::1")),
                1);
            EXPECT_EQ(program.context.importSets().count(), 4);
        } else {
            EXPECT_EQ(program.context.rules().count(), 0);
            EXPECT_EQ(program.context.importSets().count(), 0);
        }
    }
    EXPECT_TRUE(program.harness.prompter.prompts.empty());
}

} // namespace
