#include "app/PathTemplate.h"

#include "common/Text.h"

namespace vantrelis::app {

namespace {

const QString kLevelSeparator = QStringLiteral("%\\%");
const QString kAlternateSeparator = QStringLiteral("%/%");
const QString kLeft = QStringLiteral("%LEFT");
const QString kRight = QStringLiteral("%RIGHT");

void ReplaceFirst(QString& text, const QString& token, const QString& value) {
    const qsizetype at = text.indexOf(token);
    if (at >= 0)
        text.replace(at, token.size(), value);
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

void ExpandColumn(QString& work, const ImportColumn& column) {
    const QString token = QLatin1Char('%') + column.name + QLatin1Char('%');
    const qsizetype at = work.indexOf(token);
    if (at < 0)
        return;
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
}

} // namespace

QString PathTemplate::Expand(const QString& templateText, const ColumnTable& columns,
                             const TemplateContext& context) {
    QString work = templateText;
    const QDate today = context.now.date();
    ReplaceFirst(work, QStringLiteral("%LIBRARY%"), context.libraryName);
    ReplaceFirst(work, QStringLiteral("%DATE%"), today.toString(QStringLiteral("yyyy-MM-dd")));
    ReplaceFirst(work, QStringLiteral("%YEAR%"), today.toString(QStringLiteral("yyyy")));
    ReplaceFirst(work, QStringLiteral("%MONTH%"), today.toString(QStringLiteral("MM")));
    ReplaceFirst(work, QStringLiteral("%DAY%"), today.toString(QStringLiteral("dd")));
    ReplaceFirst(work, QStringLiteral("%MONTHNAME%"), context.locale.monthName(today.month()));
    for (const ImportColumn& column : columns.columns())
        ExpandColumn(work, column);
    return work;
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
