#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace vantrelis {

// The fixed log lines that mark the program's start and end. Dates and times follow the given locale
// (month names, AM/PM designator); the program passes the system locale.
class StandardLines {
public:
    // product + " Starting at " + "MMM DD, YYYY" + " at " + "hh:mm ampm"
    static QString Starting(const QString& productName, const QDateTime& now, const QLocale& locale);
    // title + " started on " + the long date
    static QString StartedOn(const QString& programTitle, const QDate& today, const QLocale& locale);
    // product + " stopped at point where the program was " + the last step, or "Starting " + product
    static QString StoppedAt(const QString& productName, const QString& lastStep);
    // "Program ended at " + "hh:mm:ss ampm" + " on " + "YYYY/MM/DD"
    static QString ProgramEnded(const QDateTime& now, const QLocale& locale);
    // The line a start that stopped before any run leaves on standard output:
    // "Vantrelis Import stopped before its run: " + why + "; log: " + the log file (or "(none)").
    static QString StoppedBeforeRun(const QString& reason, const QString& logFile);
    // A run's summary line with notes for whoever started it, each put as "; " + note before the
    // line's "; log: " part: why the run stopped ("first error: " + the line, "stopped by SIGTERM"),
    // "the log is incomplete".
    static QString Summary(const QString& runLine, const QStringList& notes);
    // Separator lines: 60 "-" between steps, 60 "=" closing a section or an error report.
    static QString StepSeparator();
    static QString SectionEnd();
    // 70 "-" after the lines of a folder lookup.
    static QString LookupSeparator();
};

} // namespace vantrelis
