#include "engine/folders/DocumentFiling.h"

#include "common/FaultReport.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "dm/SqlRows.h"
#include "engine/folders/ColumnPath.h"
#include "engine/folders/FolderSupport.h"

#include <QRegularExpression>

namespace vantrelis::engine {

namespace {

const QString kAnd = QStringLiteral(" AND ");
const QString kProfile = QStringLiteral("PROFILE");
// The rule's working fields that keep the statements built from its template.
constexpr int kValuesField = RuleTable::kFirstWorkingField;
constexpr int kDocumentsField = RuleTable::kFirstWorkingField + 1;
constexpr int kMatchField = RuleTable::kLastWorkingField;

// Adds a condition to a statement, after its own conditions or as its only one.
QString WithCondition(const QString& statement, const QString& condition) {
    const QString text = TrimBlanks(statement);
    if (text.contains(QStringLiteral(" WHERE ")))
        return text + kAnd + condition;
    return text + QStringLiteral(" WHERE ") + condition;
}

// The level separators "%\%" and "%/%"; a "%/%" cuts only before the next "%\%".
int LevelCut(const QString& remaining) {
    int cut = int(remaining.indexOf(QStringLiteral("%\\%")));
    const int slashCut = int(remaining.indexOf(QStringLiteral("%/%")));
    if (slashCut >= 0 && cut >= 0 && slashCut < cut)
        cut = slashCut;
    return cut;
}

} // namespace

DocumentFiling::DocumentFiling(dm::SqlGateway& gateway, Log& log, RuleTable& rules)
    : m_gateway(gateway), m_log(log), m_rules(rules) {}

void DocumentFiling::AddColumnPath(const QString& token, Lists& lists) {
    const QString owner = OwnerPrefix();
    const ColumnPath path = WalkColumnPath(m_gateway, token, true);
    if (path.complete()) {
        const QString qualified = owner + path.table + QLatin1Char('.') + path.column;
        lists.select.append(qualified);
        if (path.makesFolder()) {
            lists.matches.append(qualified + QStringLiteral(" <> 'FOLDER'"));
            lists.foldersExcluded = true;
        } else {
            lists.matches.append(qualified + QStringLiteral(" = '[") + path.column + QStringLiteral("]'"));
        }
    }
    for (const ColumnReference& reference : path.references) {
        if (!lists.from.contains(owner + reference.refTable))
            lists.from.append(owner + reference.refTable);
        if (reference.refTable != reference.table && !lists.joins.contains(reference.Join()))
            lists.joins.append(reference.Join());
    }
}

void DocumentFiling::AddToken(const QString& token, Lists& lists) {
    // An empty token ("%%") is no condition: it would leave a dangling AND.
    if (TrimBlanks(token).isEmpty())
        return;
    if (token.contains(QLatin1Char('.')))
        AddColumnPath(token, lists);
    else
        lists.joins.append(token);
}

DocumentFiling::Statements DocumentFiling::Build(const QString& pathTemplate) {
    m_log.WriteLog(QStringLiteral("Identifying SQL statement for adding documents to a folder"));
    m_log.WriteLog(StandardLines::StepSeparator());
    const QString owner = OwnerPrefix();
    Lists lists;
    lists.from.append(owner + kProfile);
    QString remaining = TrimBlanks(pathTemplate).toUpper();
    while (!remaining.isEmpty()) {
        QString level;
        const int cut = LevelCut(remaining);
        if (cut >= 0) {
            level = TrimBlanks(remaining.left(cut));
            remaining = TrimBlanks(remaining.mid(cut + 3));
        } else {
            level = TrimBlanks(remaining);
            remaining.clear();
        }
        while (!level.isEmpty()) {
            const qsizetype open = level.indexOf(QLatin1Char('%'));
            const qsizetype close = open < 0 ? -1 : level.indexOf(QLatin1Char('%'), open + 1);
            if (close < 0)
                break;
            const QString token = level.mid(open + 1, close - open - 1);
            level = TrimBlanks(level.mid(close + 1));
            AddToken(token, lists);
        }
    }
    if (!lists.foldersExcluded)
        lists.matches.append(owner + kProfile + QStringLiteral(".APPLICATION <> ") +
                             QStringLiteral("(SELECT SYSTEM_ID FROM ") + owner +
                             QStringLiteral("APPS WHERE APPLICATION = 'FOLDER')"));

    // Without a join the statements have no WHERE of their own; the conditions added later make it.
    const QString from = QStringLiteral(" FROM ") + lists.from.join(QStringLiteral(", "));
    const QString where =
        lists.joins.isEmpty() ? QString() : QStringLiteral(" WHERE ") + lists.joins.join(kAnd);
    Statements statements;
    statements.valuesQuery =
        QStringLiteral("SELECT ") + lists.select.join(QStringLiteral(", ")) + from + where;
    statements.documentsQuery =
        QStringLiteral("SELECT ") + owner + kProfile + QStringLiteral(".DOCNUMBER") + from + where;
    statements.matchList = lists.matches.join(kAnd);
    return statements;
}

DocumentFiling::Statements DocumentFiling::RuleStatements(int ruleIndex) {
    Statements statements{TrimBlanks(m_rules.field(ruleIndex, kValuesField)),
                          TrimBlanks(m_rules.field(ruleIndex, kDocumentsField)),
                          TrimBlanks(m_rules.field(ruleIndex, kMatchField))};
    if (statements.valuesQuery.isEmpty() || statements.documentsQuery.isEmpty() ||
        statements.matchList.isEmpty()) {
        statements = Build(m_rules.field(ruleIndex, RuleTable::kTemplate));
        m_rules.setField(ruleIndex, kValuesField, statements.valuesQuery);
        m_rules.setField(ruleIndex, kDocumentsField, statements.documentsQuery);
        m_rules.setField(ruleIndex, kMatchField, statements.matchList);
    }
    return statements;
}

QString DocumentFiling::Documents(const Statements& statements, const QString& valuesQuery) {
    m_log.WriteLog(QStringLiteral("Executing SQL Statement to add documents to a folder"));
    m_log.WriteLog(StandardLines::StepSeparator());
    QString matchList = statements.matchList;
    {
        dm::SqlRows rows(m_gateway, valuesQuery);
        if (rows.rowCount() == 0) {
            m_log.WriteLog(QStringLiteral("No documents found to add to this folder"));
            m_log.WriteLog(StandardLines::StepSeparator());
            return QString();
        }
        const dm::DmSql& sql = SessionSql(m_gateway, QStringLiteral("AddDocsSQL"));
        for (bool more = rows.first(); more; more = rows.next()) {
            if (rows.value(1).isEmpty())
                continue;
            for (int column = 1; column <= sql.columnCount(); ++column) {
                const QString placeholder = QLatin1Char('[') + sql.columnName(column) + QLatin1Char(']');
                const qsizetype at = matchList.indexOf(placeholder);
                if (at >= 0)
                    matchList.replace(at, placeholder.size(), EscapeSQLText(rows.value(column)));
            }
        }
    }
    return WithCondition(statements.documentsQuery, matchList);
}

QString DocumentFiling::AddDocsSQL(qint64 folderDocNumber, int ruleIndex) {
    QString result;
    try {
        if (folderDocNumber == 0 || ruleIndex <= 0 || ruleIndex > m_rules.count()) {
            m_log.WriteLog(QStringLiteral(
                "Warning: Parent or RuleNumber Not Specified - Cannot add documents to this folder"));
            return result;
        }
        const Statements statements = RuleStatements(ruleIndex);
        result =
            Documents(statements, WithCondition(statements.valuesQuery, OwnerPrefix() + kProfile +
                                                                            QStringLiteral(".DOCNUMBER = ") +
                                                                            FormatWhole(folderDocNumber)));
    } catch (...) {
        ReportCurrentFault(m_log);
    }
    return result;
}

QString DocumentFiling::PlannedValuesQuery(const QString& valuesQuery, const PlannedProfile& profile) {
    const QString owner = OwnerPrefix();
    const QRegularExpression reference(QRegularExpression::escape(owner + kProfile + QLatin1Char('.')) +
                                       QStringLiteral("(\\w+)\\b"));
    // The columns the folder would take from its parent, read from the nearest folder in the library.
    QStringList inherited;
    for (auto match = reference.globalMatch(valuesQuery); match.hasNext();) {
        const QString column = match.next().captured(1).toUpper();
        if (!profile.columns.contains(column) && !inherited.contains(column))
            inherited.append(column);
    }
    QHash<QString, QString> values = profile.columns;
    if (profile.realAncestor == 0) {
        // A new top-level folder has no parent: it is a folder by its document type and application.
        const QList<std::pair<QString, QString>> folderKinds = {
            {QStringLiteral("DOCUMENTTYPE"), QStringLiteral("DOCUMENTTYPES WHERE TYPE_ID = 'FOLDER'")},
            {QStringLiteral("APPLICATION"), QStringLiteral("APPS WHERE APPLICATION = 'FOLDER'")}};
        for (const auto& [column, row] : folderKinds) {
            if (!inherited.contains(column))
                continue;
            const dm::SqlRows rows(m_gateway, QStringLiteral("SELECT SYSTEM_ID FROM ") + owner + row);
            values.insert(column, rows.value(1));
        }
    } else if (!inherited.isEmpty()) {
        const dm::SqlRows rows(m_gateway, QStringLiteral("SELECT ") + inherited.join(QStringLiteral(", ")) +
                                              QStringLiteral(" FROM ") + owner + kProfile +
                                              QStringLiteral(" WHERE DOCNUMBER = ") +
                                              FormatWhole(profile.realAncestor));
        for (int i = 0; i < inherited.size(); ++i)
            values.insert(inherited[i], rows.value(i + 1));
    }
    const auto literal = [&](const QString& column) {
        const QString value = values.value(column);
        if (value.isEmpty())
            return QStringLiteral("NULL");
        bool whole = false;
        value.toLongLong(&whole);
        return whole ? value : QLatin1Char('\'') + EscapeSQLText(value) + QLatin1Char('\'');
    };
    // The select list keeps its column names: the placeholders of the match list are found by them.
    const qsizetype from = valuesQuery.indexOf(QStringLiteral(" FROM "));
    QString select = valuesQuery.left(from);
    QString rest = valuesQuery.mid(from);
    QString planned;
    qsizetype done = 0;
    for (auto match = reference.globalMatch(select); match.hasNext();) {
        const auto m = match.next();
        const QString column = m.captured(1).toUpper();
        planned +=
            select.mid(done, m.capturedStart() - done) + literal(column) + QStringLiteral(" AS ") + column;
        done = m.capturedEnd();
    }
    planned += select.mid(done);
    done = 0;
    for (auto match = reference.globalMatch(rest); match.hasNext();) {
        const auto m = match.next();
        planned += rest.mid(done, m.capturedStart() - done) + literal(m.captured(1).toUpper());
        done = m.capturedEnd();
    }
    planned += rest.mid(done);
    // One PROFILE row stands for the planned folder's, which has nothing of its own left in the query.
    const QString carrier = profile.realAncestor != 0 ? FormatWhole(profile.realAncestor)
                                                      : QStringLiteral("(SELECT MIN(DOCNUMBER) FROM ") +
                                                            owner + kProfile + QLatin1Char(')');
    return WithCondition(planned, owner + kProfile + QStringLiteral(".DOCNUMBER = ") + carrier);
}

QString DocumentFiling::PlannedDocsSQL(const PlannedProfile& profile, int ruleIndex) {
    QString result;
    try {
        if (ruleIndex <= 0 || ruleIndex > m_rules.count())
            return result;
        const Statements statements = RuleStatements(ruleIndex);
        result = Documents(statements, PlannedValuesQuery(statements.valuesQuery, profile));
    } catch (...) {
        ReportCurrentFault(m_log);
    }
    return result;
}

} // namespace vantrelis::engine
