#include "config/RuleTable.h"

#include "common/Text.h"

#include <QHash>
#include <iterator>

namespace vantrelis {

namespace {

// The rule keys of the settings table, in field order from RuleTable::kValues: the one list of them.
const char* const kRuleKeys[] = {
    "RULE_VALUES",
    "RULE_TEMPLATE",
    "RULE_SECURITY",
    "RULE_FORM",
    "RULE_AUTO_CREATE_FOLDERS",
    "RULE_CREATE_PUBLIC_FOLDERS",
    "RULE_MOVE_INTO",
    "RULE_PROFILE_INHERIT_METADATA",
    "RULE_PROFILE_INHERIT_SECURITY",
    "RULE_APPEND_TRUSTEES",
    "RULE_WORKSPACE_AUTHOR",
    "RULE_WORKSPACE_TYPIST",
};
static_assert(std::size(kRuleKeys) == RuleTable::kWorkspaceTypist - RuleTable::kValues + 1);

} // namespace

int RuleTable::FieldOfKey(const QString& ruleKey) {
    static const QHash<QString, int> fields = [] {
        QHash<QString, int> byKey;
        for (int field = kValues; field <= kWorkspaceTypist; ++field)
            byKey.insert(KeyOfField(field), field);
        return byKey;
    }();
    return fields.value(TrimBlanks(ruleKey).toUpper(), 0);
}

QString RuleTable::KeyOfField(int field) {
    if (field < kValues || field > kWorkspaceTypist)
        return QString();
    return QLatin1String(kRuleKeys[field - kValues]);
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
