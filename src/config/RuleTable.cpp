#include "config/RuleTable.h"

#include "common/Text.h"

#include <QHash>

namespace vantrelis {

int RuleTable::FieldOfKey(const QString& ruleKey) {
    static const QHash<QString, int> fields = {
        {QStringLiteral("RULE_VALUES"), kValues},
        {QStringLiteral("RULE_TEMPLATE"), kTemplate},
        {QStringLiteral("RULE_SECURITY"), kSecurity},
        {QStringLiteral("RULE_FORM"), kForm},
        {QStringLiteral("RULE_AUTO_CREATE_FOLDERS"), kAutoCreateFolders},
        {QStringLiteral("RULE_CREATE_PUBLIC_FOLDERS"), kCreatePublicFolders},
        {QStringLiteral("RULE_MOVE_INTO"), kMoveInto},
        {QStringLiteral("RULE_PROFILE_INHERIT_METADATA"), kInheritMetadata},
        {QStringLiteral("RULE_PROFILE_INHERIT_SECURITY"), kInheritSecurity},
        {QStringLiteral("RULE_APPEND_TRUSTEES"), kAppendTrustees},
        {QStringLiteral("RULE_WORKSPACE_AUTHOR"), kWorkspaceAuthor},
        {QStringLiteral("RULE_WORKSPACE_TYPIST"), kWorkspaceTypist},
    };
    return fields.value(TrimBlanks(ruleKey).toUpper(), 0);
}

int RuleTable::Append() {
    m_rows.push_back(Row{});
    return count();
}

QString RuleTable::field(int row, int field) const {
    if (row < 1 || row > count() || field < 1 || field > kFieldCount)
        return QString();
    return m_rows[static_cast<size_t>(row - 1)][static_cast<size_t>(field)];
}

void RuleTable::setField(int row, int field, const QString& value) {
    if (row < 1 || row > count() || field < 1 || field > kFieldCount)
        return;
    m_rows[static_cast<size_t>(row - 1)][static_cast<size_t>(field)] = value;
}

int RuleTable::Find(const QString& libraryName, const QString& ruleName) const {
    const QString wanted = ruleName.toUpper();
    for (int row = 1; row <= count(); ++row)
        if (field(row, kLibrary) == libraryName && field(row, kName).toUpper() == wanted)
            return row;
    return 0;
}

int RuleTable::FindForImportSet(const QString& libraryName, const QString& importSetName) const {
    for (int row = 1; row <= count(); ++row)
        if (field(row, kLibrary).compare(libraryName, Qt::CaseInsensitive) == 0 &&
            field(row, kName).compare(importSetName, Qt::CaseInsensitive) == 0)
            return row;
    return 0;
}

} // namespace vantrelis
