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

const QString kEndCaption = QStringLiteral("End");

// The start box numbers a field of a delimited line, a character of a fixed one.
QString PositionCaption(bool delimited) {
    return delimited ? QStringLiteral("Column") : QStringLiteral("Start");
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
    return PositionCaption(delimited()) + QLatin1Char(':');
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
    m_keptStart.clear();
    m_keptEnd.clear();
    m_delimiterMessage.clear();
    m_boxMessage.clear();
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
        m_keptStart = m_boxes.start;
        m_keptEnd = m_boxes.end;
        m_boxMessage.clear();
        m_sortColumn = -1;
        m_sortDescending = false;
        for (const QString& token : ColumnTokens(m_templateText, m_securityText))
            m_model.columns.push_back(DefinitionColumnRow{token, {}, {}, {}, {}});
        FillStoredValues(name);
        // A delimiter saved before it was checked is shown as it is, with what is wrong with it.
        m_delimiterMessage = DelimiterProblem(m_model.delimiter);
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
    m_keptStart.clear();
    m_keptEnd.clear();
    m_boxMessage.clear();
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
    SettleBoxes();
    if (m_editing >= 1 && m_editing <= rows && !m_boxes.start.isEmpty() && !m_boxes.end.isEmpty()) {
        DefinitionColumnRow& edited = m_model.columns[static_cast<size_t>(m_editing - 1)];
        edited.startPos = Whole(m_boxes.start);
        edited.endPos = Whole(m_boxes.end);
        edited.defaultValue = m_boxes.defaultValue;
        edited.sort = Flag(m_boxes.sort);
    }
    LoadRow(m_model.columns[static_cast<size_t>(row - 1)]);
    m_editing = row;
}

void DefinitionEditor::LoadRow(const DefinitionColumnRow& row) {
    m_frameCaption = row.columnName + QLatin1Char(':');
    m_boxes.start = m_keptStart = Whole(row.startPos);
    m_boxes.end = m_keptEnd = Whole(row.endPos);
    m_boxes.defaultValue = row.defaultValue;
    m_boxes.sort = LeadingWhole(row.sort) != 0;
    // A row saved before these checks may hold a position out of range: say so while it is shown.
    QString problem = PositionProblem(PositionCaption(delimited()), m_boxes.start);
    if (problem.isEmpty() && !delimited())
        problem = PositionProblem(kEndCaption, m_boxes.end);
    if (!problem.isEmpty())
        m_boxMessage = problem;
}

void DefinitionEditor::Apply() {
    if (m_editing < 1 || m_editing > static_cast<int>(m_model.columns.size()))
        return;
    SettleBoxes();
    DefinitionColumnRow& row = m_model.columns[static_cast<size_t>(m_editing - 1)];
    row.startPos = m_boxes.start;
    row.endPos = m_boxes.end;
    row.defaultValue = m_boxes.defaultValue;
    row.sort = Flag(m_boxes.sort);
}

bool DefinitionEditor::SettleBox(QString& box, QString& kept, const QString& caption) {
    // Leaving a box unchanged refuses nothing, also an empty one while no row is chosen.
    if (box == kept)
        return true;
    const QString problem = PositionProblem(caption, box);
    if (!problem.isEmpty()) {
        box = kept;
        m_boxMessage = problem;
        return false;
    }
    box = Whole(box);
    kept = box;
    m_boxMessage.clear();
    return true;
}

bool DefinitionEditor::SettleBoxes() {
    const bool start = StartLostFocus();
    const bool end = EndLostFocus();
    return start && end;
}

bool DefinitionEditor::StartLostFocus() {
    return SettleBox(m_boxes.start, m_keptStart, PositionCaption(delimited()));
}

bool DefinitionEditor::EndLostFocus() {
    return SettleBox(m_boxes.end, m_keptEnd, kEndCaption);
}

bool DefinitionEditor::setDelimiter(const QString& delimiter) {
    m_delimiterMessage = DelimiterProblem(delimiter);
    // A delimiter saved before it was checked can still be shortened a character at a time.
    const bool shortening =
        !DelimiterProblem(m_model.delimiter).isEmpty() && delimiter.size() < m_model.delimiter.size();
    if (!m_delimiterMessage.isEmpty() && !shortening)
        return false;
    m_model.delimiter = delimiter;
    return true;
}

bool DefinitionEditor::setDefault(const QString& text) {
    const QString problem = DefaultProblem(text);
    if (!problem.isEmpty()) {
        m_boxMessage = problem;
        return false;
    }
    // The message stays while the rest of the default is typed, so that it can be read.
    m_boxes.defaultValue = text;
    return true;
}

QString DefinitionEditor::PositionProblem(const QString& caption, const QString& text) {
    const QString digits = TrimBlanks(text);
    bool whole = !digits.isEmpty();
    for (const QChar c : digits)
        whole = whole && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    bool ok = false;
    const qint64 value = whole ? digits.toLongLong(&ok) : 0;
    if (ok && value <= kLargestPosition)
        return QString();
    return caption + QStringLiteral(" must be a whole number from 0 to ") + FormatWhole(kLargestPosition);
}

QString DefinitionEditor::DelimiterProblem(const QString& delimiter) {
    if (delimiter.isEmpty())
        return QString();
    if (delimiter.size() != 1)
        return QStringLiteral("The delimiter is one character");
    // The stored text is trimmed of blanks, and line breaks become blanks: such a delimiter would be
    // lost on saving, and the set would be read as fixed columns.
    const QChar c = delimiter.at(0);
    if (c == QLatin1Char(' ') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
        return QStringLiteral("A blank cannot be the delimiter");
    return QString();
}

QString DefinitionEditor::DefaultProblem(const QString& defaultValue) {
    return defaultValue.contains(QLatin1Char(':')) ? QStringLiteral("A default cannot hold \":\"")
                                                   : QString();
}

QString DefinitionEditor::setMessage() const {
    if (m_shown < 0 || m_shown >= m_model.setNames.size() || !m_model.columns.empty())
        return QString();
    return ImportSets::NoColumnsText(m_model.setNames.at(m_shown)) +
           QStringLiteral(": the template and security of its rule name none");
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
