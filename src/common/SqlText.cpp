#include "common/SqlText.h"

#include "common/Text.h"

namespace vantrelis {

QString OwnerPrefix() {
    return QLatin1String(kSchemaOwner) + QLatin1Char('.');
}

QString EscapeSQLText(const QString& text) {
    QString result = TrimBlanks(text);
    if (result.isEmpty())
        return result;
    result.replace(QLatin1Char('\''), QLatin1String("''"));
    result = TrimBlanks(result);
    if (result.isEmpty())
        return result;
    result.replace(QLatin1Char('\r'), QLatin1Char(' '));
    result.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return TrimBlanks(result);
}

QString Dashes(int count) {
    return Line(QLatin1Char('-'), count);
}

QString Equals(int count) {
    return Line(QLatin1Char('='), count);
}

} // namespace vantrelis
