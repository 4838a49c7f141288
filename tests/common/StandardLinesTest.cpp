#include "common/StandardLines.h"

#include <gtest/gtest.h>

namespace vantrelis {
namespace {

const QString kProduct = QStringLiteral("Vantrelis Import for OpenText eDOCS");

TEST(StandardLines, TextsForAFixedMoment) {
    const QLocale c = QLocale::c();
    const struct {
        QString actual;
        const char* expected;
    } rows[] = {
        {StandardLines::Starting(kProduct, QDateTime(QDate(2019, 11, 14), QTime(15, 7)), c),
         "Vantrelis Import for OpenText eDOCS Starting at Nov 14, 2019 at 03:07 PM"},
        {StandardLines::Starting(kProduct, QDateTime(QDate(2020, 1, 2), QTime(0, 30)), c),
         "Vantrelis Import for OpenText eDOCS Starting at Jan 02, 2020 at 12:30 AM"},
        {StandardLines::ProgramEnded(QDateTime(QDate(2019, 11, 14), QTime(9, 5, 3)), c),
         "Program ended at 09:05:03 AM on 2019/11/14"},
        {StandardLines::ProgramEnded(QDateTime(QDate(2019, 12, 31), QTime(12, 0, 0)), c),
         "Program ended at 12:00:00 PM on 2019/12/31"},
        {StandardLines::StoppedAt(kProduct, QStringLiteral("Setting form")),
         "Vantrelis Import for OpenText eDOCS stopped at point where the program was Setting form"},
        {StandardLines::StoppedAt(kProduct, QString()),
         "Vantrelis Import for OpenText eDOCS stopped at point where the program was Starting Vantrelis "
         "Import for "
         "OpenText eDOCS"},
        {StandardLines::StartedOn(QStringLiteral("Title"), QDate(2019, 11, 14), c),
         "Title started on Thursday, 14 November 2019"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.actual.toStdString(), row.expected);
    EXPECT_EQ(StandardLines::StepSeparator(), QString(60, QLatin1Char('-')));
    EXPECT_EQ(StandardLines::SectionEnd(), QString(60, QLatin1Char('=')));
}

TEST(StandardLines, SummaryNotesGoBeforeTheLogFile) {
    const QString run =
        QStringLiteral("Vantrelis Import stopped: 0 paths, 0 errors; log: /tmp/a; log: b.log");
    const struct {
        QStringList notes;
        const char* expected;
    } rows[] = {
        {{}, "Vantrelis Import stopped: 0 paths, 0 errors; log: /tmp/a; log: b.log"},
        {{QStringLiteral("first error: Error: x")},
         "Vantrelis Import stopped: 0 paths, 0 errors; log: /tmp/a; first error: Error: x; log: b.log"},
        {{QStringLiteral("stopped by SIGTERM"), QStringLiteral("the log is incomplete")},
         "Vantrelis Import stopped: 0 paths, 0 errors; log: /tmp/a; stopped by SIGTERM; the log is "
         "incomplete; "
         "log: b.log"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(StandardLines::Summary(run, row.notes).toStdString(), row.expected);
    EXPECT_EQ(StandardLines::Summary(QStringLiteral("no log part"), {QStringLiteral("n")}),
              QStringLiteral("no log part; n"));
    EXPECT_EQ(StandardLines::StoppedBeforeRun(QStringLiteral("Error: x"), QString()),
              QStringLiteral("Vantrelis Import stopped before its run: Error: x; log: (none)"));
    EXPECT_EQ(StandardLines::StoppedBeforeRun(QStringLiteral("Notice: y"), QStringLiteral("/l/run.log")),
              QStringLiteral("Vantrelis Import stopped before its run: Notice: y; log: /l/run.log"));
}

} // namespace
} // namespace vantrelis
