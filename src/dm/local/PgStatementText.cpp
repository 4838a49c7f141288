#include "dm/local/PgStatementText.h"

namespace vantrelis::dm::local {

namespace {

bool IsWordPart(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') || c == QLatin1Char('#');
}

bool IsHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// One past the end of a quoted run that opens at `start`; a doubled quote stands for one.
qsizetype QuotedEnd(const QString& sql, qsizetype start) {
    const QChar quote = sql.at(start);
    qsizetype i = start + 1;
    while (i < sql.size()) {
        if (sql.at(i) == quote) {
            if (i + 1 < sql.size() && sql.at(i + 1) == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

// One past the end of a comment that opens at `start`, or `start` when none opens there.
qsizetype CommentEnd(const QString& sql, qsizetype start) {
    if (sql.mid(start, 2) == QLatin1String("--")) {
        const qsizetype end = sql.indexOf(QLatin1Char('\n'), start);
        return end < 0 ? sql.size() : end + 1;
    }
    if (sql.mid(start, 2) == QLatin1String("/*")) {
        const qsizetype end = sql.indexOf(QLatin1String("*/"), start + 2);
        return end < 0 ? sql.size() : end + 2;
    }
    return start;
}

// Whether only blanks, semicolons and comments follow `start`.
bool OnlyFillerFrom(const QString& sql, qsizetype start) {
    qsizetype i = start;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        if (c.isSpace() || c == QLatin1Char(';')) {
            ++i;
            continue;
        }
        const qsizetype end = CommentEnd(sql, i);
        if (end == i)
            return false;
        i = end;
    }
    return true;
}

} // namespace

PgStatementText PgStatementText::From(const QString& sql) {
    PgStatementText out;
    out.text.reserve(sql.size() + 8);
    int lastBare = 0;
    qsizetype i = 0;
    bool seenToken = false;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = QuotedEnd(sql, i);
            out.text += QStringView(sql).mid(i, end - i);
            i = end;
            seenToken = true;
            continue;
        }
        const qsizetype commentEnd = CommentEnd(sql, i);
        if (commentEnd != i) {
            out.text += QStringView(sql).mid(i, commentEnd - i);
            i = commentEnd;
            continue;
        }
        if (c == QLatin1Char(';')) {
            if (!OnlyFillerFrom(sql, i + 1))
                out.several = true;
            break;
        }
        if (c == QLatin1Char('?')) {
            qsizetype j = i + 1;
            while (j < sql.size() && sql.at(j).isDigit())
                ++j;
            int number = j > i + 1 ? sql.mid(i + 1, j - i - 1).toInt() : lastBare + 1;
            lastBare = number;
            out.parameters = qMax(out.parameters, number);
            out.text += QLatin1Char('$') + QString::number(number);
            i = j;
            seenToken = true;
            continue;
        }
        const bool wordStart = i == 0 || !IsWordPart(sql.at(i - 1));
        if (wordStart && c == QLatin1Char('0') && i + 2 < sql.size() &&
            (sql.at(i + 1) == QLatin1Char('x') || sql.at(i + 1) == QLatin1Char('X')) &&
            IsHexDigit(sql.at(i + 2))) {
            qsizetype j = i + 2;
            while (j < sql.size() && IsHexDigit(sql.at(j)))
                ++j;
            bool ok = false;
            const qulonglong value = sql.mid(i + 2, j - i - 2).toULongLong(&ok, 16);
            if (ok && (j >= sql.size() || !IsWordPart(sql.at(j)))) {
                out.text += QString::number(value);
                i = j;
                seenToken = true;
                continue;
            }
        }
        if (wordStart && IsWordPart(c) && !seenToken) {
            qsizetype j = i;
            while (j < sql.size() && IsWordPart(sql.at(j)))
                ++j;
            out.firstKeyword = sql.mid(i, j - i).toUpper();
            out.text += QStringView(sql).mid(i, j - i);
            i = j;
            seenToken = true;
            continue;
        }
        if (!c.isSpace())
            seenToken = true;
        out.text += c;
        ++i;
    }
    out.empty = !seenToken;
    return out;
}

} // namespace vantrelis::dm::local
