#include "config/FolderRuleDefinition.h"
#include "config/FolderRules.h"
#include "config/RuleTable.h"
#include "support/ConnectedProgram.h"
#include "support/LocalEnvironment.h"
#include "support/QtPrinters.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

// The rule keys are one list: each field of a rule has its key and each key its field.
TEST(FolderRuleDefinitionTest, EveryRuleFieldHasOneKeyAndBack) {
    QSet<QString> keys;
    for (int field = 0; field <= RuleTable::kFieldCount + 1; ++field) {
        SCOPED_TRACE(field);
        const QString key = RuleTable::KeyOfField(field);
        const bool ruleKey = field >= RuleTable::kValues && field <= RuleTable::kWorkspaceTypist;
        EXPECT_EQ(key.isEmpty(), !ruleKey);
        if (!ruleKey)
            continue;
        EXPECT_TRUE(key.startsWith(QLatin1String("RULE_"))) << key.toStdString();
        EXPECT_EQ(RuleTable::FieldOfKey(key), field);
        EXPECT_EQ(RuleTable::FieldOfKey(key.toLower()), field) << "any letter case";
        keys.insert(key);
    }
    EXPECT_EQ(keys.size(), RuleTable::kWorkspaceTypist - RuleTable::kValues + 1);
}

// A rule's rows: texts in CHAR_VAL, switches in INT_VAL, under the name in upper case.
TEST(FolderRuleDefinitionTest, RowsCarryTextsAndSwitchesInTheirColumns) {
    FolderRuleDefinition rule;
    rule.name = QStringLiteral(" o'brien ");
    rule.pathTemplate = QStringLiteral("%MATTER.MATTER_ID%");
    rule.moveInto = 1;
    const std::vector<SettingsRow> rows = rule.settingsRows();
    ASSERT_EQ(rows.size(), 12u);
    for (const SettingsRow& row : rows) {
        SCOPED_TRACE(row.sectionKey.toStdString());
        EXPECT_EQ(row.subKey, QStringLiteral("O'BRIEN"));
        const int field = RuleTable::FieldOfKey(row.sectionKey);
        ASSERT_NE(field, 0);
        EXPECT_EQ(row.charValue.isNull(), RuleTable::IsSwitchField(field));
        EXPECT_EQ(row.intValue.isNull(), !RuleTable::IsSwitchField(field));
    }
    EXPECT_EQ(rows[1].charValue.toString(), QStringLiteral("%MATTER.MATTER_ID%"));
    EXPECT_EQ(rows[6].intValue.toInt(), 1);
}

// What the admin tool writes is what the program reads back: every field of every rule, on the
// real backend, and a rule written again replaces its rows.
TEST(FolderRuleDefinitionTest, RulesWrittenAreReadBackFieldForField) {
    LocalEnvironment environment;
    auto& docs = environment.AddLibrary(QStringLiteral("DOCS"), 10, true);
    FolderRuleDefinition first;
    first.name = QStringLiteral("clients");
    first.values = QStringLiteral("%DOCUMENTTYPE.TYPE_ID% = 'MEMO'");
    first.pathTemplate = QStringLiteral("%MATTER.CLIENT_ID.CLIENT_ID%");
    first.security = QStringLiteral("GROUP:LEGAL = 63; USER:O'BRIEN = 255");
    first.form = QStringLiteral("LEGALPROF");
    first.autoCreateFolders = 0;
    first.createPublicFolders = 0;
    first.moveInto = 1;
    first.inheritMetadata = 0;
    first.inheritSecurity = 0;
    first.appendTrustees = 0;
    first.workspaceAuthor = 1;
    first.workspaceTypist = 1;
    FolderRuleDefinition second = FolderRuleDefinition::DefaultRule();
    second.name = QStringLiteral("MATTERS");
    docs.replaceSettings(second.settingsRows());
    FolderRuleDefinition stale = first;
    stale.pathTemplate = QStringLiteral("%STALE%");
    stale.moveInto = 0;
    docs.replaceSettings(stale.settingsRows());
    docs.replaceSettings(first.settingsRows());
    environment.WriteServerFile(QStringLiteral("DOCS"));
    ConnectedProgram program(environment.serverFile());
    ASSERT_TRUE(program.context.connection().StartFusion())
        << program.harness.Lines().join(QLatin1Char('\n')).toStdString();

    const RuleTable& loaded = program.context.rules();
    ASSERT_EQ(loaded.count(), 2);
    for (const FolderRuleDefinition* spec : {&first, &second}) {
        const QString name = spec->name.toUpper();
        SCOPED_TRACE(name.toStdString());
        RuleTable expected;
        const int row = expected.Append();
        spec->Fill(expected, row, QStringLiteral("DOCS"));
        expected.setField(row, RuleTable::kName, name);
        const int found = loaded.Find(QStringLiteral("DOCS"), name);
        ASSERT_NE(found, 0);
        for (int field = 1; field <= RuleTable::kFieldCount; ++field)
            EXPECT_EQ(loaded.field(found, field), expected.field(row, field))
                << RuleTable::KeyOfField(field).toStdString();
    }
}

} // namespace
