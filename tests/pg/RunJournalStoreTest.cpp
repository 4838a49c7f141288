// The run journal's tables and rows on both stores: `upgrade` adds the tables once, and a change row
// lives and dies with the transaction it was written in.

#include "common/Fault.h"
#include "dm/DmConstants.h"
#include "dm/RunJournalText.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LocalRunJournal.h"
#include "pg/TestStores.h"

#include <gtest/gtest.h>

namespace vantrelis::testing {
namespace {

using namespace dm::local;

class RunJournalStoreTest : public ::testing::TestWithParam<StoreKind> {
protected:
    void SetUp() override {
        if (GetParam() == StoreKind::Postgres)
            VANTRELIS_REQUIRE_PG();
        m_library = std::make_unique<TestStores>(GetParam(), dm::kEngineMssql);
    }
    LibraryStore& db() { return *m_library->store(); }
    qint64 count(const QString& where) {
        return db()
            .scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VANTRELIS_RUN_CHANGES WHERE ") + where)
            .toLongLong();
    }

    // The journal tables, and a run started in them.
    LocalRunJournal StartedJournal() {
        LibraryAdmin(m_library->store()).addJournalTables();
        LocalRunJournal journal(m_library->store());
        dm::RunRecord run;
        run.runId = QStringLiteral("20261209-051530-K3QZ");
        run.started = QStringLiteral("2026-12-09T05:15:30");
        journal.startRun(run);
        return journal;
    }

    std::unique_ptr<TestStores> m_library;
};

TEST_P(RunJournalStoreTest, UpgradeAddsTheTablesOnce) {
    LibraryAdmin admin(m_library->store());
    EXPECT_FALSE(admin.hasJournalTables());
    EXPECT_FALSE(LocalRunJournal::Present(db()));
    EXPECT_EQ(admin.addJournalTables(),
              QStringList({QStringLiteral("VANTRELIS_RUNS"), QStringLiteral("VANTRELIS_RUN_CHANGES")}));
    EXPECT_TRUE(admin.hasJournalTables());
    EXPECT_TRUE(LocalRunJournal::Present(db()));
    EXPECT_EQ(admin.addJournalTables(), QStringList());
}

TEST_P(RunJournalStoreTest, ChangeRowsCommitAndRollBackWithTheirChange) {
    LibraryAdmin(m_library->store()).addJournalTables();
    LocalRunJournal journal(m_library->store());
    dm::RunRecord run;
    run.runId = QStringLiteral("20261209-051530-K3");
    run.started = QStringLiteral("2026-12-09T05:15:30");
    run.user = QStringLiteral("GARY");
    run.importFile = QStringLiteral("/data/O'Brien.csv");
    run.importSet = QStringLiteral("CLIENTS");
    journal.folderCreated(500, 0, 0); // before the run: nothing is written
    journal.startRun(run);
    EXPECT_TRUE(journal.active());

    db().begin();
    journal.folderCreated(501, 0, 0);
    db().rollback();
    db().begin();
    journal.folderCreated(502, 501, 9001);
    journal.itemLinked(9002, 502, 77, 9001);
    db().commit();
    EXPECT_TRUE(journal.createdByRun(502));
    const dm::RunJournalText::ColumnList before{{QStringLiteral("ABSTRACT"), QString()}};
    const dm::RunJournalText::ColumnList after{
        {QStringLiteral("ABSTRACT"), QStringLiteral("O'Brien \"memo\"")}};
    journal.profileChanged(77, before, after);
    journal.profileChanged(502, before, after); // the run's own folder: its FOLDER row covers it
    journal.trusteesReplaced(77, QStringLiteral("[]"), QStringLiteral("[[11,255]]"));
    journal.trusteesReplaced(77, QStringLiteral("[[11,255]]"), QStringLiteral("[[11,255]]")); // no change

    EXPECT_EQ(count(QStringLiteral("DOCNUMBER IN (500, 501)")), 0);
    EXPECT_EQ(
        count(QStringLiteral("KIND = 'FOLDER' AND DOCNUMBER = 502 AND PARENT = 501 AND ITEM_ID = 9001")), 1);
    EXPECT_EQ(count(QStringLiteral("KIND = 'ITEM' AND DOCNUMBER = 77 AND PARENT = 502 AND ITEM_ID = 9002 AND "
                                   "BEFORE_VALUES = '{\"previous\":9001}'")),
              1);
    EXPECT_EQ(
        db().scalar(QStringLiteral("SELECT AFTER_VALUES FROM DOCSADM.VANTRELIS_RUN_CHANGES WHERE KIND = "
                                   "'PROFILE'"))
            .toString(),
        QStringLiteral("{\"ABSTRACT\":\"O'Brien \\\"memo\\\"\"}"));
    EXPECT_EQ(count(QStringLiteral("KIND = 'PROFILE'")), 1);
    EXPECT_EQ(
        count(QStringLiteral("KIND = 'TRUSTEES' AND BEFORE_VALUES = '[]' AND AFTER_VALUES = '[[11,255]]'")),
        1);
    EXPECT_EQ(count(QStringLiteral("RUN_ID = '20261209-051530-K3'")), 4);

    run.ended = QStringLiteral("2026-12-09T05:16:00");
    run.paths = 3;
    run.foldersAdded = 1;
    run.documentsFiled = 1;
    run.status = QStringLiteral("finished");
    journal.finishRun(run);
    EXPECT_FALSE(journal.active());
    journal.folderCreated(503, 0, 0); // after the run: nothing
    EXPECT_EQ(count(QStringLiteral("DOCNUMBER = 503")), 0);

    dm::RunRecord later = run;
    later.runId = QStringLiteral("20261209-061000-AB");
    later.started = QStringLiteral("2026-12-09T06:10:00");
    journal.startRun(later);
    const std::vector<dm::RunRecord> runs = journal.runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].runId, later.runId);
    EXPECT_EQ(runs[0].status, QStringLiteral("running"));
    EXPECT_TRUE(runs[0].ended.isEmpty());
    EXPECT_EQ(runs[1].runId, run.runId);
    EXPECT_EQ(runs[1].importFile, run.importFile);
    EXPECT_EQ(runs[1].ended, run.ended);
    EXPECT_EQ(runs[1].paths, 3);
    EXPECT_EQ(runs[1].foldersAdded, 1);
    EXPECT_EQ(runs[1].documentsFiled, 1);
    EXPECT_EQ(runs[1].status, QStringLiteral("finished"));
}

// Inside a transaction the change rows wait for its commit: a savepoint rolled back drops the rows
// written inside it (whether or not it wrote anything else), the commit writes the rest in the order
// of the changes, and a row that cannot be written fails the commit and the change with it.
TEST_P(RunJournalStoreTest, KeptRowsFollowTheirSavepointsAndFailTheCommitTheyCannotJoin) {
    LocalRunJournal journal = StartedJournal();
    const auto profile = [&](qint64 docNumber) {
        db().execute(QStringLiteral("INSERT INTO DOCSADM.PROFILE (SYSTEM_ID, DOCNUMBER) VALUES (?1, ?1)"),
                     {docNumber});
    };
    const auto profiles = [&](const QString& numbers) {
        return db()
            .scalar(
                QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE WHERE DOCNUMBER IN (%1)").arg(numbers))
            .toLongLong();
    };

    db().begin();
    journal.itemLinked(1, 10, 1, 0);
    profile(1);
    db().begin(); // rolled back after a write of its own
    profile(2);
    journal.itemLinked(2, 10, 2, 1);
    db().rollback();
    db().begin(); // rolled back having written nothing but its row
    journal.itemLinked(3, 10, 3, 1);
    db().rollback();
    db().begin();
    journal.itemLinked(4, 10, 4, 1);
    db().begin();
    profile(5);
    journal.itemLinked(5, 10, 5, 4);
    db().begin(); // inside a kept savepoint, rolled back
    journal.itemLinked(6, 10, 6, 5);
    db().rollback();
    db().commit();
    db().commit();
    // More rows than one statement carries, and not a power of two of them.
    for (qint64 item = 100; item < 100 + 2 * DeferredRows::kMaxRowsPerStatement + 7; ++item)
        journal.itemLinked(item, 10, item, item - 1);
    db().commit();

    std::vector<qint64> order;
    for (const auto& row : db().query(QStringLiteral("SELECT DOCNUMBER FROM DOCSADM.VANTRELIS_RUN_CHANGES "
                                                     "ORDER BY SEQ"))
                               .rows)
        order.push_back(row.at(0).toLongLong());
    std::vector<qint64> expected{1, 4, 5};
    for (qint64 item = 100; item < 100 + 2 * DeferredRows::kMaxRowsPerStatement + 7; ++item)
        expected.push_back(item);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(profiles(QStringLiteral("1, 2, 5")), 2);

    // A row the library refuses (its run and number taken already): the change does not commit,
    // and the library takes the next transaction.
    const qint64 next =
        db().scalar(QStringLiteral("SELECT MAX(SEQ) FROM DOCSADM.VANTRELIS_RUN_CHANGES")).toLongLong() + 1;
    db().execute(QStringLiteral("INSERT INTO DOCSADM.VANTRELIS_RUN_CHANGES (RUN_ID, SEQ, DOCNUMBER) "
                                "VALUES (?1, ?2, 0)"),
                 {QStringLiteral("20261209-051530-K3QZ"), next});
    db().begin();
    profile(7);
    journal.itemLinked(7, 10, 7, 5);
    EXPECT_THROW(db().commit(), Fault);
    EXPECT_FALSE(db().inTransaction());
    db().rollback(); // as a caller's guard does: nothing is left to roll back
    EXPECT_EQ(profiles(QStringLiteral("7")), 0);
    EXPECT_EQ(count(QStringLiteral("DOCNUMBER = 7")), 0);
    db().begin();
    profile(8);
    journal.itemLinked(8, 10, 8, 5);
    db().commit();
    EXPECT_EQ(profiles(QStringLiteral("8")), 1);
    EXPECT_EQ(count(QStringLiteral("DOCNUMBER = 8")), 1);
}

// A trustee list reads in the order its rows were written, by the profile's key or its number.
TEST_P(RunJournalStoreTest, TrusteeListsReadInStoredOrder) {
    LibraryAdmin(m_library->store()).addJournalTables();
    LocalRunJournal journal(m_library->store());
    db().execute(QStringLiteral("INSERT INTO DOCSADM.PROFILE (SYSTEM_ID, DOCNUMBER) VALUES (900, 42)"));
    EXPECT_EQ(journal.trusteeList(42, 900), QStringLiteral("[]"));
    for (const auto& [trustee, rights] : {std::pair{12, 63}, std::pair{11, 255}, std::pair{13, -1}})
        db().execute(QStringLiteral("INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) "
                                    "VALUES (900, ?1, ?2)"),
                     {trustee, rights});
    EXPECT_EQ(journal.trusteeList(42, 900), QStringLiteral("[[12,63],[11,255],[13,-1]]"));
    EXPECT_EQ(journal.trusteeList(42), QStringLiteral("[[12,63],[11,255],[13,-1]]"));
}

// What a change of security set in the profile (DEFAULT_RIGHTS, the edit time) is journalled with it,
// in a folder's transaction as in a whole library's, from what the transaction read; a rollback in
// between makes the journal read again.
TEST_P(RunJournalStoreTest, SecurityColumnsAreJournalledWithTheTrustees) {
    LocalRunJournal journal = StartedJournal();
    db().execute(
        QStringLiteral("INSERT INTO DOCSADM.PROFILE (SYSTEM_ID, DOCNUMBER, DEFAULT_RIGHTS, LAST_EDIT_DATE) "
                       "VALUES (900, 42, 0, '2023-01-02'), (901, 43, 0, '2023-01-02')"));
    const auto profileRows = [&](qint64 doc) {
        return db()
            .query(
                QStringLiteral("SELECT BEFORE_VALUES, AFTER_VALUES FROM DOCSADM.VANTRELIS_RUN_CHANGES WHERE "
                               "KIND = 'PROFILE' AND DOCNUMBER = ?1"),
                {doc})
            .rows;
    };
    struct Case {
        const char* name;
        qint64 doc;
        bool folderScope;
        bool rollbackBetween;
    };
    for (const Case& c :
         {Case{"folder's transaction", 42, true, false}, Case{"after a rollback", 43, false, true}}) {
        SCOPED_TRACE(c.name);
        if (c.folderScope)
            db().beginForFolder(7);
        else
            db().begin();
        const QString before = journal.trusteeList(c.doc, 900 + (c.doc - 42));
        if (c.rollbackBetween) {
            db().begin();
            db().execute(QStringLiteral(
                             "UPDATE DOCSADM.PROFILE SET LAST_EDIT_DATE = '2024-05-06' WHERE DOCNUMBER = ?1"),
                         {c.doc});
            db().rollback();
            // Someone's edit the journal did not see: read, not taken from what it knew.
            db().execute(QStringLiteral(
                             "UPDATE DOCSADM.PROFILE SET LAST_EDIT_DATE = '2025-01-01' WHERE DOCNUMBER = ?1"),
                         {c.doc});
        }
        db().execute(QStringLiteral("UPDATE DOCSADM.PROFILE SET DEFAULT_RIGHTS = 1 WHERE DOCNUMBER = ?1"),
                     {c.doc});
        db().execute(QStringLiteral(
                         "INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) VALUES (?1, 11, "
                         "255)"),
                     {900 + (c.doc - 42)});
        // The caller says what it set; after the rollback the journal does not take its word for the rest.
        journal.trusteesReplaced(c.doc, before, QStringLiteral("[[11,255]]"), 1);
        db().commit();
        const auto rows = profileRows(c.doc);
        ASSERT_EQ(rows.size(), 1u);
        if (c.rollbackBetween) {
            EXPECT_EQ(rows.front().at(0).toString(),
                      QStringLiteral("{\"DEFAULT_RIGHTS\":\"0\",\"LAST_EDIT_DATE\":\"2023-01-02\"}"));
            EXPECT_EQ(rows.front().at(1).toString(),
                      QStringLiteral("{\"DEFAULT_RIGHTS\":\"1\",\"LAST_EDIT_DATE\":\"2025-01-01\"}"));
        } else {
            EXPECT_EQ(rows.front().at(0).toString(), QStringLiteral("{\"DEFAULT_RIGHTS\":\"0\"}"));
            EXPECT_EQ(rows.front().at(1).toString(), QStringLiteral("{\"DEFAULT_RIGHTS\":\"1\"}"));
        }
    }
}

// Changes of one document's columns one after the other in a transaction level share a row: the
// first value before and the last one after of each column. A change in a level begun since, or
// after another row, gets a row of its own, so that each rollback still takes exactly its own.
TEST_P(RunJournalStoreTest, ColumnChangesInARowShareOneRow) {
    LocalRunJournal journal = StartedJournal();
    using Columns = dm::RunJournalText::ColumnList;
    const auto column = [](const char* name, const char* value) {
        return Columns{{QString::fromLatin1(name), value ? QString::fromLatin1(value) : QString()}};
    };
    const auto rows = [&](qint64 doc) {
        std::vector<std::string> texts;
        for (const auto& row :
             db().query(QStringLiteral("SELECT BEFORE_VALUES, AFTER_VALUES FROM "
                                       "DOCSADM.VANTRELIS_RUN_CHANGES WHERE KIND = 'PROFILE' "
                                       "AND DOCNUMBER = ?1 ORDER BY SEQ"),
                        {doc})
                 .rows)
            texts.push_back(
                (row.at(0).toString() + QStringLiteral(" -> ") + row.at(1).toString()).toStdString());
        return texts;
    };
    using Rows = std::vector<std::string>;

    // One after the other, a column changed twice among them (the first value had none); the
    // change in the level begun after the first row has a row of its own, which the change after
    // that level's commit joins.
    db().begin();
    journal.profileChanged(42, column("DEFAULT_RIGHTS", "0"), column("DEFAULT_RIGHTS", "1"));
    journal.profileChanged(42, column("LAST_EDIT_DATE", "2023-01-02"),
                           column("LAST_EDIT_DATE", "2026-12-09"));
    db().begin();
    journal.profileChanged(42, column("ABSTRACT", nullptr), column("ABSTRACT", "O'Brien"));
    db().commit(); // the inner level's row is the outer level's now
    journal.profileChanged(42, column("ABSTRACT", "O'Brien"), column("ABSTRACT", "Memo"));
    journal.profileChanged(42, column("RETENTION", "0"), column("RETENTION", "30"));
    db().commit();
    EXPECT_EQ(
        rows(42),
        Rows(
            {R"({"DEFAULT_RIGHTS":"0","LAST_EDIT_DATE":"2023-01-02"} -> {"DEFAULT_RIGHTS":"1","LAST_EDIT_DATE":"2026-12-09"})",
             R"({"ABSTRACT":null,"RETENTION":"0"} -> {"ABSTRACT":"Memo","RETENTION":"30"})"}));

    // A level begun after the row: its change, rolled back, takes its own row with it and leaves
    // the row before as it was.
    db().begin();
    journal.profileChanged(43, column("DEFAULT_RIGHTS", "0"), column("DEFAULT_RIGHTS", "1"));
    db().begin();
    journal.profileChanged(43, column("ABSTRACT", nullptr), column("ABSTRACT", "Lost"));
    db().rollback();
    journal.profileChanged(43, column("RETENTION", "0"), column("RETENTION", "30"));
    db().commit();
    EXPECT_EQ(rows(43), Rows({R"({"DEFAULT_RIGHTS":"0"} -> {"DEFAULT_RIGHTS":"1"})",
                              R"({"RETENTION":"0"} -> {"RETENTION":"30"})"}));

    // Another document's row, another row between, or another transaction: rows of their own.
    db().begin();
    journal.profileChanged(44, column("RETENTION", "0"), column("RETENTION", "30"));
    journal.profileChanged(45, column("RETENTION", "0"), column("RETENTION", "30"));
    journal.trusteesReplaced(44, QStringLiteral("[]"), QStringLiteral("[[11,255]]"));
    journal.profileChanged(44, column("ABSTRACT", nullptr), column("ABSTRACT", "A"));
    db().commit();
    journal.profileChanged(44, column("ABSTRACT", "A"), column("ABSTRACT", "B"));
    EXPECT_EQ(rows(44).size(), 3u);
    EXPECT_EQ(rows(45).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothStores, RunJournalStoreTest,
                         ::testing::Values(StoreKind::Sqlite, StoreKind::Postgres),
                         [](const ::testing::TestParamInfo<StoreKind>& info) {
                             return std::string(KindName(info.param));
                         });

} // namespace
} // namespace vantrelis::testing
