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

RuleTable::Key RuleTable::KeyOf(const Row& row) {
    return {row[kLibrary], row[kName].toUpper()};
}

void RuleTable::Clear() {
    m_rows.clear();
    m_index.clear();
}

int RuleTable::Append() {
    m_rows.push_back(Row{});
    m_index.insert(KeyOf(m_rows.back()), count());
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
    Row& stored = m_rows[static_cast<size_t>(row - 1)];
    if (field != kLibrary && field != kName) {
        stored[static_cast<size_t>(field)] = value;
        return;
    }
    m_index.remove(KeyOf(stored), row);
    stored[static_cast<size_t>(field)] = value;
    m_index.insert(KeyOf(stored), row);
}

int RuleTable::Find(const QString& libraryName, const QString& ruleName) const {
    // The first row of that name, as a scan from the top would find it.
    int first = 0;
    const auto [begin, end] = m_index.equal_range(Key{libraryName, ruleName.toUpper()});
    for (auto it = begin; it != end; ++it)
        if (first == 0 || *it < first)
            first = *it;
    return first;
}

} // namespace vantrelis
