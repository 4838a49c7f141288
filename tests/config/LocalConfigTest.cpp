#include "common/Text.h"
#include "config/FolderRuleDefinition.h"
#include "dm/local/LibraryDatabase.h"
#include "support/ConnectedProgram.h"
#include "support/DamagedTable.h"
#include "support/LocalEnvironment.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantrelis;
using namespace vantrelis::testing;
using dm::local::ImportColumnSpec;

namespace {

// Rules, settings and import sets on real libraries of the local backend.
class LocalConfigTest : public ::testing::Test {
public:
    void SetUp() override {
        FolderRuleDefinition rule;
        rule.name = QStringLiteral("CLIENTS");
        rule.pathTemplate = QStringLiteral("%MATTER.CLIENT_ID.CLIENT_ID% %\\% %MATTER.MATTER_ID%");
        rule.security = QStringLiteral("GROUP:DOCS_SUPERVISORS = 255");
        rule.createPublicFolders = 0;
        auto& docs = environment.AddLibrary(QStringLiteral("DOCS"), 10, true);
        docs.replaceSettings(rule.settingsRows());
        docs.addImportSet(QStringLiteral("CLIENTS"), QStringLiteral(","),
                          {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), 1, 0, QString(), 0}});
        docs.addSetting(QStringLiteral(" parent_folder "), QVariant(), 4711);
        auto& oracle = environment.AddLibrary(QStringLiteral("ORA"), 2, true);
        rule.security = QStringLiteral("GROUP:DOCS_USERS = 0");
        oracle.replaceSettings(rule.settingsRows());
        oracle.addImportSet(
            QStringLiteral("CLIENTS"), QString(),
            {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), 1, 6, QStringLiteral("NONE"), 1}});
        environment.AddLibrary(QStringLiteral("EMPTY"), 10, true);
        environment.AddLibrary(QStringLiteral("BARE"), 6, false);
        environment.WriteServerFile(QStringLiteral("DOCS"));
        started = std::make_unique<ConnectedProgram>(environment.serverFile());
        ASSERT_TRUE(program().context.connection().StartFusion())
            << program().harness.Lines().join(QLatin1Char('\n')).toStdString();
    }

    // The rows of the library's settings table for one set, in INT_VAL order (NULL first).
    dm::local::QueryResult StoredRows(const QString& library, const QString& set) {
        return environment.admin(library).database().query(
            QStringLiteral(
                "SELECT CHAR_VAL, INT_VAL, KEY_TYPE FROM DOCSADM.QORV_SETTINGS WHERE SECTION_KEY = "
                "'IMPORT_FOLDERS' AND SUB_KEY = ?1 ORDER BY INT_VAL"),
            {set});
    }

    ConnectedProgram& program() { return *started; }

    LocalEnvironment environment;
    std::unique_ptr<ConnectedProgram> started;
};

TEST_F(LocalConfigTest, EachLibraryBringsItsOwnRulesAndSets) {
    struct Case {
        QString library;
        QString engineName;
        int rules;
        QString firstRule;
        QString security;
        int importRows;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("ORA"), QStringLiteral("Oracle"), 1, QStringLiteral("CLIENTS"),
         QStringLiteral("GROUP:DOCS_USERS = 0"), 1},
        {QStringLiteral("EMPTY"), QStringLiteral("MSSQL"), 1, QStringLiteral("***DEFAULT RULE***"),
         QStringLiteral(
             "%AUTHOR.PRIMARY_GROUP% = 127; %TYPIST.PRIMARY_GROUP% = 127; GROUP:DOCS_SUPERVISORS = 255; "
             "GROUP:DOCS_USERS = 0"),
         0},
        {QStringLiteral("BARE"), QStringLiteral("Sybase"), 0, QString(), QString(), 0},
        {QStringLiteral("DOCS"), QStringLiteral("MSSQL"), 1, QStringLiteral("CLIENTS"),
         QStringLiteral("GROUP:DOCS_SUPERVISORS = 255"), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library.toStdString());
        ASSERT_TRUE(program().context.connection().ConnectLibrary(c.library.toLower()));
        EXPECT_EQ(program().context.session().LibraryName(), c.library);
        EXPECT_EQ(program().context.library().engineName(), c.engineName);
        ASSERT_EQ(program().context.rules().count(), c.rules);
        if (c.rules > 0) {
            EXPECT_EQ(program().context.rules().field(1, RuleTable::kLibrary), c.library);
            EXPECT_EQ(program().context.rules().field(1, RuleTable::kName), c.firstRule);
            EXPECT_EQ(program().context.rules().field(1, QStringLiteral("RULE_SECURITY")), c.security);
        }
        EXPECT_EQ(program().context.importSets().count(), c.importRows);
        for (int row = 1; row <= program().context.importSets().count(); ++row)
            EXPECT_EQ(program().context.importSets().row(row).library, c.library);
        EXPECT_EQ(program().view.libraryName, c.library);
        EXPECT_EQ(program().view.userName, QLatin1String(LocalEnvironment::kUser));
    }
    EXPECT_EQ(program().context.rules().field(1, RuleTable::kCreatePublicFolders), QStringLiteral("0"));
    EXPECT_EQ(program().context.rules().field(1, RuleTable::kInheritSecurity), QStringLiteral("1"));
    EXPECT_EQ(program().context.library().parentFolder(), 4711)
        << "the settings row with a lower-case SUB_KEY counts";
    EXPECT_TRUE(program().harness.prompter.prompts.empty());
    // BARE has no settings table: nothing is asked of it that could only fail.
    for (const QString& line : program().harness.Lines())
        EXPECT_FALSE(line.startsWith(QLatin1String("SQL Error"))) << line.toStdString();
}

TEST_F(LocalConfigTest, ChecksRunOncePerLibraryPerRun) {
    for (const char* name : {"ORA", "BARE", "DOCS", "ORA", "BARE", "DOCS"})
        ASSERT_TRUE(program().context.connection().ConnectLibrary(QLatin1String(name)));
    const QStringList lines = program().harness.Lines();
    EXPECT_EQ(lines.count(QStringLiteral("Checking for QORV_SETTINGS Table in DOCS")), 1);
    EXPECT_EQ(lines.count(QStringLiteral("Checking for QORV_SETTINGS Table in ORA")), 1);
    EXPECT_EQ(lines.count(QStringLiteral("Checking for QORV_SETTINGS Table in BARE")), 1);
    EXPECT_EQ(lines.count(QStringLiteral("Checking DB_OPTION 'QUOTED_IDENTIFIER' in DOCS")), 1);
    EXPECT_EQ(lines.count(QStringLiteral("Checking DB_OPTION 'QUOTED_IDENTIFIER' in BARE")), 1);
    EXPECT_EQ(lines.count(QStringLiteral("Checking DB_OPTION 'QUOTED_IDENTIFIER' in ORA")), 0);
    EXPECT_EQ(lines.count(QStringLiteral("Connected to Oracle Library Object ORA.")), 2);
    const int docs = program().context.library().FindLibrary(QStringLiteral("DOCS"));
    EXPECT_EQ(program().context.library().libraryField(docs, dm::LibraryContext::kFieldQuotedIdentifier),
              QStringLiteral("ON"));
    EXPECT_EQ(program().context.library().libraryField(
                  program().context.library().FindLibrary(QStringLiteral("ORA")),
                  dm::LibraryContext::kFieldQuotedIdentifier),
              QStringLiteral("2"));
    EXPECT_EQ(program().context.library().libraryField(
                  program().context.library().FindLibrary(QStringLiteral("BARE")),
                  dm::LibraryContext::kFieldSettingsTable),
              QStringLiteral("0"));
}

TEST_F(LocalConfigTest, QuotedIdentifierOffIsToldOnce) {
    ASSERT_TRUE(program().context.connection().ConnectLibrary(QStringLiteral("EMPTY")));
    // A fresh run on a library whose option was turned off.
    environment.admin(QStringLiteral("BARE"))
        .setParameter(QStringLiteral("*"), QStringLiteral("SQL.QUOTED_IDENTIFIER"), QStringLiteral("OFF"));
    ASSERT_TRUE(program().context.connection().ConnectLibrary(QStringLiteral("BARE")));
    ASSERT_TRUE(program().context.connection().ConnectLibrary(QStringLiteral("DOCS")));
    ASSERT_TRUE(program().context.connection().ConnectLibrary(QStringLiteral("BARE")));
    ASSERT_EQ(program().harness.prompter.prompts.size(), 1u);
    EXPECT_TRUE(program().harness.prompter.prompts[0].text.startsWith(QStringLiteral(
        "The SQL option 'QUOTED_IDENTIFIER' is set to 'OFF' in the database for library BARE!")));
    EXPECT_EQ(program().view.beeps, 1);
}

TEST_F(LocalConfigTest, ImportSetsSavedAndLoadedBack) {
    DefinitionEditorModel editor;
    editor.setNames = {QStringLiteral("CLIENTS"), QStringLiteral("O'BRIEN")};
    editor.delimiter = QStringLiteral(";");
    editor.columns = {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), QStringLiteral("007"),
                       QStringLiteral("0"), QStringLiteral("Smith's"), QStringLiteral("1")},
                      {QStringLiteral("MATTER.MATTER_ID"), QStringLiteral("2"), QStringLiteral("0"),
                       QString(), QStringLiteral("0")}};
    program().context.importSetStore().SaveDefinition(editor, 1);
    program().context.importSetStore().SaveDefinition(editor, 0);

    for (const QString& set : {QStringLiteral("O'BRIEN"), QStringLiteral("CLIENTS")}) {
        SCOPED_TRACE(set.toStdString());
        const dm::local::QueryResult stored = StoredRows(QStringLiteral("DOCS"), set);
        ASSERT_EQ(stored.rows.size(), 3u);
        EXPECT_EQ(stored.rows[0][0].toString(), QStringLiteral("DELIMITER:;"));
        EXPECT_TRUE(stored.rows[0][1].isNull());
        EXPECT_EQ(stored.rows[1][0].toString(), QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID:7:0:Smith's:1"));
        EXPECT_EQ(stored.rows[1][1].toLongLong(), 1);
        EXPECT_EQ(stored.rows[2][0].toString(), QStringLiteral("MATTER.MATTER_ID:2:0::0"));
        EXPECT_EQ(stored.rows[2][1].toLongLong(), 2);
        EXPECT_EQ(stored.rows[2][2].toLongLong(), 1);
    }
    const std::vector<QString> mirrored =
        program().context.importSets().Definitions(QStringLiteral("DOCS"), QStringLiteral("O'BRIEN"));

    program().context.importSetStore().LoadImportSets();
    const std::vector<QString> loaded =
        program().context.importSets().Definitions(QStringLiteral("DOCS"), QStringLiteral("O'BRIEN"));
    EXPECT_EQ(loaded.size(), 3u);
    EXPECT_EQ(QStringList(loaded.begin(), loaded.end()).count(QStringLiteral("DELIMITER:;")), 1);
    for (const QString& definition : mirrored)
        EXPECT_EQ(std::count(loaded.begin(), loaded.end(), definition), 1) << definition.toStdString();
    EXPECT_EQ(
        program().context.importSets().Definitions(QStringLiteral("DOCS"), QStringLiteral("CLIENTS")).size(),
        3u);

    // The other library's set of the same name is untouched, and is what it loads.
    ASSERT_TRUE(program().context.connection().ConnectLibrary(QStringLiteral("ORA")));
    const std::vector<QString> oracle =
        program().context.importSets().Definitions(QStringLiteral("ORA"), QStringLiteral("CLIENTS"));
    ASSERT_EQ(oracle.size(), 1u);
    EXPECT_EQ(oracle[0], QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID:1:6:NONE:1"));
    EXPECT_TRUE(program()
                    .context.importSets()
                    .Definitions(QStringLiteral("DOCS"), QStringLiteral("CLIENTS"))
                    .empty());
}

TEST_F(LocalConfigTest, EmptyEditorRemovesTheSet) {
    DefinitionEditorModel editor;
    editor.setNames = {QStringLiteral("CLIENTS")};
    program().context.importSetStore().SaveDefinition(editor, 0);
    EXPECT_TRUE(StoredRows(QStringLiteral("DOCS"), QStringLiteral("CLIENTS")).rows.empty());
    program().context.importSetStore().LoadImportSets();
    EXPECT_EQ(program().context.importSets().count(), 0);
}

TEST(LocalDamageTest, ADamagedLibraryFailsItsConnectionAndGetsNoRules) {
    LocalEnvironment environment;
    for (const char* name : {"DOCS", "HURT"}) {
        FolderRuleDefinition rule;
        rule.name = QStringLiteral("CLIENTS");
        environment.AddLibrary(QLatin1String(name), 10, true).replaceSettings(rule.settingsRows());
    }
    ASSERT_TRUE(
        DamageTable(environment.admin(QStringLiteral("HURT")).database(), QStringLiteral("QORV_SETTINGS")));
    const struct {
        const char* current;
        bool starts;
    } cases[] = {{"DOCS", true}, {"HURT", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.current);
        ConnectedProgram program(environment.WriteServerFile(QLatin1String(c.current)));
        EXPECT_EQ(program.context.connection().StartFusion(), c.starts);
        if (c.starts) {
            // Twice: the second request connects in full again and fails again.
            for (int attempt = 0; attempt < 2; ++attempt)
                EXPECT_FALSE(program.context.connection().ConnectLibrary(QStringLiteral("HURT")));
            EXPECT_TRUE(program.context.connection().ConnectLibrary(QStringLiteral("DOCS")));
        }
        const QStringList lines = program.harness.Lines();
        const QString report = lines.join(QLatin1Char('\n'));
        EXPECT_TRUE(report.contains(QStringLiteral("Error: #30011 was generated by LocalBackend")))
            << report.toStdString();
        EXPECT_TRUE(report.contains(QStringLiteral("Library HURT is damaged"))) << report.toStdString();
        EXPECT_TRUE(lines.contains(QStringLiteral("Error: Unable to connect Library Object to HURT")));
        EXPECT_FALSE(lines.contains(QStringLiteral("Connected to MSSQL Library Object HURT.")));
        // Neither the library's rules nor the built-in default rule stand in for them.
        for (const char* rule : {"CLIENTS", "***DEFAULT RULE***"})
            EXPECT_EQ(program.context.rules().Find(QStringLiteral("HURT"), QLatin1String(rule)), 0);
    }
}

} // namespace
