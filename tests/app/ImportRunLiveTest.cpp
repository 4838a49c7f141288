// The import run's names, live choices, undone batches and report on temporary libraries.

#include "ImportRunFixture.h"
#include "app/DocumentFiler.h"
#include "app/ImportRun.h"
#include "app/PathWalk.h"
#include "app/RunProgress.h"
#include "common/Fault.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <gtest/gtest.h>

namespace vantrelis::testing {
namespace {

using app::RunCounter;

// A lone carriage return inside a value is a blank in the lookup's text; the folder is created
// under that same name, so a rerun finds it instead of adding a twin.
TEST_F(ImportRunFixture, ALevelWithALoneCarriageReturnIsFoundAgainOnRerun) {
    Start(app::CommandLine::Parse({QStringLiteral("/G")}));
    view.choices = Choices({QStringLiteral("C1,M\rX,MEMO"), QStringLiteral("C1,\r,MEMO")}, {true, false});
    Go();
    const int first = FolderCount(QStringLiteral("LIB_A"));
    EXPECT_EQ(first, 3);
    EXPECT_GT(FolderPath(QStringLiteral("LIB_A"), {"C1", "M X", "MEMO"}), 0);
    Go();
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_A")), first);
    EXPECT_TRUE(summaries.last().contains(QStringLiteral("0 folders added")))
        << summaries.last().toStdString();
    // The level that is only a line break has no name: its path is skipped as an error.
    EXPECT_EQ(
        harness.Lines().filter(QStringLiteral("Error: Level 2 of C1 %\\% \r %\\% MEMO has no name")).size(),
        2);
}

// The window changes its choices after the first path: LIB_B is unticked before the run reaches it
// and the new folders no longer get documents.
TEST_F(ImportRunFixture, TicksAndOptionsChangedDuringTheRunApplyFromTheNextItem) {
    struct ChangingView : RecordingRunView {
        void setCounter(RunCounter counter, qint64 value) override {
            RecordingRunView::setCounter(counter, value);
            if (counter == RunCounter::Processed && value == 1 && !changed && !progress.empty()) {
                changed = true;
                choices.libraries[1].ticked = false;
                choices.addNewDocs = false;
            }
        }
        bool changed = false;
    };
    ChangingView changing;
    AddDocument(QStringLiteral("LIB_A"), QStringLiteral("Memo one"));
    Start(app::CommandLine::Parse({QStringLiteral("/G")}));
    MakeRun(changing);
    folders().documentsSql =
        QStringLiteral("SELECT DOCNUMBER FROM DOCSADM.PROFILE WHERE DOCNAME = 'Memo one'");
    changing.choices = Choices({QStringLiteral("C1,M1,MEMO"), QStringLiteral("C2,M2,MEMO")});
    changing.choices.addNewDocs = true;
    Go();
    ASSERT_TRUE(changing.changed);
    EXPECT_EQ(
        Items(QStringLiteral("LIB_A"), FolderPath(QStringLiteral("LIB_A"), {"C1", "M1", "MEMO"})).size(), 1);
    EXPECT_TRUE(
        Items(QStringLiteral("LIB_A"), FolderPath(QStringLiteral("LIB_A"), {"C2", "M2", "MEMO"})).isEmpty());
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_B")), 0);
    EXPECT_TRUE(
        summaries.last().contains(QStringLiteral("2 paths, 1 libraries, 6 folders added, 1 documents filed")))
        << summaries.last().toStdString();
}

// A fault while filing undoes the open batch: the documents filed in it are named as not filed and
// counted as errors, not as filed.
TEST_F(ImportRunFixture, ABatchUndoneByAFaultNamesItsDocumentsAsNotFiled) {
    struct FaultOnSecond : AdminFolders {
        using AdminFolders::AdminFolders;
        bool BeginBatch(qint32) override { return true; }
        bool EndBatch(bool commit) override {
            ends.push_back(commit);
            return commit;
        }
        bool AddFolderItem(qint32 item, qint32 parent, const QString& type, int rule, qint32 sort) override {
            if (++calls == 2)
                throw Fault(5, QStringLiteral("Test"), QStringLiteral("the library went away"));
            return AdminFolders::AddFolderItem(item, parent, type, rule, sort);
        }
        int calls = 0;
        std::vector<bool> ends;
    };
    AddDocument(QStringLiteral("LIB_A"), QStringLiteral("Memo one"));
    AddDocument(QStringLiteral("LIB_A"), QStringLiteral("Memo two"));
    Start(app::CommandLine::Parse({QStringLiteral("/G")}));
    FaultOnSecond& engine = UseFolders<FaultOnSecond>();
    folders().documentsSql =
        QStringLiteral("SELECT DOCNUMBER FROM DOCSADM.PROFILE WHERE DOCNAME IN ('Memo one', 'Memo two')");
    view.choices = Choices({QStringLiteral("C1,M1,MEMO")}, {true, false});
    view.choices.addNewDocs = true;
    Go();
    EXPECT_EQ(engine.ends, std::vector<bool>({false}));
    ASSERT_FALSE(summaries.isEmpty());
    EXPECT_TRUE(summaries.last().startsWith(QStringLiteral("Vantrelis Import stopped")));
    EXPECT_TRUE(summaries.last().contains(QStringLiteral(", 0 documents filed, 1 errors")))
        << summaries.last().toStdString();
    const QStringList lines = harness.Lines();
    const qsizetype notFiled =
        lines.indexOf(QStringLiteral("Error: The last 1 document(s) added to folder C1 %\\% M1 %\\% MEMO "
                                     "could not be committed and are not filed"));
    EXPECT_GE(notFiled, 0) << lines.join(QLatin1Char('\n')).toStdString();
}

TEST(RunProgress, RateAndTimeLeftFollowEveryItem) {
    struct Case {
        const char* name;
        int items;
        int paths;
        qint64 pathsLeft;
        qint64 elapsedMs;
        QString text;
    };
    const std::vector<Case> cases = {
        {"no path yet: rate only", 5, 0, 0, 1000, QStringLiteral("5 items/s")},
        {"paths only", 0, 10, 90, 2000, QStringLiteral("5 items/s, about 0:00:18 left")},
        {"paths and documents", 30, 10, 20, 4000, QStringLiteral("10 items/s, about 0:00:08 left")},
        {"hours", 0, 1, 7200, 1000, QStringLiteral("1 items/s, about 2:00:00 left")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app::RunProgress progress;
        progress.Start();
        for (int i = 0; i < c.items; ++i)
            progress.ItemDone();
        for (int i = 1; i <= c.paths; ++i)
            progress.PathDone(c.pathsLeft + c.paths - i);
        EXPECT_EQ(progress.Rate(c.elapsedMs), c.text);
    }
    app::RunProgress progress;
    progress.Start();
    progress.PathDone(3);
    EXPECT_TRUE(progress.Rate(0).isNull());
    EXPECT_FALSE(progress.Rate(100).isNull());
    EXPECT_TRUE(progress.Rate(100 + app::RunProgress::kIntervalMs - 1).isNull());
    EXPECT_FALSE(progress.Rate(100 + app::RunProgress::kIntervalMs).isNull());
}

// A line whose folder is there but one of whose documents failed says so, and its error is one line
// even when the path holds a line break.
TEST_F(ImportRunFixture, ReportCallsAPartlyFiledLinePartialWithItsErrorOnOneLine) {
    struct OneFails : AdminFolders {
        using AdminFolders::AdminFolders;
        qint32 failing = 0;
        bool AddFolderItem(qint32 item, qint32 parent, const QString& type, int rule, qint32 sort) override {
            return item != failing && AdminFolders::AddFolderItem(item, parent, type, rule, sort);
        }
    };
    AddDocument(QStringLiteral("LIB_A"), QStringLiteral("Memo one"));
    const qint64 two = AddDocument(QStringLiteral("LIB_A"), QStringLiteral("Memo two"));
    const QString report = env.filePath(QStringLiteral("report.csv"));
    Start(app::CommandLine::Parse({QStringLiteral("/G"), QStringLiteral("--report"), report}));
    UseFolders<OneFails>().failing = static_cast<qint32>(two);
    folders().documentsSql =
        QStringLiteral("SELECT DOCNUMBER FROM DOCSADM.PROFILE WHERE DOCNAME IN ('Memo one', 'Memo two')");
    view.choices = Choices({QStringLiteral("C1,M\rX,MEMO")}, {true, false});
    view.choices.addNewDocs = true;
    Go();
    QFile file(report);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(rows.size(), 3) << rows.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(rows.at(1), QStringLiteral("1,LIB_A,\"C1 %\\% M\rX %\\% MEMO\",partial,") +
                              QString::number(FolderPath(QStringLiteral("LIB_A"), {"C1", "M X", "MEMO"})) +
                              QStringLiteral(",3,1,1,Error: Document #") + QString::number(two) +
                              QStringLiteral(" could not be added to folder C1 %\\% M X %\\% MEMO"));
}

// A report whose writes fail ends the run with errors and says so; the libraries are still done.
TEST_F(ImportRunFixture, AReportThatCannotBeWrittenIsAnErrorOfTheRun) {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    Start(app::CommandLine::Parse({QStringLiteral("/G"), QStringLiteral("/X"), QStringLiteral("--report"),
                                   QStringLiteral("/dev/full")}));
    QStringList errors;
    run->setErrorOutput([&](const QString& line) { errors.append(line); });
    view.choices = Choices({QStringLiteral("C1,M1,MEMO"), QStringLiteral("C2,M2,MEMO")}, {true, false});
    Go();
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_A")), 6);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(
        errors.at(0).startsWith(QStringLiteral("Error: Report file /dev/full could not be written (")));
    EXPECT_TRUE(errors.at(0).endsWith(QStringLiteral(") - the report is incomplete")));
    EXPECT_EQ(harness.Lines().filter(errors.at(0)).size(), 1);
    EXPECT_TRUE(summaries.last().contains(QStringLiteral(" 0 errors; the report is incomplete; log: ")))
        << summaries.last().toStdString();
    EXPECT_EQ(view.endedWith, std::vector<int>({1}));
}

TEST(RunSummary, AnIncompleteReportOrLogEndsWithErrors) {
    struct Case {
        bool report;
        bool log;
        const char* words;
    };
    for (const Case& c : {Case{true, false, "errors; the report is incomplete; log"},
                          Case{false, true, "errors; the log is incomplete; log"},
                          Case{true, true, "errors; the report is incomplete; the log is incomplete; log"}}) {
        app::RunSummary summary;
        summary.reportIncomplete = c.report;
        summary.logIncomplete = c.log;
        EXPECT_EQ(summary.ExitStatus(), 1);
        EXPECT_TRUE(summary.Line().contains(QLatin1String(c.words))) << summary.Line().toStdString();
        summary.stopped = true;
        EXPECT_EQ(summary.ExitStatus(), 2);
    }
    EXPECT_EQ(app::RunSummary{}.ExitStatus(), 0);
}

// The walk answers what it did for each path; nothing is read back from the log or the counters.
TEST_F(ImportRunFixture, AWalkAnswersItsPathsOutcome) {
    struct FailsOn : AdminFolders {
        using AdminFolders::AdminFolders;
        qint32 CreateFolder(const QString& name, qint32 parent, const QString& form, int rule, qint32 sort,
                            const engine::LineColumns& lineColumns) override {
            return name == QLatin1String("BAD")
                       ? 0
                       : AdminFolders::CreateFolder(name, parent, form, rule, sort, lineColumns);
        }
    };
    Start();
    UseFolders<FailsOn>();
    const qint64 c1 = AddFolder(QStringLiteral("LIB_A"), QStringLiteral("C1"), 0);
    engine::CheckOnlyFolders folders(*foldersHolder, context->gateway(), context->log());
    const app::ColumnTable columns;
    app::DocumentFiler filer(
        *context, view, folders, [] { return false; }, [] {});
    app::PathWalk walk(*context, folders, columns, filer, [] { return false; });
    walk.setLibraryName(QStringLiteral("LIB_A"));
    using Kind = app::PathOutcome::Kind;
    struct Case {
        const char* path;
        Kind kind;
        qint64 created;
        QString error;
    };
    const std::vector<Case> cases = {
        {"C1", Kind::Found, 0, QString()},
        {"C1 %\\% M1", Kind::Created, 1, QString()},
        {"C1 %\\% M1", Kind::Found, 0, QString()},
        {"   ", Kind::Skipped, 0, QString()},
        {"C1 %\\%  %\\% X", Kind::Failed, 0,
         QStringLiteral("Error: Level 2 of C1 %\\%  %\\% X has no name - the path is skipped")},
        {"C1 %\\% BAD", Kind::Failed, 0,
         QStringLiteral("Error: Folder BAD could not be created in library LIB_A")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        app::PathOutcome outcome;
        walk.Walk(QString::fromUtf8(c.path), 1, QString(), {}, outcome);
        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_EQ(outcome.foldersCreated, c.created);
        EXPECT_EQ(outcome.firstError, c.error);
        EXPECT_EQ(outcome.errors(), c.kind == Kind::Failed ? 1 : 0);
        if (c.kind == Kind::Found || c.kind == Kind::Created)
            EXPECT_EQ(outcome.folder, QString::fromUtf8(c.path).contains(QLatin1String("M1"))
                                          ? FolderPath(QStringLiteral("LIB_A"), {"C1", "M1"})
                                          : c1);
        else
            EXPECT_EQ(outcome.folder, 0);
    }
}

} // namespace
} // namespace vantrelis::testing
