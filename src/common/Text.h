#pragma once

#include <QString>

namespace vantrelis {

// Small text helpers with the semantics the product's texts rely on.

// Whole number without grouping ("#0").
QString FormatWhole(qint64 value);

// Leading numeric value of a text: optional blanks, sign, digits, one decimal point.
// No number gives 0 ("abc" -> 0, "12ab" -> 12, " -3.5x" -> -3.5).
double LeadingNumber(const QString& text);

// Leading numeric value rounded to a whole number (half away from zero: "127.6" -> 128).
qint64 LeadingWhole(const QString& text);

// Trimming of blanks (space characters) only, as opposed to QString::trimmed.
QString TrimBlanks(const QString& text);
QString TrimLeftBlanks(const QString& text);
QString TrimRightBlanks(const QString& text);

// A line of `count` copies of `c` (separator lines of the log).
QString Line(QChar c, int count);

} // namespace vantrelis
