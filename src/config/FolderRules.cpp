#include "config/FolderRules.h"

#include "common/LibraryQueries.h"
#include "common/Text.h"
#include "config/FolderRuleDefinition.h"
#include "dm/SqlRows.h"

namespace vantrelis {

FolderRules::FolderRules(dm::SqlGateway& gateway, RuleTable& rules, Log& log)
    : m_gateway(gateway), m_rules(rules), m_log(log) {}

void FolderRules::SetDefaultRule(RuleTable& rules, int row, const QString& libraryName) {
    FolderRuleDefinition::DefaultRule().Fill(rules, row, libraryName);
}

void FolderRules::LoadRules() {
    m_rules.Clear();
    dm::LibraryContext& library = m_gateway.library();
    if (!library.settingsTablePresent())
        return;
    const QString libraryName = m_gateway.session().LibraryName();
    m_log.WriteLog(QStringLiteral("Retrieving any existing rules for library ") + libraryName);
    {
        dm::SqlRows rows(m_gateway,
                         QStringLiteral("SELECT SECTION_KEY, SUB_KEY, CHAR_VAL, INT_VAL FROM ") +
                             SettingsRowsWhere() +
                             QStringLiteral(" AND (SECTION_KEY LIKE 'RULE_%' OR SECTION_KEY = 'SETTINGS') "
                                            "ORDER BY SUB_KEY, SECTION_KEY"));
        // A failing row is skipped and the next one read, so a partly read rule keeps empty fields.
        for (bool more = rows.rowCount() != 0; more;) {
            try {
                ReadRow(rows, libraryName);
            } catch (...) {
            }
            try {
                more = rows.next();
            } catch (...) {
                more = false;
            }
        }
    }
    m_log.WriteLog(FormatWhole(m_rules.count()) + QStringLiteral(" rule(s) identified"));
    if (m_rules.count() == 0)
        SetDefaultRule(m_rules, m_rules.Append(), libraryName);
}

void FolderRules::ReadRow(const dm::SqlRows& rows, const QString& libraryName) {
    const QString section = TrimBlanks(rows.value(1)).toUpper();
    if (section.isEmpty())
        return;
    if (section == QLatin1String("SETTINGS")) {
        // Read by the library's one rule for these rows, which the connection has applied already.
        const QString warning = m_gateway.library().ApplySetting(rows.value(2), rows.value(3), rows.value(4));
        if (!warning.isEmpty())
            m_log.WriteLog(warning);
        return;
    }
    if (!section.startsWith(QLatin1String("RULE_")))
        return;
    const QString ruleName = TrimBlanks(rows.value(2)).toUpper();
    if (ruleName.isEmpty())
        return;
    int row = m_rules.Find(libraryName, ruleName);
    if (row == 0)
        row = m_rules.Append();
    m_rules.setField(row, RuleTable::kLibrary, libraryName);
    m_rules.setField(row, RuleTable::kName, ruleName);
    const int field = RuleTable::FieldOfKey(section);
    if (field == 0)
        return;
    if (RuleTable::IsSwitchField(field))
        m_rules.setField(row, field, FormatWhole(LeadingWhole(rows.value(4))));
    else
        m_rules.setField(row, field, rows.value(3));
}

} // namespace vantrelis
