// The import run on a library whose write lock another writer holds and does not release.

#include "ImportRunFixture.h"
#include "app/ImportRun.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace vantrelis::testing {
namespace {

// Another process's writer on a library file: holds the write lock from construction to release().
class HeldLock {
public:
    explicit HeldLock(const QString& file) {
        EXPECT_EQ(SQLITE_OK, sqlite3_open(QFile::encodeName(file).constData(), &m_db));
        EXPECT_EQ(SQLITE_OK, sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
    }
    ~HeldLock() { release(); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
    void release() {
        if (!m_db)
            return;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
        m_db = nullptr;
    }

private:
    sqlite3* m_db = nullptr;
};

// The wait for another writer's lock, short for the test; set before the libraries are opened.
class WaitLimit {
public:
    explicit WaitLimit(const char* ms) { qputenv("VANTRELIS_BUSY_TIMEOUT_MS", ms); }
    ~WaitLimit() { qunsetenv("VANTRELIS_BUSY_TIMEOUT_MS"); }
    WaitLimit(const WaitLimit&) = delete;
    WaitLimit& operator=(const WaitLimit&) = delete;
};

QStringList Matching(const QStringList& lines, const QString& text) {
    QStringList found;
    for (const QString& line : lines)
        if (line.contains(text, Qt::CaseInsensitive))
            found.append(line);
    return found;
}

// A lock that is never released: the run waits for it once, says so in one line, counts the
// library's lines as failed, keeps the library ticked and goes on with the next one; a rerun once the
// lock is gone completes them. Nothing calls the library damaged, the user unknown or without rights.
TEST_F(ImportRunFixture, ALibraryHeldPastTheWaitFailsItsLinesAndTheRunGoesOn) {
    const WaitLimit limit("300");
    const QString report = env.filePath(QStringLiteral("report.csv"));
    Start(app::CommandLine::Parse({QStringLiteral("/G"), QStringLiteral("--report"), report}));
    run = std::make_unique<app::ImportRun>(*context, view, context->folders());
    run->setSummaryOutput([this](const QString& line) { summaries.append(line); });
    const QStringList lines = {QStringLiteral("C1,M1,MEMO"), QStringLiteral("C1,M2,MEMO"),
                               QStringLiteral("C2,M1,MEMO")};
    view.choices = Choices(lines);
    HeldLock other(env.admin(QStringLiteral("LIB_A")).database().file());
    const int foldersBefore = FolderCount(QStringLiteral("LIB_A"));

    Go();

    ASSERT_FALSE(summaries.isEmpty());
    EXPECT_TRUE(summaries.last().startsWith(
        QStringLiteral("Vantrelis Import finished: 3 paths, 2 libraries, 8 folders added, 0 documents "
                       "filed, 3 errors")))
        << summaries.last().toStdString();
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_A")), foldersBefore);
    EXPECT_GT(FolderPath(QStringLiteral("LIB_B"), {"C2", "M1", "MEMO"}), 0);
    EXPECT_TRUE(view.unticked.empty());
    EXPECT_EQ(view.counter(app::RunCounter::Errors), 0) << "the last library's own counter";

    const QStringList log = harness.Lines();
    const QString held =
        QStringLiteral("Error: Library LIB_A is held by another writer and the wait for it ran out");
    const QStringList heldLines = Matching(log, QStringLiteral("is held by another writer"));
    ASSERT_EQ(heldLines.size(), 1) << log.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(heldLines.first(),
              held + QStringLiteral(" - its remaining 2 paths are not processed and count as errors (a "
                                    "rerun completes them)"));
    // One wait, not one per write: the writes that found the library locked are those of the first
    // line only.
    const QStringList locked = Matching(log, QStringLiteral("locked by another process"));
    EXPECT_GE(locked.size(), 1);
    EXPECT_LE(locked.size(), 3) << locked.join(QLatin1Char('\n')).toStdString();
    for (const char* wrong :
         {"damaged", "does not have rights", "UserName not identified", "malformed", "Unable to connect"})
        EXPECT_TRUE(Matching(log, QLatin1String(wrong)).isEmpty())
            << wrong << Matching(log, QLatin1String(wrong)).join(QLatin1Char('\n')).toStdString();

    QFile file(report);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(rows.size(), 8) << rows.join(QLatin1Char('\n')).toStdString();
    const QString path1 = QStringLiteral("C1 %\\% M1 %\\% MEMO");
    EXPECT_TRUE(rows.at(1).startsWith(QStringLiteral("1,LIB_A,") + path1 + QStringLiteral(",failed,")))
        << rows.at(1).toStdString();
    EXPECT_TRUE(rows.at(1).endsWith(QLatin1Char(',') + held)) << rows.at(1).toStdString();
    for (int row = 2; row <= 3; ++row) {
        EXPECT_TRUE(rows.at(row).contains(QStringLiteral(",failed,,0,0,0,not processed - ") + held))
            << rows.at(row).toStdString();
    }
    for (int row = 4; row <= 6; ++row)
        EXPECT_TRUE(rows.at(row).contains(QStringLiteral(",LIB_B,")) &&
                    rows.at(row).contains(QStringLiteral(",created,")))
            << rows.at(row).toStdString();

    // Once the other writer is done, a rerun completes the library's lines.
    other.release();
    summaries.clear();
    Go();
    ASSERT_FALSE(summaries.isEmpty());
    EXPECT_TRUE(summaries.last().contains(QStringLiteral(" 8 folders added, 0 documents filed, 0 errors")))
        << summaries.last().toStdString();
    EXPECT_GT(FolderPath(QStringLiteral("LIB_A"), {"C2", "M1", "MEMO"}), 0);
}

} // namespace
} // namespace vantrelis::testing
