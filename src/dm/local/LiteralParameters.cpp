#include "dm/local/LiteralParameters.h"

#include <vector>

namespace vantrelis::dm::local {

namespace {

bool IsIdentifierStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}

bool IsIdentifierPart(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') || c == QLatin1Char('#');
}

bool IsDml(const QString& sql) {
    qsizetype i = 0;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    const QStringView first = QStringView(sql).mid(i, 6);
    for (const char* keyword : {"SELECT", "INSERT", "UPDATE", "DELETE"})
        if (first.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The end of a quoted run starting at `start` (the opening quote): one past the closing quote, a
// doubled quote standing for one; the text's end when it is not closed.
qsizetype QuotedEnd(const QString& sql, qsizetype start, QChar close) {
    qsizetype i = start + 1;
    while (i < sql.size()) {
        if (sql.at(i) == close) {
            if (close == QLatin1Char(']') || i + 1 >= sql.size() || sql.at(i + 1) != close)
                return i + 1;
            ++i;
        }
        ++i;
    }
    return sql.size();
}

qsizetype NextSignificant(const QString& sql, qsizetype i) {
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    return i;
}

} // namespace

LiteralParameters ParameterizeLiterals(const QString& sql) {
    LiteralParameters out;
    if (!IsDml(sql) || sql.contains(QLatin1Char('?')))
        return out;
    enum class Before { Other, Comparison, ListKeyword, ListOpen, ListComma };
    Before before = Before::Other;
    std::vector<bool> lists; // per open parenthesis: whether it holds a VALUES or IN list
    QString text;
    text.reserve(sql.size() + 16);
    QVariantList values;
    // A query's select list keeps its values: they name the columns of its answer.
    bool pastSelectList =
        !QStringView(sql).trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive);
    auto eligible = [&](qsizetype end) {
        if (!pastSelectList)
            return false;
        if (before == Before::Comparison)
            return true;
        if (before != Before::ListOpen && before != Before::ListComma)
            return false;
        const qsizetype next = NextSignificant(sql, end);
        return next < sql.size() && (sql.at(next) == QLatin1Char(',') || sql.at(next) == QLatin1Char(')'));
    };
    // The text is copied in runs: what lies between two values taken out goes over in one piece.
    qsizetype copied = 0;
    auto parameter = [&](qsizetype start, qsizetype end, const QVariant& value) {
        text += QStringView(sql).mid(copied, start - copied);
        values.append(value);
        text += QLatin1Char('?') + QString::number(values.size());
        copied = end;
    };

    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < sql.size() ? sql.at(i + 1) : QChar();
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('-') && next == QLatin1Char('-')) { // comment to the line's end
            const qsizetype end = sql.indexOf(QLatin1Char('\n'), i);
            const qsizetype stop = end < 0 ? sql.size() : end;
            i = stop;
            continue;
        }
        if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            const qsizetype stop = end < 0 ? sql.size() : end + 2;
            i = stop;
            continue;
        }
        if (c == QLatin1Char('\'')) {
            const qsizetype end = QuotedEnd(sql, i, c);
            const bool closed = end - i >= 2 && sql.at(end - 1) == QLatin1Char('\'');
            if (closed && eligible(end))
                parameter(i, end,
                          sql.mid(i + 1, end - i - 2).replace(QLatin1String("''"), QLatin1String("'")));
            before = Before::Other;
            i = end;
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
            const qsizetype end = QuotedEnd(sql, i, c == QLatin1Char('[') ? QChar(u']') : c);
            before = Before::Other;
            i = end;
            continue;
        }
        if (IsIdentifierStart(c)) {
            qsizetype end = i + 1;
            while (end < sql.size() && IsIdentifierPart(sql.at(end)))
                ++end;
            // X'0A' and N'text' are one literal with their prefix: left as written.
            if (end - i == 1 && end < sql.size() && sql.at(end) == QLatin1Char('\''))
                end = QuotedEnd(sql, end, QLatin1Char('\''));
            const QStringView word = QStringView(sql).mid(i, end - i);
            auto is = [&word](QLatin1String keyword) {
                return word.size() == keyword.size() && word.compare(keyword, Qt::CaseInsensitive) == 0;
            };
            if (lists.empty() && is(QLatin1String("FROM")))
                pastSelectList = true;
            // IN (SELECT ...): a subquery, whose commas separate no list of values.
            if (!lists.empty() && lists.back() && is(QLatin1String("SELECT")))
                lists.back() = false;
            before =
                is(QLatin1String("VALUES")) || is(QLatin1String("IN")) ? Before::ListKeyword : Before::Other;
            i = end;
            continue;
        }
        if (c.isDigit()) {
            qsizetype end = i;
            while (end < sql.size() && sql.at(end).isDigit())
                ++end;
            // Decimals, exponents, hexadecimal and the like stay as written.
            const bool whole =
                end >= sql.size() || (!IsIdentifierPart(sql.at(end)) && sql.at(end) != QLatin1Char('.'));
            bool fits = false;
            const qint64 number = QStringView(sql).mid(i, end - i).toLongLong(&fits);
            if (!whole) {
                while (end < sql.size() && (IsIdentifierPart(sql.at(end)) || sql.at(end) == QLatin1Char('.')))
                    ++end;
            } else if (fits && eligible(end)) {
                parameter(i, end, number);
            }
            before = Before::Other;
            i = end;
            continue;
        }
        // A parameter the statement names itself (:name, @name, $name, #name) takes a number of its
        // own: numbering values around it would bind them to the wrong places, so the statement is
        // left as written.
        if ((c == QLatin1Char(':') || c == QLatin1Char('@') || c == QLatin1Char('$') ||
             c == QLatin1Char('#')) &&
            IsIdentifierPart(next))
            return LiteralParameters{};
        // Operators and punctuation.
        const QStringView two = QStringView(sql).mid(i, 2);
        if (two == QLatin1String("<=") || two == QLatin1String(">=") || two == QLatin1String("<>") ||
            two == QLatin1String("!=") || two == QLatin1String("==")) {
            before = Before::Comparison;
            i += 2;
            continue;
        }
        ++i;
        if (c == QLatin1Char('=') || c == QLatin1Char('<') || c == QLatin1Char('>')) {
            before = Before::Comparison;
        } else if (c == QLatin1Char('(')) {
            lists.push_back(before == Before::ListKeyword);
            before = lists.back() ? Before::ListOpen : Before::Other;
        } else if (c == QLatin1Char(')')) {
            if (!lists.empty())
                lists.pop_back();
            before = Before::Other;
        } else if (c == QLatin1Char(',')) {
            before = !lists.empty() && lists.back() ? Before::ListComma : Before::Other;
        } else {
            before = Before::Other;
        }
    }
    if (values.isEmpty())
        return out;
    text += QStringView(sql).mid(copied);
    out.text = std::move(text);
    out.values = std::move(values);
    return out;
}

} // namespace vantrelis::dm::local
