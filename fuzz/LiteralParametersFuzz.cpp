// Differential check of the statement shaper: a statement with its values in the text and the shaped
// statement with those values bound as parameters must answer the same rows and leave the library
// the same, on a scratch library in memory. A difference aborts, which libFuzzer reports with the
// input that caused it.
//
// The first byte chooses the statement: a multiple of 4 takes the rest of the input as the statement
// text as it is; any other value lets the bytes drive a small grammar of the queries and writes the
// program sends (comparisons, IN and VALUES lists, LIKE, BETWEEN, sub-queries, ORDER BY, LIMIT).

#include "dm/local/LiteralParameters.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>

using vantrelis::dm::local::LiteralParameters;
using vantrelis::dm::local::ParameterizeLiterals;

namespace {

[[noreturn]] void Fail(const char* what, const QString& literal, const QString& shaped,
                       const QString& detail) {
    std::fprintf(stderr, "shaped statement differs (%s)\n  literal: %s\n  shaped:  %s\n  %s\n", what,
                 literal.toUtf8().constData(), shaped.toUtf8().constData(), detail.toUtf8().constData());
    std::abort();
}

// The scratch library: two tables shaped like the program's, with texts that look like numbers,
// apostrophes, blanks, NULLs and a document number missing.
const char* const kSchema = R"(
CREATE TABLE PROFILE (SYSTEM_ID INTEGER PRIMARY KEY, DOCNUMBER INTEGER, DOCNAME TEXT, AUTHOR TEXT,
                      SCORE REAL, EXTRA);
CREATE INDEX PROFILE_DOCNUMBER ON PROFILE (DOCNUMBER);
CREATE INDEX PROFILE_DOCNAME ON PROFILE (DOCNAME);
CREATE TABLE FOLDER_ITEM (SYSTEM_ID INTEGER PRIMARY KEY, PARENT INTEGER NOT NULL, DOCNUMBER INTEGER,
                          DISPLAYNAME TEXT COLLATE NOCASE);
CREATE INDEX FOLDER_ITEM_PARENT ON FOLDER_ITEM (PARENT);
INSERT INTO PROFILE VALUES (1, 5001, 'Invoices', 'JSMITH', 1.5, '5001'),
  (2, 5002, 'It''s here', 'MJONES', -2, 5002), (3, 5003, '5002', NULL, 0, NULL),
  (4, NULL, ' padded ', 'jsmith', 1e10, X'00FF'), (5, 9223372036854775807, '', 'A%B', 2.0, 2),
  (6, -1, 'ÄÖÜ straße', 'LEGAL', NULL, 'x''y'), (7, 0, 'invoices', 'JSMITH', 3, -0.0);
INSERT INTO FOLDER_ITEM VALUES (10, 5001, 5002, 'It''s here'), (11, 5001, NULL, 'orphan'),
  (12, 5002, 5003, '5002'), (13, 0, 5001, 'Invoices'), (14, 5003, 5003, 'INVOICES');
)";

sqlite3* Library() {
    static sqlite3* db = [] {
        sqlite3* opened = nullptr;
        if (sqlite3_open(":memory:", &opened) != SQLITE_OK ||
            sqlite3_exec(opened, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "scratch library: %s\n", sqlite3_errmsg(opened));
            std::abort();
        }
        return opened;
    }();
    return db;
}

QString Value(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return QStringLiteral("i:") + QString::number(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return QStringLiteral("f:") + QString::number(sqlite3_column_double(statement, column), 'g', 17);
    case SQLITE_TEXT:
        return QStringLiteral("t:") +
               QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                 sqlite3_column_bytes(statement, column));
    case SQLITE_BLOB:
        return QStringLiteral("b:") +
               QString::fromLatin1(
                   QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                              sqlite3_column_bytes(statement, column))
                       .toHex());
    default:
        return QStringLiteral("null");
    }
}

QStringList Rows(sqlite3_stmt* statement, int* rc) {
    QStringList rows;
    while ((*rc = sqlite3_step(statement)) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            row << QString::fromUtf8(sqlite3_column_name(statement, c)) + QLatin1Char('=') +
                       Value(statement, c);
        rows << row.join(QLatin1Char('|'));
    }
    return rows;
}

// What a statement did: whether it prepared, its rows (as a set: the plan may order them either way)
// or the error it ended with, and the library's rows after it.
struct Outcome {
    bool prepared = false;
    QString answer;
};

Outcome Run(const QString& sql, const QVariantList& values) {
    sqlite3* db = Library();
    Outcome out;
    // SQLite draws a random rowid once the largest one is taken: both runs draw the same.
    sqlite3_test_control(SQLITE_TESTCTRL_PRNG_SEED, 1, nullptr);
    sqlite3_exec(db, "SAVEPOINT fuzz", nullptr, nullptr, nullptr);
    sqlite3_stmt* statement = nullptr;
    const void* tail = nullptr;
    if (sqlite3_prepare16_v2(db, sql.utf16(), int(sql.size() * sizeof(QChar)), &statement, &tail) ==
            SQLITE_OK &&
        statement) {
        out.prepared = true;
        int rc = SQLITE_OK;
        for (int i = 0; i < values.size() && rc == SQLITE_OK; ++i) {
            const QVariant& value = values.at(i);
            if (value.typeId() == QMetaType::LongLong) {
                rc = sqlite3_bind_int64(statement, i + 1, value.toLongLong());
            } else {
                const QString text = value.toString();
                rc = sqlite3_bind_text16(statement, i + 1, text.utf16(), int(text.size() * sizeof(QChar)),
                                         SQLITE_TRANSIENT);
            }
        }
        if (rc != SQLITE_OK) {
            out.answer = QStringLiteral("bind error %1").arg(rc);
        } else {
            QStringList rows = Rows(statement, &rc);
            std::sort(rows.begin(), rows.end());
            // The count of changes is a write's own; a query leaves the last write's standing.
            const int changes =
                rc != SQLITE_DONE ? -1 : (sqlite3_stmt_readonly(statement) ? 0 : sqlite3_changes(db));
            out.answer =
                rows.join(QLatin1Char('\n')) + QStringLiteral("\nend %1 changes %2").arg(rc).arg(changes);
        }
        sqlite3_finalize(statement);
        for (const char* table : {"PROFILE", "FOLDER_ITEM"}) {
            sqlite3_stmt* dump = nullptr;
            const QByteArray select = QByteArray("SELECT * FROM ") + table + " ORDER BY SYSTEM_ID";
            sqlite3_prepare_v2(db, select.constData(), -1, &dump, nullptr);
            int dumpRc = SQLITE_OK;
            out.answer += QLatin1Char('\n') + Rows(dump, &dumpRc).join(QLatin1Char('\n'));
            sqlite3_finalize(dump);
        }
    }
    sqlite3_exec(db, "ROLLBACK TO fuzz; RELEASE fuzz", nullptr, nullptr, nullptr);
    return out;
}

// Reads the grammar's choices from the input's bytes; zeros once they run out.
class Choices {
public:
    Choices(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    unsigned next(unsigned count) { return m_at < m_size ? m_data[m_at++] % count : 0; }
    bool more() const { return m_at < m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

class Grammar {
public:
    explicit Grammar(Choices& choices) : m_in(choices) {}

    QString statement() {
        switch (m_in.next(6)) {
        case 0:
            return QStringLiteral("UPDATE PROFILE SET DOCNAME = %1, SCORE = %2 WHERE %3")
                .arg(literal(), literal(), condition(0));
        case 1:
            return QStringLiteral("DELETE FROM FOLDER_ITEM WHERE ") + condition(0);
        case 2:
            return QStringLiteral(
                       "INSERT INTO FOLDER_ITEM (SYSTEM_ID, PARENT, DOCNUMBER, DISPLAYNAME) VALUES ") +
                   QStringLiteral("(%1, %2, %3, %4)").arg(literal(), literal(), literal(), literal()) +
                   (m_in.next(2) ? QStringLiteral(", (%1, 7, %2, %3)").arg(literal(), literal(), literal())
                                 : QString());
        default:
            return query(0);
        }
    }

private:
    QString keyword(const char* word) {
        QString text = QLatin1String(word);
        switch (m_in.next(4)) {
        case 1:
            return text.toLower();
        case 2:
            return QStringLiteral("\n") + text + QStringLiteral("  ");
        case 3:
            return QStringLiteral("/*c*/") + text;
        default:
            return text;
        }
    }

    QString column() {
        static const char* const columns[] = {"SYSTEM_ID", "DOCNUMBER", "DOCNAME",
                                              "AUTHOR",    "SCORE",     "EXTRA"};
        return QLatin1String(columns[m_in.next(6)]);
    }

    QString literal() {
        static const char* const numbers[] = {"0",
                                              "1",
                                              "-1",
                                              "5002",
                                              "5001",
                                              "9223372036854775807",
                                              "9223372036854775808",
                                              "007",
                                              "1e3",
                                              "2.0",
                                              "0x10",
                                              ".5",
                                              "2",
                                              "- 1",
                                              "+5002"};
        static const char* const texts[] = {
            "''",    "'Invoices'", "'It''s here'", "'5002'", "' padded '", "'invoices'", "'ÄÖÜ straße'",
            "'A%B'", "'x''y'",     "'5001 '",      "'?'",    "'--'",       "'/*'"};
        switch (m_in.next(8)) {
        case 0:
        case 1:
        case 2:
            return QLatin1String(numbers[m_in.next(std::size(numbers))]);
        case 3:
        case 4:
        case 5:
            return QString::fromUtf8(texts[m_in.next(std::size(texts))]);
        case 6:
            return QLatin1String(m_in.next(2) ? "NULL" : "X'00FF'");
        default:
            return QLatin1String(m_in.next(2) ? "N'5002'" : "CAST('5002' AS INTEGER)");
        }
    }

    QString comparison() {
        static const char* const operators[] = {"=",  "==", "<>", "!=",   "<",
                                                "<=", ">",  ">=", " IS ", " IS NOT "};
        return QLatin1String(operators[m_in.next(std::size(operators))]);
    }

    QString list() {
        QStringList members{literal()};
        while (members.size() < 5 && m_in.next(2))
            members << literal();
        return QLatin1Char('(') + members.join(m_in.next(2) ? QStringLiteral(", ") : QStringLiteral(",")) +
               QLatin1Char(')');
    }

    QString atom(int depth) {
        switch (m_in.next(depth < 3 ? 10 : 6)) {
        case 0:
        case 1:
            return column() + comparison() + literal();
        case 2:
            return literal() + comparison() + column();
        case 3:
            return column() + keyword(m_in.next(2) ? " IN " : " NOT IN ") + list();
        case 4:
            return column() + keyword(" LIKE ") + literal();
        case 5:
            return column() + keyword(" BETWEEN ") + literal() + keyword(" AND ") + literal();
        case 6:
            return keyword("NOT ") + QLatin1Char('(') + condition(depth + 1) + QLatin1Char(')');
        case 7:
            return column() + keyword(" IN ") + QStringLiteral("(SELECT DOCNUMBER FROM FOLDER_ITEM WHERE ") +
                   condition(depth + 1) + QLatin1Char(')');
        case 8:
            return QStringLiteral("CASE WHEN %1 THEN %2 ELSE %3 END%4%5")
                .arg(condition(depth + 1), literal(), literal(), comparison(), literal());
        default:
            return column() + comparison() +
                   QStringLiteral("(SELECT COUNT(*) FROM FOLDER_ITEM WHERE %1)").arg(condition(depth + 1));
        }
    }

    QString condition(int depth) {
        QString text = atom(depth);
        while (m_in.more() && m_in.next(3) == 0)
            text += keyword(m_in.next(2) ? " AND " : " OR ") + atom(depth);
        return text;
    }

    QString query(int depth) {
        QString text = keyword("SELECT ");
        switch (m_in.next(4)) {
        case 0:
            text += QLatin1Char('*');
            break;
        case 1:
            text += column() + QStringLiteral(", ") + literal() + comparison() + column();
            break;
        case 2:
            text += QStringLiteral("COUNT(*), MAX(") + column() + QLatin1Char(')');
            break;
        default:
            text += literal() + QStringLiteral(", ") + column();
        }
        text += keyword(" FROM ") + QStringLiteral("PROFILE") + keyword(" WHERE ") + condition(depth);
        switch (m_in.next(4)) {
        case 1:
            text += keyword(" ORDER BY ") + QStringLiteral("SYSTEM_ID") + keyword(" LIMIT ") + literal();
            break;
        case 2:
            text += keyword(" GROUP BY ") + QStringLiteral("AUTHOR") + keyword(" HAVING ") +
                    QStringLiteral("COUNT(*)") + comparison() + literal();
            break;
        case 3:
            text +=
                keyword(" UNION ") + QStringLiteral("SELECT * FROM PROFILE WHERE ") + condition(depth + 1);
            break;
        default:
            break;
        }
        return text;
    }

    Choices& m_in;
};

// Statements whose answer depends on more than their text and the library.
bool Deterministic(const QString& sql) {
    const QString upper = sql.toUpper();
    for (const char* word :
         {"RANDOM", "CHANGES", "LAST_INSERT_ROWID", "CURRENT_", "DATE(", "TIME(", "JULIANDAY", "SQLITE_"})
        if (upper.contains(QLatin1String(word)))
            return false;
    // Without an order, a limit may pick other rows under another plan.
    return !upper.contains(QLatin1String("LIMIT")) || upper.contains(QLatin1String("ORDER"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 4096)
        return 0;
    QString sql;
    if (data[0] % 4 == 0) {
        sql = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
        if (sql.contains(QChar(0)))
            return 0;
    } else {
        Choices choices(data + 1, size - 1);
        sql = Grammar(choices).statement();
    }
    if (!Deterministic(sql))
        return 0;

    const LiteralParameters shaped = ParameterizeLiterals(sql);
    if (!shaped.changed()) {
        if (shaped.text != sql && !shaped.text.isEmpty())
            Fail("text changed without values", sql, shaped.text, QString());
        return 0;
    }
    // One statement at a time, as the program sends them.
    sqlite3_stmt* first = nullptr;
    const void* tail = nullptr;
    if (sqlite3_prepare16_v2(Library(), sql.utf16(), int(sql.size() * sizeof(QChar)), &first, &tail) !=
        SQLITE_OK) {
        sqlite3_finalize(first);
        return 0;
    }
    sqlite3_finalize(first);
    if (tail && !QString::fromUtf16(static_cast<const char16_t*>(tail)).trimmed().isEmpty())
        return 0;

    const Outcome literal = Run(sql, {});
    if (!literal.prepared)
        return 0;
    const Outcome parameterised = Run(shaped.text, shaped.values);
    if (!parameterised.prepared)
        Fail("does not prepare", sql, shaped.text, QString::fromUtf8(sqlite3_errmsg(Library())));
    if (parameterised.answer != literal.answer)
        Fail("answers differ", sql, shaped.text,
             QStringLiteral("literal answer:\n%1\nshaped answer:\n%2")
                 .arg(literal.answer, parameterised.answer));
    return 0;
}
