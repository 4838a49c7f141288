// Taking a run back by its journal, on temporary libraries compared row for row with their state
// before the run.

#include "ImportRunFixture.h"
#include "app/RunJournal.h"
#include "app/RunUndoing.h"
#include "support/QtPrinters.h"

#include <QDateTime>

#include <gtest/gtest.h>
#include <map>

namespace vantrelis::testing {
namespace {

const QString kLibA = QStringLiteral("LIB_A");
const QString kLibB = QStringLiteral("LIB_B");

using Snapshot = std::multiset<QString>;

class RunUndoTest : public ImportRunFixture {
protected:
    dm::local::LibraryDatabase& Db(const QString& library) { return env.admin(library).database(); }

    qint64 Count(const QString& library, const QString& sql, const QVariantList& params = {}) {
        return Db(library).scalar(sql, params).toLongLong();
    }

    // Every row of every table, apart from the journal's own and the key counters.
    Snapshot Rows(const QString& library) {
        Snapshot rows;
        const auto tables = Db(library).query(
            QStringLiteral("SELECT name FROM DOCSADM.sqlite_master WHERE type = 'table' AND name NOT IN "
                           "('VANTRELIS_RUNS', 'VANTRELIS_RUN_CHANGES', 'KEY_COUNTERS')"));
        for (const auto& table : tables.rows) {
            const QString name = table.at(0).toString();
            for (const auto& row : Db(library).query(QStringLiteral("SELECT * FROM DOCSADM.") + name).rows) {
                QStringList fields{name};
                for (const QVariant& value : row)
                    fields += value.isNull() ? QStringLiteral("\\N") : value.toString();
                rows.insert(fields.join(QLatin1Char('|')));
            }
        }
        return rows;
    }

    // Rows in one snapshot and not in the other, for the failure message.
    static std::string Difference(const Snapshot& expected, const Snapshot& actual) {
        QStringList lines;
        for (const QString& row : expected)
            if (!actual.count(row))
                lines += QStringLiteral("- ") + row;
        for (const QString& row : actual)
            if (!expected.count(row))
                lines += QStringLiteral("+ ") + row;
        return lines.mid(0, 20).join(QLatin1Char('\n')).toStdString();
    }

    // Every folder's chain: one head, each row reached once from it.
    void ExpectSoundChains(const QString& library) {
        const auto parents =
            Db(library).query(QStringLiteral("SELECT DISTINCT PARENT FROM DOCSADM.FOLDER_ITEM"));
        for (const auto& parent : parents.rows) {
            const qint64 folder = parent.at(0).toLongLong();
            EXPECT_EQ(Items(library, folder).size(),
                      Count(library,
                            QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ?1"),
                            {folder}))
                << "folder #" << folder << " of " << library.toStdString();
        }
    }

    // An import of the lines with the real folder engine; answers the run's id.
    QString Import(const QStringList& lines, const QList<bool>& ticks = {true, true}) {
        Start(app::CommandLine::Parse({QStringLiteral("--profile-from-line")}));
        run = std::make_unique<app::ImportRun>(*context, view, context->folders());
        view.choices = Choices(lines, ticks);
        view.choices.addNewDocs = true;
        view.choices.addExistingDocs = true;
        Go();
        if (!env.admin(kLibA).hasJournalTables())
            return QString();
        // The clock stands still in these tests: the new run is the id not seen before.
        for (const auto& row :
             Db(kLibA).query(QStringLiteral("SELECT RUN_ID FROM DOCSADM.VANTRELIS_RUNS")).rows)
            if (!seenRuns.contains(row.at(0).toString())) {
                seenRuns += row.at(0).toString();
                return seenRuns.last();
            }
        return QString();
    }

    app::UndoOutcome Undo(const QString& runId, bool check = false, std::function<bool()> stop = {}) {
        app::UndoRequest request;
        request.runId = runId;
        request.check = check;
        request.output = [this](const QString& line) { told += line; };
        request.stop = std::move(stop);
        return app::UndoRun(*context, view.choices, request);
    }

    void JournalBoth() {
        for (const QString& library : {kLibA, kLibB})
            env.admin(library).addJournalTables();
    }

    QStringList told;
    QStringList seenRuns;
};

TEST_F(RunUndoTest, ImportThenUndoLeavesEveryLibraryAsItWas) {
    JournalBoth();
    for (const QString& library : {kLibA, kLibB}) {
        AddMatterMemo(library, QStringLiteral("C1"), QStringLiteral("M1"));
        AddMatterMemo(library, QStringLiteral("C2"), QStringLiteral("M2"));
        // An existing folder the run files into: its chain already has an item.
        const qint64 clients = AddFolder(library, QStringLiteral("O'Brien & Co"), 0);
        env.admin(library).linkItem(clients, AddDocument(library, QStringLiteral("Letter")));
    }
    std::map<QString, Snapshot> before;
    for (const QString& library : {kLibA, kLibB})
        before[library] = Rows(library);

    const QString runId = Import({QStringLiteral("C1,M1,MEMO"), QStringLiteral("C2,M2,MEMO")});
    ASSERT_FALSE(runId.isEmpty());
    ASSERT_NE(Rows(kLibA), before[kLibA]) << "the run changed nothing";

    const app::UndoOutcome checked = Undo(runId, true);
    EXPECT_EQ(checked.libraries, 2);
    EXPECT_GT(checked.would.foldersRemoved, 0);
    EXPECT_GT(checked.would.itemsUnlinked, 0);
    EXPECT_EQ(checked.counts.kept, 0) << told.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(checked.counts.total(), 0) << "a check takes nothing back";
    EXPECT_FALSE(app::UndoPlan(checked).isEmpty());

    const app::UndoOutcome undone = Undo(runId);
    EXPECT_EQ(undone.exitStatus, 0) << undone.summary.toStdString();
    EXPECT_EQ(undone.counts.foldersRemoved, checked.would.foldersRemoved);
    EXPECT_EQ(undone.counts.itemsUnlinked, checked.would.itemsUnlinked);
    EXPECT_EQ(undone.counts.kept, 0);
    for (const QString& library : {kLibA, kLibB}) {
        SCOPED_TRACE(library.toStdString());
        const Snapshot after = Rows(library);
        EXPECT_EQ(after, before[library]) << Difference(before[library], after);
        ExpectSoundChains(library);
        EXPECT_EQ(Db(library).scalar(
                      QStringLiteral("SELECT STATUS FROM DOCSADM.VANTRELIS_RUNS WHERE RUN_ID = ?1"), {runId}),
                  QVariant(QStringLiteral("undone")));
        // The undo has its own row, naming the run it took back.
        EXPECT_EQ(Count(library,
                        QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VANTRELIS_RUNS WHERE OPTIONS = ?1"),
                        {QStringLiteral("--undo ") + runId}),
                  1);
    }

    // Again: nothing left to do, nothing changed.
    const app::UndoOutcome again = Undo(runId);
    EXPECT_EQ(again.counts.total(), 0);
    EXPECT_GT(again.counts.alreadyDone, 0);
    EXPECT_TRUE(app::UndoPlan(Undo(runId, true)).isEmpty());
    EXPECT_EQ(Rows(kLibA), before[kLibA]);
}

// Someone filed another document into a folder the run created: that folder and the folders above
// it stay, the document stays filed, and the undo says so.
TEST_F(RunUndoTest, AFolderThatHoldsSomethingElseIsKeptAndReported) {
    JournalBoth();
    AddMatterMemo(kLibA, QStringLiteral("C1"), QStringLiteral("M1"));
    const QString runId = Import({QStringLiteral("C1,M1,MEMO")}, {true, false});
    const qint64 folders = FolderCount(kLibA);
    ASSERT_EQ(folders, 3);
    const qint64 deepest = Count(
        kLibA,
        QStringLiteral("SELECT MAX(DOCNUMBER) FROM DOCSADM.VANTRELIS_RUN_CHANGES WHERE KIND = 'FOLDER'"));
    const qint64 other = AddDocument(kLibA, QStringLiteral("Filed by hand"));
    const qint64 row = env.admin(kLibA).linkItem(deepest, other);

    const app::UndoOutcome undone = Undo(runId);
    EXPECT_EQ(undone.exitStatus, 0);
    EXPECT_EQ(undone.counts.foldersRemoved, 0);
    EXPECT_EQ(undone.counts.kept, 3) << told.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(undone.counts.itemsUnlinked, 1) << "the memo the run filed goes";
    EXPECT_EQ(FolderCount(kLibA), folders);
    EXPECT_EQ(Items(kLibA, deepest), QList<qint64>{other});
    EXPECT_EQ(
        Count(kLibA, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE SYSTEM_ID = ?1"), {row}),
        1);
    EXPECT_TRUE(told.filter(QStringLiteral("the run did not put there")).size() >= 1)
        << told.join('\n').toStdString();
    ExpectSoundChains(kLibA);
}

// The memo's trustees were changed after the run: they stay as they are now, and are reported.
TEST_F(RunUndoTest, TrusteesChangedAfterTheRunAreKeptAndReported) {
    JournalBoth();
    const qint64 memo = AddMatterMemo(kLibA, QStringLiteral("C1"), QStringLiteral("M1"));
    const QString runId = Import({QStringLiteral("C1,M1,MEMO")}, {true, false});
    ASSERT_GT(Count(kLibA,
                    QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VANTRELIS_RUN_CHANGES WHERE KIND = "
                                   "'TRUSTEES' AND DOCNUMBER = ?1"),
                    {memo}),
              0);
    env.admin(kLibA).addGroup(QStringLiteral("AUDIT"), QStringLiteral("Audit"), 0);
    env.admin(kLibA).addTrustee(memo, QStringLiteral("AUDIT"), 63);
    const QString trustees = QStringLiteral("SELECT COUNT(*) FROM DOCSADM.SECURITY WHERE THING = ?1");
    const qint64 held = Count(kLibA, trustees, {env.admin(kLibA).profileId(memo)});

    const app::UndoOutcome undone = Undo(runId);
    EXPECT_GE(undone.counts.kept, 1);
    EXPECT_EQ(Count(kLibA, trustees, {env.admin(kLibA).profileId(memo)}), held);
    EXPECT_FALSE(told.filter(QStringLiteral("changed after the run")).isEmpty())
        << told.join('\n').toStdString();
    EXPECT_EQ(FolderCount(kLibA), 0) << "the folders hold nothing else: they go";
}

// An undo stopped between two changes leaves whole changes only; a second undo completes it.
TEST_F(RunUndoTest, AnUndoInterruptedBetweenTwoFoldersIsCompletedByASecondOne) {
    JournalBoth();
    AddMatterMemo(kLibA, QStringLiteral("C1"), QStringLiteral("M1"));
    AddMatterMemo(kLibA, QStringLiteral("C2"), QStringLiteral("M2"));
    const Snapshot before = Rows(kLibA);
    const QString runId = Import({QStringLiteral("C1,M1,MEMO"), QStringLiteral("C2,M2,MEMO")}, {true, false});
    for (int steps : {3, 2}) {
        int asked = 0;
        const app::UndoOutcome part = Undo(runId, false, [&] { return ++asked > steps; });
        EXPECT_TRUE(part.stopped);
        EXPECT_EQ(part.exitStatus, 2);
        ExpectSoundChains(kLibA);
    }
    EXPECT_NE(Rows(kLibA), before);
    const app::UndoOutcome rest = Undo(runId);
    EXPECT_FALSE(rest.stopped);
    EXPECT_GE(rest.counts.alreadyDone, 5) << "a folder's link is marked with it";
    const Snapshot after = Rows(kLibA);
    EXPECT_EQ(after, before) << Difference(before, after);
}

// A folder the run created that another run changed since stays, as long as that change was not
// taken back; a run that had ended before this one started cannot have changed it and is not read.
TEST_F(RunUndoTest, AFolderAnotherRunChangedSinceIsKept) {
    JournalBoth();
    struct Case {
        const char* name;
        bool ended; // the other run ended two days before this one started (else: it has no end)
        bool takenBack;
        bool kept;
    };
    int number = 0;
    for (const Case& c :
         {Case{"a run without an end", false, false, true}, Case{"its change taken back", false, true, false},
          Case{"a run that ended before", true, false, false}}) {
        SCOPED_TRACE(c.name);
        told.clear();
        const QString client = QStringLiteral("C%1").arg(++number);
        AddMatterMemo(kLibA, client, QStringLiteral("M%1").arg(number));
        const QString runId = Import({client + QStringLiteral(",M%1,MEMO").arg(number)}, {true, false});
        // The uppermost folder the run created (the first one).
        const qint64 top =
            Count(kLibA,
                  QStringLiteral("SELECT MIN(DOCNUMBER) FROM DOCSADM.VANTRELIS_RUN_CHANGES WHERE "
                                 "RUN_ID = ?1 AND KIND = 'FOLDER'"),
                  {runId});
        ASSERT_GT(top, 0);
        const QDateTime started = QDateTime::fromString(
            Db(kLibA)
                .scalar(QStringLiteral("SELECT STARTED FROM DOCSADM.VANTRELIS_RUNS WHERE RUN_ID = ?1"),
                        {runId})
                .toString(),
            Qt::ISODate);
        const QString other = QStringLiteral("20200101-000000-OT%1").arg(number);
        seenRuns += other;
        Db(kLibA).execute(
            QStringLiteral(
                "INSERT INTO DOCSADM.VANTRELIS_RUNS (RUN_ID, STARTED, ENDED, STATUS) VALUES (?1, ?2, "
                "?3, 'running')"),
            {other, started.addDays(-3).toString(Qt::ISODate),
             c.ended ? QVariant(started.addDays(-2).toString(Qt::ISODate)) : QVariant()});
        Db(kLibA).execute(
            QStringLiteral("INSERT INTO DOCSADM.VANTRELIS_RUN_CHANGES (RUN_ID, SEQ, KIND, DOCNUMBER, "
                           "PARENT, ITEM_ID, BEFORE_VALUES, AFTER_VALUES) VALUES (?1, 1, "
                           "'PROFILE', ?2, 0, 0, '{\"RETENTION\":\"0\"}', '{\"RETENTION\":\"30\"}')"),
            {other, top});
        if (c.takenBack)
            Db(kLibA).execute(QStringLiteral("INSERT INTO DOCSADM.VANTRELIS_RUN_CHANGES (RUN_ID, SEQ, KIND, "
                                             "DOCNUMBER) VALUES (?1, -1, 'UNDONE', ?2)"),
                              {other, top});

        const app::UndoOutcome undone = Undo(runId);
        EXPECT_EQ(undone.exitStatus, 0) << undone.summary.toStdString();
        EXPECT_EQ(
            Count(kLibA, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER WHERE DOCNUMBER = ?1"), {top}),
            c.kept ? 1 : 0);
        EXPECT_EQ(
            told.filter(QStringLiteral("run ") + other + QStringLiteral(" changed it after this run")).size(),
            c.kept ? 1 : 0)
            << told.join('\n').toStdString();
        ExpectSoundChains(kLibA);
    }
}

// Two runs; the first is taken back: the second run's folders and items stay, and so does every
// folder of the first that now holds them.
TEST_F(RunUndoTest, UndoingTheFirstOfTwoRunsKeepsTheSecondRunsWork) {
    JournalBoth();
    AddMatterMemo(kLibA, QStringLiteral("C1"), QStringLiteral("M1"));
    AddMatterMemo(kLibA, QStringLiteral("C1"), QStringLiteral("M2"), false);
    const QString first = Import({QStringLiteral("C1,M1,MEMO")}, {true, false});
    const QString second = Import({QStringLiteral("C1,M2,MEMO")}, {true, false});
    ASSERT_NE(first, second);
    const auto itemsOf = [&](const QString& runId) {
        return Db(kLibA)
            .query(QStringLiteral("SELECT J.ITEM_ID FROM DOCSADM.VANTRELIS_RUN_CHANGES J WHERE J.RUN_ID = ?1 "
                                  "AND J.KIND = 'ITEM' AND J.SEQ > 0"),
                   {runId})
            .rows;
    };
    const auto secondItems = itemsOf(second);
    ASSERT_FALSE(secondItems.empty());

    const app::UndoOutcome undone = Undo(first);
    EXPECT_EQ(undone.exitStatus, 0) << undone.summary.toStdString();
    EXPECT_GT(undone.counts.foldersRemoved, 0) << "the first run's matter folder goes";
    EXPECT_GT(undone.counts.kept, 0) << "the folders the second run filed into stay";
    for (const auto& item : secondItems)
        EXPECT_EQ(Count(kLibA,
                        QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE SYSTEM_ID = ?1"),
                        {item.at(0)}),
                  1);
    ExpectSoundChains(kLibA);
    // The second run can still be taken back whole.
    const app::UndoOutcome secondUndone = Undo(second);
    EXPECT_EQ(secondUndone.counts.kept, 0) << told.join('\n').toStdString();
    EXPECT_EQ(
        Count(kLibA, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE DOCNUMBER IN (SELECT "
                                    "DOCNUMBER FROM DOCSADM.PROFILE WHERE DOCNAME LIKE 'Memo%')")),
        0);
}

// Journal rows as a run might have left them, and one that no run writes: a value is put back only
// where it is still the run's, and a row that cannot be read safely changes nothing.
TEST_F(RunUndoTest, AProfileValueGoesBackOnlyWhereItIsStillTheRunsAndAnUnreadableRowChangesNothing) {
    struct Case {
        const char* name;
        const char* kind;
        const char* before;
        const char* after;
        const char* current; // ABSTRACT when the undo starts
        const char* outcome;
        QVariant left; // ABSTRACT afterwards
    };
    const std::vector<Case> cases = {
        {"still the run's", "PROFILE", R"({"ABSTRACT":null})", R"({"ABSTRACT":"O'Brien"})", "O'Brien",
         "undone", QVariant()},
        {"an empty text", "PROFILE", R"({"ABSTRACT":""})", R"({"ABSTRACT":"x"})", "x", "undone",
         QVariant(QString(""))},
        {"changed since", "PROFILE", R"({"ABSTRACT":null})", R"({"ABSTRACT":"x"})", "y", "kept",
         QVariant(QStringLiteral("y"))},
        {"no column name", "PROFILE", R"({"ABSTRACT = NULL, DOCNAME":null})",
         R"({"ABSTRACT = NULL, DOCNAME":"x"})", "x", "kept", QVariant(QStringLiteral("x"))},
        {"unreadable trustees", "TRUSTEES", "[[1,", "[]", "x", "kept", QVariant(QStringLiteral("x"))},
        {"unknown kind", "RENAME", "{}", "{}", "x", "kept", QVariant(QStringLiteral("x"))},
    };
    JournalBoth();
    const qint64 memo = AddMatterMemo(kLibA, QStringLiteral("C1"), QStringLiteral("M1"));
    Start();
    view.choices = Choices({QStringLiteral("C1,M1,MEMO")}, {true, false});
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString runId = QStringLiteral("20261209-0000%1-TEST").arg(++n, 2, 10, QLatin1Char('0'));
        Db(kLibA).execute(
            QStringLiteral("INSERT INTO DOCSADM.VANTRELIS_RUNS (RUN_ID, STARTED, STATUS) VALUES (?1, "
                           "'2026-12-09T00:00:00', 'finished')"),
            {runId});
        Db(kLibA).execute(
            QStringLiteral("INSERT INTO DOCSADM.VANTRELIS_RUN_CHANGES (RUN_ID, SEQ, KIND, DOCNUMBER, "
                           "PARENT, ITEM_ID, BEFORE_VALUES, AFTER_VALUES) VALUES (?1, 1, ?2, ?3, 0, "
                           "0, ?4, ?5)"),
            {runId, QString::fromLatin1(c.kind), memo, QString::fromUtf8(c.before),
             QString::fromUtf8(c.after)});
        Db(kLibA).execute(QStringLiteral("UPDATE DOCSADM.PROFILE SET ABSTRACT = ?1 WHERE DOCNUMBER = ?2"),
                          {QString::fromUtf8(c.current), memo});
        told.clear();
        const app::UndoOutcome undone = Undo(runId);
        EXPECT_EQ(undone.exitStatus, 0) << undone.summary.toStdString();
        EXPECT_EQ(
            QLatin1String(c.outcome) == QLatin1String("kept") ? undone.counts.kept : undone.counts.total(), 1)
            << told.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(Db(kLibA).scalar(
                      QStringLiteral("SELECT ABSTRACT FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {memo}),
                  c.left);
        EXPECT_EQ(Undo(runId).counts.alreadyDone, 1) << "the row is marked, kept or not";
    }
}

TEST_F(RunUndoTest, WithoutTheJournalTablesOrTheRunNothingChangesAndTheReasonIsGiven) {
    AddMatterMemo(kLibA, QStringLiteral("C1"), QStringLiteral("M1"));
    Import({QStringLiteral("C1,M1,MEMO")}, {true, false});
    const Snapshot before = Rows(kLibA);
    const app::UndoOutcome undone = Undo(QStringLiteral("20261209-051530-K3QZ"));
    EXPECT_EQ(undone.exitStatus, 1);
    EXPECT_EQ(undone.libraries, 0);
    EXPECT_EQ(undone.problems, QStringList{app::NoJournalLine(kLibA)});
    EXPECT_EQ(Rows(kLibA), before);

    // With the tables, a run id that is not there, apostrophe and all.
    env.admin(kLibA).addJournalTables();
    told.clear();
    const app::UndoOutcome unknown = Undo(QStringLiteral("X' OR '1'='1"));
    EXPECT_EQ(unknown.exitStatus, 1);
    EXPECT_FALSE(told.filter(QStringLiteral("is not in the journal")).isEmpty());
    EXPECT_EQ(Rows(kLibA), before);
}

} // namespace
} // namespace vantrelis::testing
