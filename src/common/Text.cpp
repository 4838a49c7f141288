#include "common/Text.h"

#include <cmath>

namespace vantrelis {

QString FormatWhole(qint64 value) {
    return QString::number(value);
}

double LeadingNumber(const QString& text) {
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    const int start = i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    bool digits = false;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
        digits = true;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

qint64 LeadingWhole(const QString& text) {
    const double value = std::round(LeadingNumber(text));
    constexpr double limit = 9.2e18;
    if (value > limit)
        return static_cast<qint64>(limit);
    if (value < -limit)
        return static_cast<qint64>(-limit);
    return static_cast<qint64>(value);
}

QString TrimLeftBlanks(const QString& text) {
    int i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

QString TrimRightBlanks(const QString& text) {
    int n = text.size();
    while (n > 0 && text[n - 1] == QLatin1Char(' '))
        --n;
    return text.left(n);
}

QString TrimBlanks(const QString& text) {
    return TrimLeftBlanks(TrimRightBlanks(text));
}

QString Line(QChar c, int count) {
    return QString(count, c);
}

} // namespace vantrelis
