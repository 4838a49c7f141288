#include "dm/local/DeferredRows.h"

namespace vantrelis::dm::local {

void DeferredRows::keep() {
    if (!m_marks.empty())
        m_marks.pop_back();
}

void DeferredRows::drop() {
    if (m_marks.empty())
        return;
    m_rows.erase(m_rows.begin() + qsizetype(m_marks.back()), m_rows.end());
    m_marks.pop_back();
}

void DeferredRows::add(const QString& head, QVariantList values) {
    m_rows.push_back({head, std::move(values)});
}

QVariantList* DeferredRows::lastOfLevel(const QString& head) {
    if (m_marks.empty() || m_rows.size() <= m_marks.back() || m_rows.back().head != head)
        return nullptr;
    return &m_rows.back().values;
}

const QString& DeferredRows::text(const QString& head, qsizetype columns, int rows) {
    const std::pair<QString, int> key{head, rows};
    auto found = m_texts.find(key);
    if (found != m_texts.end())
        return *found;
    QString sql = head + QLatin1String(" VALUES ");
    int parameter = 0;
    for (int row = 0; row < rows; ++row) {
        sql += row == 0 ? QLatin1String("(") : QLatin1String(", (");
        for (qsizetype column = 0; column < columns; ++column) {
            if (column > 0)
                sql += QLatin1String(", ");
            sql += QLatin1Char('?') + QString::number(++parameter);
        }
        sql += QLatin1Char(')');
    }
    return *m_texts.insert(key, sql);
}

std::vector<DeferredRows::Statement> DeferredRows::take() {
    std::vector<Statement> statements;
    size_t next = 0;
    while (next < m_rows.size()) {
        // Rows of one head and width in a row: the largest power of two of them, up to the limit,
        // goes into one statement, so that few statement texts come up.
        const Row& first = m_rows[next];
        size_t same = 1;
        while (next + same < m_rows.size() && same < size_t(kMaxRowsPerStatement) &&
               m_rows[next + same].head == first.head &&
               m_rows[next + same].values.size() == first.values.size())
            ++same;
        int rows = 1;
        while (size_t(rows) * 2 <= same)
            rows *= 2;
        Statement statement{text(first.head, first.values.size(), rows), {}};
        statement.params.reserve(first.values.size() * rows);
        for (size_t row = next; row < next + size_t(rows); ++row)
            statement.params.append(std::move(m_rows[row].values));
        statements.push_back(std::move(statement));
        next += size_t(rows);
    }
    m_rows.clear();
    return statements;
}

} // namespace vantrelis::dm::local
