#include "app/PathTemplate.h"

#include "common/Text.h"

#include <QStringList>
#include <algorithm>

namespace vantrelis::app {

namespace {

const QString kLevelSeparator = QStringLiteral("%\\%");
const QString kAlternateSeparator = QStringLiteral("%/%");
const QString kLeft = QStringLiteral("%LEFT");
const QString kRight = QStringLiteral("%RIGHT");

// Every occurrence, searching on after the value put in, so that a value holding the token is kept.
void ReplaceEvery(QString& text, const QString& token, const QString& value) {
    for (qsizetype at = text.indexOf(token); at >= 0; at = text.indexOf(token, at + value.size()))
        text.replace(at, token.size(), value);
}

const QStringList kBuiltIns = {QStringLiteral("LIBRARY"), QStringLiteral("DATE"),
                               QStringLiteral("YEAR"),    QStringLiteral("MONTH"),
                               QStringLiteral("DAY"),     QStringLiteral("MONTHNAME")};

// A name that a template could mean as a token: a letter or "_", then letters, digits, "_" and ".".
bool IsTokenName(const QString& name) {
    if (name.isEmpty() || !(name.front().isLetter() || name.front() == QLatin1Char('_')))
        return false;
    for (const QChar c : name)
        if (!c.isLetterOrNumber() && c != QLatin1Char('_') && c != QLatin1Char('.'))
            return false;
    return true;
}

// "%LEFTn%" and "%RIGHTn%" follow a token as its function, not as a token of their own.
bool IsFunction(const QString& name) {
    for (const QString& prefix : {QStringLiteral("LEFT"), QStringLiteral("RIGHT")})
        if (name.startsWith(prefix)) {
            const QString rest = name.mid(prefix.size());
            return std::all_of(rest.begin(), rest.end(), [](QChar c) { return c.isDigit(); });
        }
    return false;
}

// Removes a "%LEFTn%" / "%RIGHTn%" function text whose prefix is already gone: up to and including
// the next "%", else up to the next blank (which stays), else nothing.
QString DropFunctionText(const QString& after) {
    const qsizetype percent = after.indexOf(QLatin1Char('%'));
    if (percent >= 0)
        return after.mid(percent + 1);
    const qsizetype blank = after.indexOf(QLatin1Char(' '));
    if (blank >= 0)
        return after.mid(blank);
    return after;
}

// Character count of a function's argument; a count that is not positive cuts nothing.
qsizetype Count(const QString& argument) {
    const qint64 n = LeadingWhole(argument);
    return n > 0 ? static_cast<qsizetype>(std::min<qint64>(n, 1000000000)) : 0;
}

// Expands the column's token at `at`; answers where the search for the next occurrence goes on.
qsizetype ExpandColumnAt(QString& work, const ImportColumn& column, const QString& token, qsizetype at) {
    QString value = column.value;
    QString after = work.mid(at + token.size());
    const QString trimmed = TrimLeftBlanks(after);
    const bool blanks = trimmed.size() != after.size();
    after = trimmed;
    if (after.startsWith(kLeft)) {
        after = after.mid(kLeft.size());
        if (const qsizetype n = Count(after))
            value = value.left(n);
        after = DropFunctionText(after);
    } else if (after.startsWith(kRight)) {
        after = after.mid(kRight.size());
        if (const qsizetype n = Count(after))
            value = value.right(n);
        after = DropFunctionText(after);
    }
    work = TrimRightBlanks(work.left(at) + value + (blanks ? QStringLiteral(" ") : QString()) + after);
    return at + value.size();
}

void ExpandColumn(QString& work, const ImportColumn& column) {
    const QString token = QLatin1Char('%') + column.name + QLatin1Char('%');
    for (qsizetype at = work.indexOf(token); at >= 0; at = work.indexOf(token, at))
        at = ExpandColumnAt(work, column, token, at);
}

} // namespace

QString PathTemplate::Expand(const QString& templateText, const ColumnTable& columns,
                             const TemplateContext& context) {
    QString work = templateText;
    const QDate today = context.now.date();
    ReplaceEvery(work, QStringLiteral("%LIBRARY%"), context.libraryName);
    ReplaceEvery(work, QStringLiteral("%DATE%"), today.toString(QStringLiteral("yyyy-MM-dd")));
    ReplaceEvery(work, QStringLiteral("%YEAR%"), today.toString(QStringLiteral("yyyy")));
    ReplaceEvery(work, QStringLiteral("%MONTH%"), today.toString(QStringLiteral("MM")));
    ReplaceEvery(work, QStringLiteral("%DAY%"), today.toString(QStringLiteral("dd")));
    ReplaceEvery(work, QStringLiteral("%MONTHNAME%"), context.locale.monthName(today.month()));
    for (const ImportColumn& column : columns.columns())
        ExpandColumn(work, column);
    return work;
}

QString PathTemplate::UnknownToken(const QString& templateText, const ColumnTable& columns) {
    // Each "%" opens a candidate that the next "%" closes; a candidate that is no name (a level
    // separator, text between two tokens) leaves its closing "%" to open the next one.
    qsizetype open = templateText.indexOf(QLatin1Char('%'));
    while (open >= 0) {
        const qsizetype close = templateText.indexOf(QLatin1Char('%'), open + 1);
        if (close < 0)
            break;
        const QString name = templateText.mid(open + 1, close - open - 1);
        if (!IsTokenName(name)) {
            open = close;
            continue;
        }
        if (!IsFunction(name) && !kBuiltIns.contains(name) &&
            std::none_of(columns.columns().begin(), columns.columns().end(),
                         [&](const ImportColumn& column) { return column.name == name; }))
            return QLatin1Char('%') + name + QLatin1Char('%');
        open = templateText.indexOf(QLatin1Char('%'), close + 1);
    }
    return QString();
}

QString PathTemplate::LevelName(const QString& level) {
    QString name = TrimBlanks(level);
    name.replace(QLatin1Char('\r'), QLatin1Char(' '));
    name.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return TrimBlanks(name);
}

PathLevel PathTemplate::SplitLevel(const QString& path) {
    qsizetype cut = path.indexOf(kLevelSeparator);
    if (cut < 0)
        return {TrimBlanks(path), QString()};
    const qsizetype alternate = path.indexOf(kAlternateSeparator);
    if (alternate >= 0 && alternate < cut)
        cut = alternate;
    return {TrimBlanks(path.left(cut)), TrimBlanks(path.mid(cut + kLevelSeparator.size()))};
}

} // namespace vantrelis::app
