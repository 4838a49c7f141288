#include "common/StandardLines.h"

#include "common/SqlText.h"

namespace vantrelis {

QString StandardLines::Starting(const QString& productName, const QDateTime& now, const QLocale& locale) {
    return productName + QStringLiteral(" Starting at ") +
           locale.toString(now.date(), QStringLiteral("MMM dd, yyyy")) + QStringLiteral(" at ") +
           locale.toString(now.time(), QStringLiteral("hh:mm AP"));
}

QString StandardLines::StartedOn(const QString& programTitle, const QDate& today, const QLocale& locale) {
    return programTitle + QStringLiteral(" started on ") + locale.toString(today, QLocale::LongFormat);
}

QString StandardLines::StoppedAt(const QString& productName, const QString& lastStep) {
    const QString step = lastStep.isEmpty() ? QStringLiteral("Starting ") + productName : lastStep;
    return productName + QStringLiteral(" stopped at point where the program was ") + step;
}

QString StandardLines::ProgramEnded(const QDateTime& now, const QLocale& locale) {
    return QStringLiteral("Program ended at ") + locale.toString(now.time(), QStringLiteral("hh:mm:ss AP")) +
           QStringLiteral(" on ") + now.date().toString(QStringLiteral("yyyy/MM/dd"));
}

QString StandardLines::StoppedBeforeRun(const QString& reason, const QString& logFile) {
    return QStringLiteral("Vantrelis Import stopped before its run: ") + reason + QStringLiteral("; log: ") +
           (logFile.isEmpty() ? QStringLiteral("(none)") : logFile);
}

QString StandardLines::Summary(const QString& runLine, const QStringList& notes) {
    QString added;
    for (const QString& note : notes)
        added += QStringLiteral("; ") + note;
    const qsizetype at = runLine.lastIndexOf(QStringLiteral("; log: "));
    QString line = runLine;
    return line.insert(at < 0 ? line.size() : at, added);
}

QString StandardLines::StepSeparator() {
    return Dashes(60);
}

QString StandardLines::LookupSeparator() {
    return Dashes(70);
}

QString StandardLines::SectionEnd() {
    return Equals(60);
}

} // namespace vantrelis
