#include "config/DefinitionEditor.h"

#include "common/FaultReport.h"
#include "common/Text.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <numeric>

namespace vantrelis {

namespace {

const QString kDelimiterKey = QStringLiteral("DELIMITER");

// Tokens of a template that are no import columns: level separators and the built-in values.
bool IsBuiltInToken(const QString& token) {
    static const QSet<QString> builtIn = {QStringLiteral("\\"),      QStringLiteral("/"),
                                          QStringLiteral("LIBRARY"), QStringLiteral("DATE"),
                                          QStringLiteral("YEAR"),    QStringLiteral("MONTH"),
                                          QStringLiteral("DAY"),     QStringLiteral("MONTHNAME")};
    return builtIn.contains(token) || token.startsWith(QLatin1String("LEFT")) ||
           token.startsWith(QLatin1String("RIGHT"));
}

QString Whole(const QString& text) {
    return FormatWhole(LeadingWhole(text));
}

QString Flag(bool set) {
    return set ? QStringLiteral("1") : QStringLiteral("0");
}

// Cells compare as numbers when both are numbers (so that 10 follows 2), otherwise as text
// ignoring case.
int CompareCells(const QString& left, const QString& right) {
    bool leftNumber = false;
    bool rightNumber = false;
    const double leftValue = left.trimmed().toDouble(&leftNumber);
    const double rightValue = right.trimmed().toDouble(&rightNumber);
    if (leftNumber && rightNumber)
        return leftValue < rightValue ? -1 : (rightValue < leftValue ? 1 : 0);
    return left.compare(right, Qt::CaseInsensitive);
}

} // namespace

DefinitionEditor::DefinitionEditor(const RuleTable& rules, const ImportSetTable& importSets,
                                   ImportSets& store, Log& log, const dm::DmSession& session)
    : m_rules(rules), m_importSets(importSets), m_store(store), m_log(log), m_session(session) {}

QStringList DefinitionEditor::ColumnTokens(const QString& templateText, const QString& securityText) {
    QStringList tokens;
    QSet<QString> seen;
    for (const QString& source : {templateText, securityText}) {
        const QString text = TrimBlanks(source);
        qsizetype open = text.indexOf(QLatin1Char('%'));
        while (open >= 0) {
            const qsizetype close = text.indexOf(QLatin1Char('%'), open + 1);
            // Without a closing "%" the rest of the text is the last token.
            const QString token =
                TrimBlanks(close < 0 ? text.mid(open + 1) : text.mid(open + 1, close - open - 1));
            if (!token.isEmpty() && !IsBuiltInToken(token) && !seen.contains(token)) {
                seen.insert(token);
                tokens.append(token);
            }
            if (close < 0)
                break;
            open = text.indexOf(QLatin1Char('%'), close + 1);
        }
    }
    return tokens;
}

QString DefinitionEditor::Cell(const DefinitionColumnRow& row, int column) {
    switch (column) {
    case ColumnName:
        return row.columnName;
    case ColumnStart:
        return row.startPos;
    case ColumnEnd:
        return row.endPos;
    case ColumnDefault:
        return row.defaultValue;
    case ColumnSort:
        return row.sort;
    default:
        return QString();
    }
}

QString DefinitionEditor::startCaption() const {
    return delimited() ? QStringLiteral("Column:") : QStringLiteral("Start:");
}

void DefinitionEditor::Busy(bool busy) noexcept {
    try {
        if (StatusView* view = m_log.statusView())
            view->setBusy(busy);
    } catch (...) {
    }
}

void DefinitionEditor::Open(const QString& mainWindowSet) {
    Busy(true);
    m_log.Yield();
    m_model = DefinitionEditorModel();
    m_boxes = DefinitionEditBoxes();
    m_editing = 0;
    m_frameCaption.clear();
    for (int row = 1; row <= m_rules.count(); ++row)
        m_model.setNames.append(m_rules.field(row, RuleTable::kName));
    // The main window's list holds the rule names of the library current at startup; after a
    // switch of library its entry may name no rule here.
    int index = static_cast<int>(m_model.setNames.indexOf(mainWindowSet));
    if (index < 0 && !m_model.setNames.isEmpty())
        index = 0;
    m_shown = index;
    if (index >= 0)
        GetDefinition(index);
    Busy(false);
}

void DefinitionEditor::GetDefinition(int index) {
    try {
        Busy(true);
        m_log.Yield();
        const QString name =
            index >= 0 && index < m_model.setNames.size() ? m_model.setNames.at(index) : QString();
        const int rule = index + 1;
        m_templateText = m_rules.field(rule, RuleTable::kTemplate);
        m_securityText = m_rules.field(rule, RuleTable::kSecurity);
        m_formText = m_rules.field(rule, RuleTable::kForm);
        m_model.delimiter.clear();
        m_model.columns.clear();
        // The rows of the list are new: no row is selected, so nothing of the boxes can be written
        // into a row of this set that merely has the old row's number.
        m_editing = 0;
        m_frameCaption.clear();
        m_sortColumn = -1;
        m_sortDescending = false;
        for (const QString& token : ColumnTokens(m_templateText, m_securityText))
            m_model.columns.push_back(DefinitionColumnRow{token, {}, {}, {}, {}});
        FillStoredValues(name);
    } catch (...) {
        ReportCurrentFault(m_log);
        m_log.ShowStatus(QStringLiteral("Error: Unable to complete this process"));
    }
    Busy(false);
}

void DefinitionEditor::FillStoredValues(const QString& setName) {
    const QString libraryName = m_session.LibraryName();
    QHash<QString, size_t> rowOfColumn;
    for (size_t i = 0; i < m_model.columns.size(); ++i)
        rowOfColumn.insert(m_model.columns[i].columnName, i);
    for (int r = 1; r <= m_importSets.count(); ++r) {
        const ImportSetRow& stored = m_importSets.row(r);
        if (stored.library != libraryName || stored.setName != setName)
            continue;
        const qsizetype colon = stored.definition.indexOf(QLatin1Char(':'));
        const QString key = TrimBlanks(colon < 0 ? stored.definition : stored.definition.left(colon));
        if (key == kDelimiterKey) {
            m_model.delimiter = colon < 0 ? QString() : stored.definition.mid(colon + 1);
            continue;
        }
        // A stored column the rule no longer names has no row; the next save drops it.
        const auto found = rowOfColumn.constFind(key);
        if (found == rowOfColumn.constEnd())
            continue;
        DefinitionColumnRow& row = m_model.columns[found.value()];
        const QStringList pieces = stored.definition.split(QLatin1Char(':'));
        QString* cells[] = {&row.startPos, &row.endPos, &row.defaultValue, &row.sort};
        for (qsizetype p = 1; p < pieces.size() && p <= 4; ++p)
            *cells[p - 1] = TrimBlanks(pieces.at(p));
    }
}

void DefinitionEditor::ClearBoxes() {
    m_boxes.start.clear();
    m_boxes.end.clear();
    m_boxes.defaultValue.clear();
}

void DefinitionEditor::ChooseSet(int index) {
    if (index == m_shown || index < 0 || index >= m_model.setNames.size())
        return;
    ClearBoxes();
    m_store.SaveDefinition(m_model, m_shown);
    GetDefinition(index);
    m_shown = index;
}

void DefinitionEditor::SelectRow(int row) {
    const int rows = static_cast<int>(m_model.columns.size());
    if (row < 1 || row > rows)
        return;
    if (m_editing >= 1 && m_editing <= rows && !m_boxes.start.isEmpty() && !m_boxes.end.isEmpty()) {
        DefinitionColumnRow& edited = m_model.columns[static_cast<size_t>(m_editing - 1)];
        edited.startPos = Whole(m_boxes.start);
        edited.endPos = Whole(m_boxes.end);
        edited.defaultValue = m_boxes.defaultValue;
        edited.sort = Flag(m_boxes.sort);
    }
    const DefinitionColumnRow& chosen = m_model.columns[static_cast<size_t>(row - 1)];
    m_frameCaption = chosen.columnName + QLatin1Char(':');
    m_boxes.start = Whole(chosen.startPos);
    m_boxes.end = Whole(chosen.endPos);
    m_boxes.defaultValue = chosen.defaultValue;
    m_boxes.sort = LeadingWhole(chosen.sort) != 0;
    m_editing = row;
}

void DefinitionEditor::Apply() {
    if (m_editing < 1 || m_editing > static_cast<int>(m_model.columns.size()))
        return;
    DefinitionColumnRow& row = m_model.columns[static_cast<size_t>(m_editing - 1)];
    row.startPos = m_boxes.start;
    row.endPos = m_boxes.end;
    row.defaultValue = m_boxes.defaultValue;
    row.sort = Flag(m_boxes.sort);
}

void DefinitionEditor::StartLostFocus() {
    m_boxes.start = Whole(m_boxes.start);
}

void DefinitionEditor::EndLostFocus() {
    m_boxes.end = Whole(m_boxes.end);
}

void DefinitionEditor::SortByColumn(int column) {
    if (column < 0 || column >= ListColumnCount)
        return;
    try {
        m_sortDescending = column == m_sortColumn ? !m_sortDescending : false;
        m_sortColumn = column;
        std::vector<size_t> order(m_model.columns.size());
        std::iota(order.begin(), order.end(), size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            const int compared =
                CompareCells(Cell(m_model.columns[a], column), Cell(m_model.columns[b], column));
            return m_sortDescending ? compared > 0 : compared < 0;
        });
        std::vector<DefinitionColumnRow> sorted;
        sorted.reserve(order.size());
        int editing = 0;
        for (size_t i = 0; i < order.size(); ++i) {
            sorted.push_back(m_model.columns[order[i]]);
            // The row in the boxes stays the one being edited, wherever it moved.
            if (static_cast<int>(order[i]) + 1 == m_editing)
                editing = static_cast<int>(i) + 1;
        }
        m_model.columns = std::move(sorted);
        m_editing = editing;
    } catch (...) {
        m_log.ShowStatus(QStringLiteral("Error: Unable to process this item"));
        ReportCurrentFault(m_log);
    }
}

void DefinitionEditor::Close() {
    m_store.SaveDefinition(m_model, m_shown);
    Busy(false);
}

} // namespace vantrelis
