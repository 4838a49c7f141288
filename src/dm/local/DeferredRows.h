#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

namespace vantrelis::dm::local {

// Rows a transaction writes to tables nothing in it reads back (the run journal), kept until just
// before the transaction commits and then written together, a few multi-row INSERTs instead of one
// statement a row. Each transaction level has a mark: a level rolled back drops the rows added
// inside it, a level committed leaves its rows to the level around it.
class DeferredRows {
public:
    // One statement of the rows: the INSERT text and its values.
    struct Statement {
        QString sql;
        QVariantList params;
    };

    // Whether a transaction level is open (rows are kept rather than written).
    bool open() const { return !m_marks.empty(); }
    // A level begins.
    void enter() { m_marks.push_back(m_rows.size()); }
    // A level inside another commits: its rows are the outer level's now.
    void keep();
    // A level rolls back: its rows go with it.
    void drop();
    // Every level ends at once (the connection is gone).
    void clear() {
        m_rows.clear();
        m_marks.clear();
    }
    // `head` is the statement up to its values: "INSERT INTO T (A, B, C)"; one value per column.
    void add(const QString& head, QVariantList values);
    // The rows kept so far as statements, in the order they were added; they are kept no longer.
    std::vector<Statement> take();
    bool empty() const { return m_rows.empty(); }
    // The values of the last row kept, when it has `head` and the innermost open level holds it (a
    // change to it goes or stays with that level); nullptr otherwise.
    QVariantList* lastOfLevel(const QString& head);

    // The most rows one statement carries (the variables a statement may have are limited).
    static constexpr int kMaxRowsPerStatement = 64;

private:
    struct Row {
        QString head;
        QVariantList values;
    };
    // The text of `head` with `rows` groups of `columns` parameters (?1, ?2, ...).
    const QString& text(const QString& head, qsizetype columns, int rows);

    std::vector<Row> m_rows;
    std::vector<size_t> m_marks;
    // Statement texts made so far, by head and row count: a few of them, as the row counts are
    // powers of two.
    QHash<std::pair<QString, int>, QString> m_texts;
};

} // namespace vantrelis::dm::local
