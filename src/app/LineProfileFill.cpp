#include "app/LineProfileFill.h"

#include "app/PathTemplate.h"
#include "common/FaultReport.h"
#include "common/SqlText.h"
#include "common/Text.h"
#include "dm/SqlRows.h"
#include "engine/folders/ColumnPath.h"

#include <QSet>

namespace vantrelis::app {

LineProfileFill::LineProfileFill(dm::SqlGateway& gateway, Log& log) : m_gateway(gateway), m_log(log) {}

bool LineProfileFill::Walk(const QString& token, Column& column) {
    const engine::ColumnPath path = engine::WalkColumnPath(m_gateway, token, false);
    if (!path.complete())
        return false;
    const QString owner = OwnerPrefix();
    for (qsizetype i = 0; i < path.references.size(); ++i) {
        const engine::ColumnReference& reference = path.references.at(i);
        if (i == 0) {
            column.key = owner + reference.refTable + QLatin1Char('.') + reference.refColumn;
            // The profile column itself names a document type or an application, whatever part of
            // that row the token reads: the columns that make a profile a folder are never filled.
            column.makesFolder = column.makesFolder || reference.refTable == QLatin1String("DOCUMENTTYPES") ||
                                 reference.refTable == QLatin1String("APPS");
        } else if (!column.joins.contains(reference.Join())) {
            column.joins.append(reference.Join());
        }
        if (!column.from.contains(owner + reference.refTable))
            column.from.append(owner + reference.refTable);
    }
    column.makesFolder = column.makesFolder || path.makesFolder();
    column.conditions.append({token, owner + path.table + QLatin1Char('.') + path.column});
    return true;
}

void LineProfileFill::Prepare(const QString& templateText) {
    m_columns.clear();
    m_line = -1;
    QList<Column> columns;
    QSet<QString> broken;
    QString remaining = TrimBlanks(templateText).toUpper();
    for (int level = 1; !remaining.isEmpty(); ++level) {
        const PathLevel next = PathTemplate::SplitLevel(remaining);
        remaining = next.rest;
        QString text = next.name;
        for (qsizetype open = text.indexOf(QLatin1Char('%')); open >= 0;
             open = text.indexOf(QLatin1Char('%'))) {
            const qsizetype close = text.indexOf(QLatin1Char('%'), open + 1);
            if (close < 0)
                break;
            const QString token = TrimBlanks(text.mid(open + 1, close - open - 1));
            text = text.mid(close + 1);
            if (!token.contains(QLatin1Char('.')))
                continue;
            const QString name = TrimBlanks(token.section(QLatin1Char('.'), 0, 0));
            qsizetype at = 0;
            while (at < columns.size() && columns.at(at).name != name)
                ++at;
            if (at == columns.size())
                columns.append(Column{name, level, {}, {}, {}, {}, false});
            Column& column = columns[at];
            column.level = level;
            if (!Walk(token, column))
                broken.insert(name);
        }
    }
    for (const Column& column : columns) {
        if (column.makesFolder || broken.contains(column.name) || column.key.isEmpty())
            continue;
        m_columns.append(column);
        m_log.WriteLog(QStringLiteral("New folders from level ") + FormatWhole(column.level) +
                       QStringLiteral(" on take column ") + column.name +
                       QStringLiteral(" from their import line"));
    }
}

QString LineProfileFill::Resolve(const Column& column, const QHash<QString, QString>& values, qint64 line,
                                 const QString& fileName) {
    QStringList conditions = column.joins;
    QStringList named;
    for (const Condition& condition : column.conditions) {
        const QString value = values.value(condition.token);
        conditions.append(condition.column + QStringLiteral(" = '") + EscapeSQLText(value) +
                          QLatin1Char('\''));
        named.append(condition.token + QStringLiteral(" = ") + value);
    }
    int count = 0;
    QString key;
    {
        const dm::SqlRows rows(m_gateway, QStringLiteral("SELECT ") + column.key + QStringLiteral(" FROM ") +
                                              column.from.join(QStringLiteral(", ")) +
                                              QStringLiteral(" WHERE ") +
                                              conditions.join(QStringLiteral(" AND ")));
        count = rows.rowCount();
        key = TrimBlanks(rows.value(1));
    }
    if (count == 1 && !key.isEmpty())
        return key;
    m_log.WriteLog(
        QStringLiteral("Warning: Line ") + FormatWhole(line) + QStringLiteral(" of ") + fileName +
        QStringLiteral(": ") +
        (count > 1 ? QStringLiteral("more than one row matches ") : QStringLiteral("no row matches ")) +
        named.join(QStringLiteral(", ")) + QStringLiteral(" - column ") + column.name +
        QStringLiteral(" of the new folder is left empty"));
    return QString();
}

engine::LineColumns LineProfileFill::Columns(int level, const QHash<QString, QString>& values, qint64 line,
                                             const QString& fileName) {
    if (line != m_line) {
        m_line = line;
        m_found.clear();
    }
    engine::LineColumns found;
    found.line = line;
    try {
        for (const Column& column : m_columns) {
            if (column.level > level)
                continue;
            if (!m_found.contains(column.name))
                m_found.insert(column.name, Resolve(column, values, line, fileName));
            const QString key = m_found.value(column.name);
            if (!key.isEmpty())
                found.columns.append({column.name, key});
        }
    } catch (...) {
        ReportCurrentFault(m_log);
        found.columns.clear();
    }
    return found;
}

} // namespace vantrelis::app
