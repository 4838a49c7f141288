#include "app/ColumnTable.h"

#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"

#include <algorithm>

namespace vantrelis::app {

namespace {

const QString kDelimiterKey = QStringLiteral("DELIMITER");

// Whole number read from a stored slot, held within the range of text positions.
qsizetype Position(const QString& slot) {
    return static_cast<qsizetype>(std::clamp<qint64>(LeadingWhole(slot), -1000000000, 1000000000));
}

// "000": at least three digits with leading zeros, the sign before them.
QString ThreeDigits(const QString& slot) {
    const qint64 value = LeadingWhole(slot);
    const QString digits = QString::number(value < 0 ? -value : value).rightJustified(3, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

void RemoveQuotes(QString& value) {
    value.remove(QLatin1Char('\''));
    value.remove(QLatin1Char('"'));
}

} // namespace

ColumnTable ColumnTable::Load(const ImportSetTable& importSets, const QString& libraryName,
                              const QString& setName) {
    ColumnTable table;
    for (int i = 1; i <= importSets.count(); ++i) {
        const ImportSetRow& row = importSets.row(i);
        if (row.library != libraryName || row.setName != setName)
            continue;
        const qsizetype colon = row.definition.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        const QString key = TrimBlanks(row.definition.left(colon)).toUpper();
        const QString rest = TrimBlanks(row.definition.mid(colon + 1));
        if (key == kDelimiterKey)
            table.setDelimiter(rest);
        else
            table.AddColumn(key, rest);
    }
    return table;
}

void ColumnTable::AddColumn(const QString& name, const QString& rest) {
    ImportColumn column;
    column.name = name;
    const QStringList pieces = rest.split(QLatin1Char(':'));
    QString* slots[] = {&column.start, &column.end, &column.defaultValue, &column.sort};
    for (qsizetype i = 0; i < pieces.size() && i < 4; ++i)
        *slots[i] = pieces.at(i);
    m_columns.push_back(column);
}

bool ColumnTable::Incomplete(const ImportColumn& column) const {
    if (!column.defaultValue.isEmpty())
        return false;
    if (!m_delimiter.isEmpty())
        return LeadingWhole(column.start) == 0;
    return LeadingWhole(column.start) == 0 || LeadingWhole(column.end) == 0;
}

QStringList ColumnTable::DefinitionLines(const QString& setName, const QString& templateText,
                                         const QString& securityText, const QString& formName) const {
    const QString separator = StandardLines::StepSeparator();
    QStringList lines;
    lines << QStringLiteral("Import Set ") + setName + QStringLiteral(" definition:") << separator;
    if (!m_delimiter.isEmpty())
        lines << QStringLiteral("DELIMITER: '") + m_delimiter + QLatin1Char('\'');
    for (const ImportColumn& column : m_columns) {
        const QString warning = Incomplete(column) ? QString(20, QLatin1Char(' ')) +
                                                         QStringLiteral(" *** WARNING: DEFINITION INCOMPLETE")
                                                   : QString();
        lines << column.name + QLatin1Char(':') +
                     QString(std::max<qsizetype>(0, 28 - column.name.size()), QLatin1Char(' ')) +
                     QStringLiteral("Start:") + ThreeDigits(column.start) + QStringLiteral(" End:") +
                     ThreeDigits(column.end) + QStringLiteral(" Default:") + column.defaultValue +
                     QLatin1Char(' ') + warning;
    }
    lines << separator << QStringLiteral("Template: ") + templateText
          << QStringLiteral("Security: ") + securityText;
    if (!formName.isEmpty())
        lines << QStringLiteral("Form: ") + formName;
    lines << separator;
    return lines;
}

void ColumnTable::CutLine(const QString& line) {
    for (ImportColumn& column : m_columns)
        column.value = column.defaultValue;
    if (m_delimiter.isEmpty())
        CutFixed(line);
    else
        CutDelimited(line);
    for (ImportColumn& column : m_columns)
        RemoveQuotes(column.value);
}

void ColumnTable::CutFixed(const QString& line) {
    for (ImportColumn& column : m_columns) {
        const qsizetype start = Position(column.start);
        const qsizetype end = Position(column.end);
        // A position before the first character names no text of the line.
        if (start < 1 || end < start)
            continue;
        column.value = TrimRightBlanks(line.mid(start - 1, end - start + 1));
    }
}

void ColumnTable::CutDelimited(const QString& line) {
    qsizetype from = 0;
    for (qint64 field = 1; from < line.size(); ++field) {
        qsizetype next = line.indexOf(m_delimiter, from);
        if (next < 0)
            next = line.size();
        for (ImportColumn& column : m_columns) {
            if (LeadingWhole(column.start) == field) {
                column.value = TrimRightBlanks(line.mid(from, next - from));
                break;
            }
        }
        // The delimiter counts as its first character: the rest of a longer one opens the next field.
        from = next + 1;
    }
}

bool ColumnTable::SortFlag(int level) const {
    if (level < 1 || level > count())
        return true;
    // Only a stored 1 sorts, as a rule's switches do: 2 or -1 is no sort flag.
    return LeadingNumber(column(level - 1).sort) == 1.0;
}

} // namespace vantrelis::app
