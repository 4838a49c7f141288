#include "common/Text.h"
#include "config/FolderRules.h"
#include "config/ImportSets.h"
#include "support/FakeDm.h"
#include "support/LogHarness.h"
#include "support/QtPrinters.h"
#include "support/RecordingSql.h"

#include <gtest/gtest.h>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

const QString kRulesQuery = QStringLiteral(
    "SELECT SECTION_KEY, SUB_KEY, CHAR_VAL, INT_VAL FROM DOCSADM.QORV_SETTINGS WHERE MASTER_KEY = "
    "'VANTRELIS' AND (SECTION_KEY LIKE 'RULE_%' OR SECTION_KEY = 'SETTINGS') ORDER BY SUB_KEY, "
    "SECTION_KEY");
const QString kSetsQuery =
    QStringLiteral("SELECT SUB_KEY, CHAR_VAL FROM DOCSADM.QORV_SETTINGS WHERE MASTER_KEY = "
                   "'VANTRELIS' AND SECTION_KEY = 'IMPORT_FOLDERS' ORDER BY SUB_KEY");

class ConfigStatementsTest : public ::testing::Test {
public:
    void SetUp() override {
        session.application = application;
        session.currentLibrary = application->AddLibrary(QStringLiteral("DOCS"));
        session.token = application->token;
        session.sql = sql;
        sql->setLibrary(QStringLiteral("DOCS"));
        sql->clearRecord();
        context.setEngine(10);
        context.setSettingsTablePresent(true);
    }

    QStringList Row(int row) const {
        QStringList fields;
        for (int field = 1; field <= RuleTable::kFieldCount; ++field)
            fields.append(rules.field(row, field));
        return fields;
    }

    LogHarness harness;
    MemorySettingsStore settings;
    dm::DmSession session;
    dm::LibraryContext context;
    std::shared_ptr<FakeApplication> application = std::make_shared<FakeApplication>();
    std::shared_ptr<RecordingSql> sql = std::make_shared<RecordingSql>();
    dm::SqlGateway gateway{session, context, harness.log, settings};
    RuleTable rules;
    ImportSetTable sets;
    FolderRules folderRules{gateway, rules, harness.log};
    ImportSets importSets{gateway, sets, harness.log};
};

TEST_F(ConfigStatementsTest, RowsOfOneRuleAreMergedWhateverTheirOrderAndCase) {
    sql->on(
        kRulesQuery,
        {0,
         0,
         0,
         {{QStringLiteral("RULE_TEMPLATE"), QStringLiteral("Clients"), QStringLiteral("%A% %\\% %B%"),
           QString()},
          {QStringLiteral(" SETTINGS "), QStringLiteral(" parent_folder "), QString(), QStringLiteral("77")},
          {QStringLiteral("rule_form"), QStringLiteral("CLIENTS"), QStringLiteral(" Folder Form "),
           QString()},
          {QStringLiteral("RULE_CREATE_PUBLIC_FOLDERS"), QStringLiteral(" clients "), QString(),
           QStringLiteral("0")},
          {QStringLiteral("SETTINGS"), QStringLiteral("Root_Folder"), QStringLiteral("  Top  "), QString()},
          {QStringLiteral("SETTINGS"), QStringLiteral("PROFILE_EXCLUDE_COLUMN"), QStringLiteral(" ABSTRACT "),
           QString()},
          {QStringLiteral("RULE_SOMETHING_NEW"), QStringLiteral("other"), QStringLiteral("x"),
           QStringLiteral("1")},
          {QStringLiteral("RULE_VALUES"), QStringLiteral("   "), QStringLiteral("ignored"), QString()},
          {QString(), QStringLiteral("CLIENTS"), QStringLiteral("ignored"), QString()},
          {QStringLiteral("RULE_APPEND_TRUSTEES"), QStringLiteral("CLIENTS"), QString(),
           QStringLiteral("1.6")}}});
    folderRules.LoadRules();
    EXPECT_EQ(sql->executed(), QStringList{kRulesQuery});
    ASSERT_EQ(rules.count(), 2);
    QStringList clients(RuleTable::kFieldCount);
    clients[0] = QStringLiteral("DOCS");
    clients[1] = QStringLiteral("CLIENTS");
    clients[3] = QStringLiteral("%A% %\\% %B%");
    clients[5] = QStringLiteral(" Folder Form ");
    clients[7] = QStringLiteral("0");
    clients[11] = QStringLiteral("2");
    EXPECT_EQ(Row(1), clients);
    QStringList other(RuleTable::kFieldCount);
    other[0] = QStringLiteral("DOCS");
    other[1] = QStringLiteral("OTHER");
    EXPECT_EQ(Row(2), other);
    EXPECT_EQ(rules.field(1, QStringLiteral("RULE_FORM")), QStringLiteral(" Folder Form "));
    EXPECT_EQ(context.parentFolder(), 77);
    EXPECT_EQ(context.rootFolder(), QStringLiteral("Top"));
    EXPECT_EQ(context.profileExcludeColumn(), QStringLiteral("ABSTRACT"));
    const QStringList lines = harness.Lines();
    EXPECT_EQ(lines.first(), QStringLiteral("Retrieving any existing rules for library DOCS"));
    EXPECT_EQ(lines.last(), QStringLiteral("2 rule(s) identified"));
    EXPECT_EQ(sql->releases(), 2);
}

TEST_F(ConfigStatementsTest, SwitchFieldsHoldIntValAsAWholeNumber) {
    struct Case {
        QString intVal; // as the SQL object reads it; NULL reads as empty text
        QString field;
    };
    const std::vector<Case> cases = {
        {QString(), QStringLiteral("0")},
        {QStringLiteral("1"), QStringLiteral("1")},
        {QStringLiteral("0"), QStringLiteral("0")},
        {QStringLiteral("1.0"), QStringLiteral("1")},
        {QStringLiteral("1.4"), QStringLiteral("1")},
        {QStringLiteral("2.5"), QStringLiteral("3")},
        {QStringLiteral("abc"), QStringLiteral("0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.intVal.toStdString());
        sql->on(kRulesQuery, {0,
                              0,
                              0,
                              {{QStringLiteral("RULE_MOVE_INTO"), QStringLiteral("CLIENTS"),
                                QStringLiteral("text"), c.intVal}}});
        folderRules.LoadRules();
        ASSERT_EQ(rules.count(), 1);
        EXPECT_EQ(rules.field(1, RuleTable::kMoveInto), c.field);
        EXPECT_EQ(rules.field(1, RuleTable::kValues), QString()) << "CHAR_VAL is not a switch's value";
    }
}

TEST_F(ConfigStatementsTest, DefaultRuleOnlyWhenTheTableHoldsNoRule) {
    struct Case {
        const char* label;
        bool tablePresent;
        std::vector<QStringList> rows;
        int count;
    };
    const std::vector<Case> cases = {
        {"no settings table", false, {}, 0},
        {"empty table", true, {}, 1},
        {"settings rows only",
         true,
         {{QStringLiteral("SETTINGS"), QStringLiteral("ROOT_FOLDER"), QStringLiteral("R"), QString()}},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        rules.Append();
        context.setSettingsTablePresent(c.tablePresent);
        sql->on(kRulesQuery, {0, 0, 0, c.rows});
        sql->clearRecord();
        folderRules.LoadRules();
        EXPECT_EQ(sql->executed().size(), c.tablePresent ? 1 : 0);
        ASSERT_EQ(rules.count(), c.count);
        if (c.count == 0)
            continue;
        const QStringList expected = {
            QStringLiteral("DOCS"),
            QStringLiteral("***DEFAULT RULE***"),
            QStringLiteral("%APPLICATION.APPLICATION% <> 'FOLDER'"),
            QStringLiteral(
                "%MATTER.CLIENT_ID.CLIENT_ID% %\\% %MATTER.MATTER_ID% %\\% %DOCUMENTTYPE.TYPE_ID%"),
            QStringLiteral(
                "%AUTHOR.PRIMARY_GROUP% = 127; %TYPIST.PRIMARY_GROUP% = 127; GROUP:DOCS_SUPERVISORS = "
                "255; GROUP:DOCS_USERS = 0"),
            QStringLiteral("***DEFAULT FORM***"),
            QStringLiteral("1"),
            QStringLiteral("1"),
            QStringLiteral("0"),
            QStringLiteral("1"),
            QStringLiteral("1"),
            QStringLiteral("1"),
            QStringLiteral("0"),
            QStringLiteral("0"),
            QString(),
            QString(),
            QString()};
        EXPECT_EQ(Row(1), expected);
        EXPECT_EQ(harness.Lines().last(), QStringLiteral("0 rule(s) identified"));
    }
}

TEST_F(ConfigStatementsTest, RuleLookupForAnImportSetIgnoresTheCaseOfItsName) {
    const int row = rules.Append();
    rules.setField(row, RuleTable::kLibrary, QStringLiteral("DOCS"));
    rules.setField(row, RuleTable::kName, QStringLiteral("O'BRIEN"));
    EXPECT_EQ(rules.Find(QStringLiteral("DOCS"), QStringLiteral("o'brien")), row);
    EXPECT_EQ(rules.Find(QStringLiteral("OTHER"), QStringLiteral("O'BRIEN")), 0);
    EXPECT_EQ(rules.Find(QStringLiteral("docs"), QStringLiteral("O'BRIEN")), 0) << "library compared exactly";
    EXPECT_EQ(RuleTable::FieldOfKey(QStringLiteral(" rule_security ")), RuleTable::kSecurity);
    EXPECT_EQ(RuleTable::FieldOfKey(QStringLiteral("RULE_")), 0);
}

TEST_F(ConfigStatementsTest, RuleLookupFollowsRenamedRowsAndFindsTheFirstOfTwins) {
    const int first = rules.Append();
    const int second = rules.Append();
    for (int row : {first, second}) {
        rules.setField(row, RuleTable::kLibrary, QStringLiteral("DOCS"));
        rules.setField(row, RuleTable::kName, QStringLiteral("Twin"));
    }
    EXPECT_EQ(rules.Find(QStringLiteral("DOCS"), QStringLiteral("twin")), first);
    rules.setField(first, RuleTable::kName, QStringLiteral("RENAMED"));
    EXPECT_EQ(rules.Find(QStringLiteral("DOCS"), QStringLiteral("TWIN")), second);
    EXPECT_EQ(rules.Find(QStringLiteral("DOCS"), QStringLiteral("renamed")), first);
    rules.setField(second, RuleTable::kLibrary, QStringLiteral("OTHER"));
    EXPECT_EQ(rules.Find(QStringLiteral("DOCS"), QStringLiteral("TWIN")), 0);
    EXPECT_EQ(rules.Find(QStringLiteral("OTHER"), QStringLiteral("TWIN")), second);
    rules.Clear();
    EXPECT_EQ(rules.Find(QStringLiteral("DOCS"), QStringLiteral("RENAMED")), 0);
}

TEST_F(ConfigStatementsTest, ManyRuleRowsLoadIntoOneRowPerRule) {
    // Two rows per rule, the second in other letter case: each row looks its rule up.
    constexpr int kRules = 30000;
    SqlAnswer answer;
    for (int i = 0; i < kRules; ++i) {
        const QString name = QStringLiteral("Rule%1").arg(i);
        answer.rows.push_back(
            {QStringLiteral("RULE_TEMPLATE"), name, name + QStringLiteral(" %\\% x"), QString()});
        answer.rows.push_back({QStringLiteral("RULE_FORM"), name.toLower(), QStringLiteral("F"), QString()});
    }
    sql->on(kRulesQuery, answer);
    folderRules.LoadRules();
    ASSERT_EQ(rules.count(), kRules);
    for (int row : {1, kRules / 2, kRules}) {
        const QString name = QStringLiteral("RULE%1").arg(row - 1);
        EXPECT_EQ(rules.field(row, RuleTable::kName), name);
        EXPECT_EQ(rules.field(row, RuleTable::kForm), QStringLiteral("F"));
        EXPECT_EQ(rules.Find(QStringLiteral("DOCS"), name.toLower()), row);
    }
}

TEST_F(ConfigStatementsTest, LoadImportSetsKeepsStoredRowsInOrder) {
    sets.Append({QStringLiteral("OLD"), QStringLiteral("GONE"), QStringLiteral("X:1:2::0")});
    sql->on(kSetsQuery, {0,
                         0,
                         0,
                         {{QStringLiteral("CLIENTS"), QStringLiteral("DELIMITER:,")},
                          {QString(), QStringLiteral("ignored")},
                          {QStringLiteral("CLIENTS"), QStringLiteral("MATTER.CLIENT_ID:1:0::1")}}});
    importSets.LoadImportSets();
    EXPECT_EQ(sql->executed(), QStringList{kSetsQuery});
    EXPECT_EQ(sql->releases(), 2) << "before sending and after reading";
    ASSERT_EQ(sets.count(), 2);
    EXPECT_EQ(sets.row(1).library, QStringLiteral("DOCS"));
    EXPECT_EQ(sets.row(1).definition, QStringLiteral("DELIMITER:,"));
    EXPECT_EQ(sets.row(2).definition, QStringLiteral("MATTER.CLIENT_ID:1:0::1"));
    EXPECT_EQ(harness.Lines().first(),
              QStringLiteral("Retrieving any existing import sets from library DOCS"));
}

TEST_F(ConfigStatementsTest, LoadImportSetsSendsNothingWithoutASettingsTable) {
    sets.Append({QStringLiteral("OLD"), QStringLiteral("GONE"), QStringLiteral("X:1:2::0")});
    context.setSettingsTablePresent(false);
    importSets.LoadImportSets();
    EXPECT_EQ(sql->executed(), QStringList());
    EXPECT_EQ(sets.count(), 0);
}

TEST_F(ConfigStatementsTest, SaveDefinitionWritesEscapedRowsAndMirrorsThem) {
    DefinitionEditorModel editor;
    editor.setNames = {QStringLiteral("FIRST"), QStringLiteral("O'BRIEN")};
    editor.delimiter = QStringLiteral(",");
    editor.columns = {{QStringLiteral(" MATTER.CLIENT_ID "), QStringLiteral("007"), QStringLiteral("abc"),
                       QStringLiteral(" O'Neil "), QStringLiteral("1")},
                      {QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), QStringLiteral("2.6"),
                       QStringLiteral("9"), QString(), QStringLiteral("0")}};
    sets.Append({QStringLiteral("DOCS"), QStringLiteral("O'BRIEN"),
                 QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID:5:5::0")});
    sets.Append({QStringLiteral("ARCHIVE"), QStringLiteral("O'BRIEN"), QStringLiteral("DELIMITER:;")});
    sql->on(QStringLiteral("INSERT INTO"), SqlAnswer{0, 0, 1, {}});

    importSets.SaveDefinition(editor, 1);

    const QString insert =
        QStringLiteral("INSERT INTO DOCSADM.QORV_SETTINGS (MASTER_KEY, SECTION_KEY, SUB_KEY, "
                       "CHAR_VAL, INT_VAL, KEY_TYPE) VALUES('VANTRELIS', 'IMPORT_FOLDERS', "
                       "'O''BRIEN', '");
    const QStringList expected = {
        QStringLiteral("DELETE FROM DOCSADM.QORV_SETTINGS WHERE MASTER_KEY = 'VANTRELIS' AND SECTION_KEY = "
                       "'IMPORT_FOLDERS' AND SUB_KEY = 'O''BRIEN'"),
        insert + QStringLiteral("DELIMITER:,', NULL, 1)"),
        insert + QStringLiteral("MATTER.CLIENT_ID:7:0:O''Neil:1', 1, 1)"),
        insert + QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID:3:9::0', 2, 1)"),
    };
    EXPECT_EQ(sql->executed(), expected);
    EXPECT_EQ(sql->releases(), 2 * expected.size()) << "every statement's results are released";

    ASSERT_EQ(sets.count(), 4);
    EXPECT_EQ(sets.row(1).definition, QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID:3:9::0"))
        << "a column whose name begins with another's keeps its own row";
    EXPECT_EQ(sets.row(2).definition, QStringLiteral("DELIMITER:;")) << "another library's row is left alone";
    EXPECT_EQ(sets.row(3).definition, QStringLiteral("DELIMITER:,"));
    EXPECT_EQ(sets.row(4).definition, QStringLiteral("MATTER.CLIENT_ID:7:0:O'Neil:1"));
    EXPECT_EQ(sets.row(4).setName, QStringLiteral("O'BRIEN"));

    const QStringList lines = harness.Lines();
    EXPECT_EQ(lines.first(), QStringLiteral("Saving Settings for Import Set O'BRIEN"));
    EXPECT_EQ(lines.mid(lines.size() - 2),
              (QStringList{QStringLiteral("Settings for Import Set O'BRIEN have been saved"),
                           Line(QLatin1Char('='), 60)}));
    EXPECT_FALSE(harness.status.busy);
}

TEST_F(ConfigStatementsTest, SaveDefinitionWithNothingToWriteOnlyDeletes) {
    DefinitionEditorModel editor;
    editor.setNames = {QStringLiteral("EMPTY"), QString()};
    importSets.SaveDefinition(editor, 0);
    EXPECT_EQ(sql->executed().size(), 1);
    EXPECT_TRUE(sql->executed().first().startsWith(QStringLiteral("DELETE FROM")));
    sql->clearRecord();
    for (int index : {1, 2, -1}) {
        importSets.SaveDefinition(editor, index);
        EXPECT_TRUE(sql->executed().isEmpty()) << index;
    }
}

TEST_F(ConfigStatementsTest, SaveDefinitionThatTheDatabaseRefusesIsNotReportedAsSaved) {
    struct Case {
        const char* name;
        bool raise; // the SQL object faults, or the database answers with an error and writes no row
    };
    for (const Case& c : {Case{"fault", true}, Case{"rejected", false}}) {
        SCOPED_TRACE(c.name);
        sql->clearRecord();
        harness.Mark();
        if (c.raise)
            sql->failOn(QStringLiteral("'DELIMITER"), 3621,
                        QStringLiteral("The statement has been terminated."));
        else
            sql->on(QStringLiteral("'DELIMITER"), SqlAnswer{1, 2627, 0, {}});
        sql->on(QStringLiteral("'MATTER"), SqlAnswer{0, 0, 1, {}});
        DefinitionEditorModel editor;
        editor.setNames = {QString::fromLatin1(c.name).toUpper()};
        editor.delimiter = QStringLiteral(";");
        editor.columns = {{QStringLiteral("MATTER.MATTER_ID"), QStringLiteral("2"), QStringLiteral("0"),
                           QString(), QStringLiteral("1")}};
        const int before = sets.count();
        importSets.SaveDefinition(editor, 0);

        EXPECT_EQ(sql->executed().size(), 3) << "the remaining rows are still written";
        ASSERT_EQ(sets.count(), before + 1) << "only the row the database holds is mirrored";
        EXPECT_EQ(sets.row(sets.count()).definition, QStringLiteral("MATTER.MATTER_ID:2:0::1"));
        const QStringList lines = harness.LinesSinceMark();
        EXPECT_TRUE(lines.contains(QStringLiteral("Error: 1 row(s) of Import Set ") +
                                   editor.setNames.first() +
                                   QStringLiteral(" were not saved in library DOCS")))
            << lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_FALSE(lines.join(QLatin1Char('\n')).contains(QStringLiteral("have been saved")));
        EXPECT_EQ(harness.status.statusText(), QStringLiteral("Error: Unable to complete this process"));
    }
}

} // namespace
