#include "support/RecordingSql.h"

#include "common/Fault.h"

namespace vantrelis::testing {

void RecordingSql::on(const QString& fragment, const SqlAnswer& answer) {
    m_rules.insert(m_rules.begin(), Rule{fragment, answer, false, 0, QString()});
}

void RecordingSql::failOn(const QString& fragment, qint64 number, const QString& description) {
    m_rules.insert(m_rules.begin(), Rule{fragment, SqlAnswer{}, true, number, description});
}

void RecordingSql::clearRecord() {
    m_executed.clear();
    m_tokens.clear();
    m_libraries.clear();
    m_releases = 0;
    m_rowsSet.clear();
}

void RecordingSql::setToken(const QString& token) {
    m_tokens.append(token);
}

void RecordingSql::setLibrary(const QString& libraryName) {
    m_libraries.append(libraryName);
    m_bound = true;
}

int RecordingSql::engineCode() const {
    return !m_bound || m_unbound ? 0 : m_engine;
}

qint64 RecordingSql::execute(const QString& instruction) {
    m_executed.append(instruction);
    m_current = SqlAnswer{};
    m_row = 0;
    for (const Rule& rule : m_rules) {
        if (!instruction.contains(rule.fragment))
            continue;
        if (rule.raises)
            throw Fault(rule.faultNumber, QStringLiteral("RecordingSql"), rule.faultText);
        m_current = rule.answer;
        break;
    }
    // Like the DM object, no row is current until the caller sets one.
    return m_current.answer;
}

int RecordingSql::columnCount() const {
    return m_current.rows.empty() ? 0 : static_cast<int>(m_current.rows.front().size());
}

QString RecordingSql::columnValue(int column) const {
    if (m_row < 1 || m_row > rowCount())
        return QString();
    const QStringList& values = m_current.rows[static_cast<size_t>(m_row - 1)];
    return column >= 1 && column <= values.size() ? values.at(column - 1) : QString();
}

QString RecordingSql::columnName(int column) const {
    return QStringLiteral("COLUMN") + QString::number(column);
}

void RecordingSql::setRow(int row) {
    m_rowsSet.push_back(row);
    m_row = row;
}

int RecordingSql::nextRow() {
    if (m_row >= rowCount())
        return 0;
    ++m_row;
    return 1;
}

void RecordingSql::releaseResults() {
    ++m_releases;
    m_current = SqlAnswer{};
    m_row = 0;
}

qint64 RecordingSql::nextKey(const QString&) {
    return ++m_key;
}

void RecordingSql::beginTransaction() {
    m_executed.append(QStringLiteral("<begin>"));
}

void RecordingSql::commitTransaction() {
    m_executed.append(QStringLiteral("<commit>"));
}

void RecordingSql::rollbackTransaction() noexcept {
    m_executed.append(QStringLiteral("<rollback>"));
}

} // namespace vantrelis::testing
