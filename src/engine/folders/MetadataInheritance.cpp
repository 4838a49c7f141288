#include "engine/folders/MetadataInheritance.h"

#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "dm/RunJournalText.h"
#include "dm/SqlRows.h"

#include "engine/folders/FolderSupport.h"
#include <algorithm>

namespace vantrelis::engine {

namespace {
const QString kListSeparator = QStringLiteral(", ");
}

MetadataInheritance::MetadataInheritance(dm::SqlGateway& gateway, Log& log, const RuleTable& rules,
                                         const ForeignColumnList& columns)
    : m_gateway(gateway), m_log(log), m_rules(rules), m_columns(columns) {}

MetadataInheritance::ResultList MetadataInheritance::Read(const QString& columns, qint64 docNumber,
                                                          bool& hasColumns) {
    dm::SqlRows rows(m_gateway, QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM ") +
                                    OwnerPrefix() + QStringLiteral("PROFILE WHERE DOCNUMBER = ") +
                                    FormatWhole(docNumber));
    const dm::DmSql& sql = SessionSql(m_gateway, QStringLiteral("AddFolderItem"));
    const int count = rows.sent() ? sql.columnCount() : 0;
    hasColumns = count > 0;
    ResultList values;
    for (int column = 1; column <= count; ++column)
        values.emplace_back(TrimBlanks(sql.columnName(column)), TrimBlanks(rows.value(column)));
    return values;
}

QString MetadataInheritance::EmptyNames(const ResultList& values) {
    QStringList names;
    for (const auto& [name, value] : values) {
        if (value.isEmpty())
            names.append(name);
    }
    return names.join(kListSeparator);
}

QString MetadataInheritance::SetList(const ResultList& values) {
    // A column named twice in the list is assigned once; the values go in as bare numbers.
    QString text;
    for (const auto& [name, value] : values) {
        if (value.isEmpty() || text.contains(name + QStringLiteral(" = ") + value))
            continue;
        if (!text.isEmpty())
            text += kListSeparator;
        text += name + QStringLiteral(" = ") + FormatWhole(LeadingWhole(value));
    }
    return text;
}

void MetadataInheritance::Fill(const ResultList& targetValues, qint64 target, qint64 source,
                               const QString& noEmptyText, const QString& noValuesText,
                               const QString& onlyEmptyText) {
    const QString emptyList = EmptyNames(targetValues);
    if (emptyList.isEmpty()) {
        m_log.WriteLog(noEmptyText);
        return;
    }
    bool hasColumns = false;
    const ResultList sourceValues = Read(emptyList, source, hasColumns);
    if (!hasColumns) {
        m_log.WriteLog(noValuesText);
        m_log.WriteLog(StandardLines::StepSeparator());
    }
    const QString setList = SetList(sourceValues);
    if (setList.isEmpty()) {
        m_log.WriteLog(onlyEmptyText);
        return;
    }
    const dm::SqlRows update(m_gateway, QStringLiteral("UPDATE ") + OwnerPrefix() +
                                            QStringLiteral("PROFILE SET ") + setList +
                                            QStringLiteral(" WHERE DOCNUMBER = ") + FormatWhole(target));
    dm::DmRunJournal* journal = m_gateway.session().journal.get();
    if (!journal || !update.ok() || update.rowsAffected() == 0 || journal->createdByRun(target))
        return;
    // The columns were empty; they now hold what SetList put in them.
    dm::RunJournalText::ColumnList before;
    dm::RunJournalText::ColumnList after;
    for (const auto& [name, value] : sourceValues) {
        const QString& column = name; // a lambda may not capture a structured binding before clang 16
        if (value.isEmpty() ||
            std::any_of(after.begin(), after.end(), [&](const auto& set) { return set.first == column; }))
            continue;
        before.emplace_back(name, QString());
        after.emplace_back(name, FormatWhole(LeadingWhole(value)));
    }
    journal->profileChanged(target, before, after);
}

void MetadataInheritance::Inherit(qint64 itemDocNumber, qint64 parentFolder, int ruleIndex) {
    if (!RuleSwitch(m_rules, ruleIndex, RuleTable::kInheritMetadata)) {
        m_log.WriteLog(QStringLiteral("Inherit Metadata Option is not selected for this rule"));
        return;
    }
    const QString columnList =
        m_columns.ProfileColumns(m_gateway.session().LibraryName()).join(kListSeparator);
    if (columnList.isEmpty()) {
        m_log.WriteLog(QStringLiteral("Cannot inherit metadata - no columns identified for query"));
        return;
    }
    m_log.ShowStatus(QStringLiteral("Inherit Metadata Option is Selected - Checking for missing columns"));

    const QString item = FormatWhole(itemDocNumber);
    const QString parent = FormatWhole(parentFolder);
    bool hasColumns = false;
    const ResultList itemValues = Read(columnList, itemDocNumber, hasColumns);
    if (!hasColumns) {
        m_log.WriteLog(
            QStringLiteral("NOT inheriting metadata - no columns returned from query on child document #") +
            item);
        return;
    }
    const ResultList parentValues = Read(columnList, parentFolder, hasColumns);
    if (!hasColumns) {
        m_log.WriteLog(
            QStringLiteral("NOT inheriting metadata - no columns returned from query on parent folder #") +
            parent);
        return;
    }

    Fill(
        itemValues, itemDocNumber, parentFolder,
        QStringLiteral(
            "NOT inheriting parent metadata - no empty metadata columns are found in child document #") +
            item,
        QStringLiteral("Parent query returned no values"),
        QStringLiteral("NOT inheriting metadata - only empty metadata columns are found in parent folder #") +
            parent);
    m_log.WriteLog(StandardLines::StepSeparator());
    Fill(parentValues, parentFolder, itemDocNumber,
         QStringLiteral(
             "NOT inheriting child metadata - no empty metadata columns are found in parent folder #") +
             parent,
         QStringLiteral("Above query returned no values"),
         QStringLiteral(
             "NOT inheriting metadata - only empty metadata columns are found in child document #") +
             item);
}

} // namespace vantrelis::engine
