#include "app/RunSummary.h"

#include "common/Text.h"

namespace vantrelis::app {

int RunSummary::ExitStatus() const {
    if (stopped)
        return 2;
    return errors > 0 || reportIncomplete || logIncomplete ? 1 : 0;
}

namespace {

// "; the report is incomplete" and the like, after the error count.
QString Incomplete(const RunSummary& summary) {
    QString text;
    if (summary.reportIncomplete)
        text += QStringLiteral("; the report is incomplete");
    if (summary.logIncomplete)
        text += QStringLiteral("; the log is incomplete");
    return text;
}

} // namespace

QString RunSummary::Line() const {
    if (checkOnly)
        return QStringLiteral("Vantrelis Import check ") +
               (stopped ? QStringLiteral("stopped") : QStringLiteral("finished")) + QStringLiteral(": ") +
               FormatWhole(paths) + QStringLiteral(" paths, ") + FormatWhole(libraries) +
               QStringLiteral(" libraries, ") + FormatWhole(folders) +
               QStringLiteral(" folders would be added, ") + FormatWhole(documents) +
               QStringLiteral(" documents would be filed, ") + FormatWhole(errors) +
               QStringLiteral(" errors") + Incomplete(*this) +
               QStringLiteral("; nothing was changed; log: ") +
               (logFile.isEmpty() ? QStringLiteral("(none)") : logFile);
    return QStringLiteral("Vantrelis Import ") +
           (stopped ? QStringLiteral("stopped") : QStringLiteral("finished")) + QStringLiteral(": ") +
           FormatWhole(paths) + QStringLiteral(" paths, ") + FormatWhole(libraries) +
           QStringLiteral(" libraries, ") + FormatWhole(folders) + QStringLiteral(" folders added, ") +
           FormatWhole(documents) + QStringLiteral(" documents filed, ") + FormatWhole(errors) +
           QStringLiteral(" errors") + Incomplete(*this) + QStringLiteral("; log: ") +
           (logFile.isEmpty() ? QStringLiteral("(none)") : logFile);
}

} // namespace vantrelis::app
