#include "support/LogAssertions.h"

namespace vantrelis::testing {

::testing::AssertionResult InOrder(const QStringList& lines, const QStringList& expected) {
    qsizetype at = 0;
    for (const QString& line : expected) {
        const qsizetype found = lines.indexOf(line, at);
        if (found < 0)
            return ::testing::AssertionFailure()
                   << "missing or out of order: \"" << line.toStdString() << "\"\nlog:\n"
                   << lines.join(QLatin1Char('\n')).toStdString();
        at = found + 1;
    }
    return ::testing::AssertionSuccess();
}

} // namespace vantrelis::testing
