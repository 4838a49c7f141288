#include "config/FolderRuleDefinition.h"

#include "common/Text.h"
#include "config/FolderRules.h"

namespace vantrelis {

FolderRuleDefinition FolderRuleDefinition::DefaultRule() {
    FolderRuleDefinition rule;
    rule.name = FolderRules::DefaultRuleName();
    rule.pathTemplate = DefaultTemplate();
    rule.security = DefaultSecurity();
    return rule;
}

QString FolderRuleDefinition::DefaultTemplate() {
    return QStringLiteral("%MATTER.CLIENT_ID.CLIENT_ID% %\\% %MATTER.MATTER_ID% %\\% %DOCUMENTTYPE.TYPE_ID%");
}

QString FolderRuleDefinition::DefaultSecurity() {
    return QStringLiteral("%AUTHOR.PRIMARY_GROUP% = 127; %TYPIST.PRIMARY_GROUP% = 127; "
                          "GROUP:DOCS_SUPERVISORS = 255; GROUP:DOCS_USERS = 0");
}

std::vector<FolderRuleDefinition::FieldValue> FolderRuleDefinition::fieldValues() const {
    return {
        {RuleTable::kValues, values, 0},
        {RuleTable::kTemplate, pathTemplate, 0},
        {RuleTable::kSecurity, security, 0},
        {RuleTable::kForm, form, 0},
        {RuleTable::kAutoCreateFolders, QString(), autoCreateFolders},
        {RuleTable::kCreatePublicFolders, QString(), createPublicFolders},
        {RuleTable::kMoveInto, QString(), moveInto},
        {RuleTable::kInheritMetadata, QString(), inheritMetadata},
        {RuleTable::kInheritSecurity, QString(), inheritSecurity},
        {RuleTable::kAppendTrustees, QString(), appendTrustees},
        {RuleTable::kWorkspaceAuthor, QString(), workspaceAuthor},
        {RuleTable::kWorkspaceTypist, QString(), workspaceTypist},
    };
}

void FolderRuleDefinition::Fill(RuleTable& rules, int row, const QString& libraryName) const {
    rules.setField(row, RuleTable::kLibrary, libraryName);
    rules.setField(row, RuleTable::kName, name);
    for (const FieldValue& value : fieldValues())
        rules.setField(row, value.field,
                       RuleTable::IsSwitchField(value.field) ? FormatWhole(value.number) : value.text);
}

std::vector<SettingsRow> FolderRuleDefinition::settingsRows() const {
    const QString ruleName = TrimBlanks(name).toUpper();
    std::vector<SettingsRow> rows;
    for (const FieldValue& value : fieldValues()) {
        const QString key = RuleTable::KeyOfField(value.field);
        if (RuleTable::IsSwitchField(value.field))
            rows.push_back({key, ruleName, QVariant(), value.number});
        else
            rows.push_back({key, ruleName, value.text, QVariant()});
    }
    return rows;
}

} // namespace vantrelis
