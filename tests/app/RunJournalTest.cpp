// The run journal on temporary libraries: what a run writes there, and what it does not.

#include "app/RunJournal.h"
#include "ImportRunFixture.h"
#include "support/QtPrinters.h"

#include "dm/RunJournalText.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace vantrelis::testing {
namespace {

const QString kLibA = QStringLiteral("LIB_A");
const QString kLibB = QStringLiteral("LIB_B");

class RunJournalTest : public ImportRunFixture {
protected:
    dm::local::LibraryDatabase& Db(const QString& library) { return env.admin(library).database(); }

    // A run with the real folder engine, filing the matters' documents into the new folders.
    void RunLines(const QStringList& lines, const QList<bool>& ticks, const QStringList& options = {}) {
        Start(app::CommandLine::Parse(QStringList{QStringLiteral("--profile-from-line")} + options));
        run = std::make_unique<app::ImportRun>(*context, view, context->folders());
        run->setSummaryOutput([this](const QString& line) { summaries.append(line); });
        view.choices = Choices(lines, ticks);
        view.choices.addNewDocs = true;
        Go();
    }

    qint64 Count(const QString& library, const QString& sql, const QVariantList& params = {}) {
        return Db(library).scalar(sql, params).toLongLong();
    }

    // (SYSTEM_ID, PARENT, DOCNUMBER) of a set of FOLDER_ITEM rows or of journal rows.
    using ItemRow = std::tuple<qint64, qint64, qint64>;
    std::set<ItemRow> ItemRows(const QString& library, const QString& sql) {
        std::set<ItemRow> rows;
        for (const auto& row : Db(library).query(sql).rows)
            rows.insert({row.at(0).toLongLong(), row.at(1).toLongLong(), row.at(2).toLongLong()});
        return rows;
    }

    // A document's SECURITY rows as the journal writes a trustee list.
    QString TrusteesOf(const QString& library, qint64 docNumber) {
        QStringList entries;
        for (const auto& row :
             Db(library)
                 .query(QStringLiteral("SELECT S.PERSONORGROUP, S.ACCESSRIGHTS FROM DOCSADM.SECURITY S, "
                                       "DOCSADM.PROFILE P WHERE S.THING = P.SYSTEM_ID AND P.DOCNUMBER = ?1 "
                                       "ORDER BY S.ROWID"),
                        {docNumber})
                 .rows)
            entries += QStringLiteral("[%1,%2]").arg(row.at(0).toLongLong()).arg(row.at(1).toLongLong());
        return QLatin1Char('[') + entries.join(QLatin1Char(',')) + QLatin1Char(']');
    }
};

TEST_F(RunJournalTest, ARunWritesOneRowPerLibraryAndARowForEveryChange) {
    std::map<QString, qint64> memos;
    for (const QString& library : {kLibA, kLibB}) {
        ASSERT_EQ(env.admin(library).addJournalTables(),
                  QStringList({QStringLiteral("VANTRELIS_RUNS"), QStringLiteral("VANTRELIS_RUN_CHANGES")}));
        memos[library] = AddMatterMemo(library, QStringLiteral("C1"), QStringLiteral("M1"));
    }
    RunLines({QStringLiteral("C1,M1,MEMO")}, {true, true});
    ASSERT_FALSE(summaries.isEmpty());
    EXPECT_TRUE(summaries.last().contains(QStringLiteral("6 folders added, 2 documents filed, 0 errors")))
        << summaries.last().toStdString();

    QString runId;
    for (const QString& library : {kLibA, kLibB}) {
        SCOPED_TRACE(library.toStdString());
        const auto runs = Db(library).query(QStringLiteral(
            "SELECT RUN_ID, RUN_USER, IMPORT_SET, OPTIONS, PATHS, FOLDERS_ADDED, DOCUMENTS_FILED, "
            "ERRORS, STATUS, ENDED, FILE_SHA256 FROM DOCSADM.VANTRELIS_RUNS"));
        ASSERT_EQ(runs.rows.size(), 1u);
        const auto& row = runs.rows.front();
        if (runId.isEmpty())
            runId = row.at(0).toString();
        EXPECT_EQ(row.at(0).toString(), runId) << "the same id in every library";
        EXPECT_EQ(row.at(1).toString(), QLatin1String(LocalEnvironment::kUser));
        EXPECT_EQ(row.at(2).toString(), QStringLiteral("CLIENT_MATTER"));
        EXPECT_EQ(row.at(3).toString(), QStringLiteral("/ADNF --profile-from-line"));
        EXPECT_EQ(row.at(4).toLongLong(), 1);
        EXPECT_EQ(row.at(5).toLongLong(), 3);
        EXPECT_EQ(row.at(6).toLongLong(), 1);
        EXPECT_EQ(row.at(7).toLongLong(), 0);
        EXPECT_EQ(row.at(8).toString(), QStringLiteral("finished"));
        EXPECT_FALSE(row.at(9).toString().isEmpty());
        EXPECT_EQ(row.at(10).toString(), app::RunJournal::FileChecksum(view.choices.importFile));

        // Every folder of the library is one the run created, each with its link.
        EXPECT_EQ(Count(library, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VANTRELIS_RUN_CHANGES "
                                                "WHERE KIND = 'FOLDER'")),
                  FolderCount(library));
        EXPECT_EQ(ItemRows(library, QStringLiteral("SELECT J.ITEM_ID, J.PARENT, J.DOCNUMBER FROM "
                                                   "DOCSADM.VANTRELIS_RUN_CHANGES J WHERE J.KIND = 'FOLDER' "
                                                   "AND J.PARENT <> 0")),
                  ItemRows(library, QStringLiteral("SELECT I.SYSTEM_ID, I.PARENT, I.DOCNUMBER FROM "
                                                   "DOCSADM.FOLDER_ITEM I, DOCSADM.FOLDER F WHERE "
                                                   "F.DOCNUMBER = I.DOCNUMBER")));
        EXPECT_EQ(Count(library, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VANTRELIS_RUN_CHANGES J WHERE "
                                                "J.KIND = 'FOLDER' AND J.PARENT = 0 AND J.DOCNUMBER IN "
                                                "(SELECT DOCNUMBER FROM DOCSADM.FOLDER)")),
                  1);
        // Every item row in the library is the run's, folders and the memo alike.
        EXPECT_EQ(ItemRows(library, QStringLiteral("SELECT ITEM_ID, PARENT, DOCNUMBER FROM "
                                                   "DOCSADM.VANTRELIS_RUN_CHANGES WHERE KIND = 'ITEM'")),
                  ItemRows(library,
                           QStringLiteral("SELECT SYSTEM_ID, PARENT, DOCNUMBER FROM DOCSADM.FOLDER_ITEM")));
        // The memo's trustees: the last journal row leaves them as they are now, the first found
        // them as the memo was made (no rows).
        const auto trustees = Db(library).query(
            QStringLiteral("SELECT BEFORE_VALUES, AFTER_VALUES FROM DOCSADM.VANTRELIS_RUN_CHANGES WHERE "
                           "KIND = 'TRUSTEES' AND DOCNUMBER = ?1 ORDER BY SEQ"),
            {memos[library]});
        ASSERT_FALSE(trustees.rows.empty());
        EXPECT_EQ(trustees.rows.front().at(0).toString(), QStringLiteral("[]"));
        EXPECT_EQ(trustees.rows.back().at(1).toString(), TrusteesOf(library, memos[library]));
        for (std::size_t i = 1; i < trustees.rows.size(); ++i)
            EXPECT_EQ(trustees.rows[i].at(0), trustees.rows[i - 1].at(1))
                << "each row starts where the last ended";
        // No trustee or profile row for a folder the run made: its FOLDER row covers it.
        EXPECT_EQ(Count(library, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VANTRELIS_RUN_CHANGES WHERE "
                                                "KIND IN ('TRUSTEES', 'PROFILE') AND DOCNUMBER IN "
                                                "(SELECT DOCNUMBER FROM DOCSADM.FOLDER)")),
                  0);
        // The sequence numbers run without repeats.
        EXPECT_EQ(
            Count(library, QStringLiteral("SELECT COUNT(DISTINCT SEQ) FROM DOCSADM.VANTRELIS_RUN_CHANGES")),
            Count(library, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VANTRELIS_RUN_CHANGES")));
    }
}

// Metadata inheritance fills an existing document's empty column from the folder it is filed
// into: its journal row holds the column empty before and as it is now after.
TEST_F(RunJournalTest, AProfileValueInheritedByAnExistingDocumentIsJournalledBeforeAndAfter) {
    env.admin(kLibA).addJournalTables();
    const qint64 memo = AddMatterMemo(kLibA, QStringLiteral("C1"), QStringLiteral("M1"));
    const QString matterOf =
        QStringLiteral("SELECT COALESCE(MATTER, 0) FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1");
    const qint64 matter = Count(kLibA, matterOf, {memo});
    const qint64 folder = AddFolder(kLibA, QStringLiteral("Matters"), 0);
    Db(kLibA).execute(QStringLiteral("UPDATE DOCSADM.PROFILE SET MATTER = ?1 WHERE DOCNUMBER = ?2"),
                      {matter, folder});
    Db(kLibA).execute(QStringLiteral("UPDATE DOCSADM.PROFILE SET MATTER = NULL WHERE DOCNUMBER = ?1"),
                      {memo});

    Start();
    app::RunJournal journal(context->session(), harness.clock);
    view.choices = Choices({QStringLiteral("C1,M1,MEMO")}, {true, false});
    journal.Begin(view.choices, QStringLiteral("CLIENT_MATTER"), context->commandLine(), false);
    journal.LibraryStart();
    context->folders().LoadForeignColumns();
    const int rule = context->rules().Find(kLibA, QStringLiteral("CLIENT_MATTER"));
    ASSERT_NE(rule, 0);
    ASSERT_TRUE(context->folders().AddFolderItem(static_cast<qint32>(memo), static_cast<qint32>(folder),
                                                 QStringLiteral("P"), rule, 0));
    journal.LibraryEnd(1, 0, 1, 0, QStringLiteral("finished"));

    EXPECT_EQ(Count(kLibA, matterOf, {memo}), matter);
    const auto changes = Db(kLibA).query(
        QStringLiteral("SELECT BEFORE_VALUES, AFTER_VALUES FROM DOCSADM.VANTRELIS_RUN_CHANGES WHERE "
                       "KIND = 'PROFILE' AND DOCNUMBER = ?1 AND BEFORE_VALUES LIKE '%MATTER%'"),
        {memo});
    ASSERT_EQ(changes.rows.size(), 1u);
    EXPECT_EQ(changes.rows.front().at(0).toString(), QStringLiteral("{\"MATTER\":null}"));
    EXPECT_EQ(changes.rows.front().at(1).toString(), QStringLiteral("{\"MATTER\":\"%1\"}").arg(matter));
    EXPECT_EQ(
        ItemRows(kLibA, QStringLiteral("SELECT ITEM_ID, PARENT, DOCNUMBER FROM DOCSADM.VANTRELIS_RUN_CHANGES "
                                       "WHERE KIND = 'ITEM'")),
        ItemRows(kLibA, QStringLiteral("SELECT SYSTEM_ID, PARENT, DOCNUMBER FROM DOCSADM.FOLDER_ITEM WHERE "
                                       "PARENT = ") +
                            QString::number(folder)));
    EXPECT_EQ(Count(kLibA, QStringLiteral("SELECT STATUS = 'finished' FROM DOCSADM.VANTRELIS_RUNS")), 1);
}

// A folder whose creation rolls back (its line's values refused) leaves no journal row; the folders
// that committed before it have theirs.
TEST_F(RunJournalTest, AChangeThatRolledBackLeavesNoJournalRow) {
    env.admin(kLibA).addJournalTables();
    AddMatterMemo(kLibA, QStringLiteral("C1"), QStringLiteral("M1"));
    Db(kLibA).execute(
        QStringLiteral("CREATE TRIGGER DOCSADM.REFUSE_MATTER BEFORE UPDATE OF MATTER ON PROFILE "
                       "WHEN NEW.MATTER > 0 BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    RunLines({QStringLiteral("C1,M1,MEMO")}, {true, false});
    EXPECT_EQ(FolderCount(kLibA), 1);
    EXPECT_EQ(Count(kLibA, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VANTRELIS_RUN_CHANGES")), 1);
    EXPECT_EQ(
        Count(kLibA, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VANTRELIS_RUN_CHANGES J, DOCSADM.FOLDER F "
                                    "WHERE J.KIND = 'FOLDER' AND J.DOCNUMBER = F.DOCNUMBER")),
        1);
    EXPECT_EQ(Count(kLibA, QStringLiteral("SELECT ERRORS FROM DOCSADM.VANTRELIS_RUNS")), 1);
}

TEST_F(RunJournalTest, LibrariesWithoutTheTablesAndCheckOnlyRunsWriteNoJournal) {
    struct Case {
        const char* name;
        bool tables;
        QStringList options;
        int folders;
    };
    const std::vector<Case> cases = {
        {"no journal tables", false, {}, 3},
        {"check only", true, {QStringLiteral("--check")}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImportRunSetup setup;
        if (c.tables)
            setup.env.admin(kLibA).addJournalTables();
        setup.Start(app::CommandLine::Parse(c.options));
        setup.run = std::make_unique<app::ImportRun>(*setup.context, setup.view, setup.context->folders());
        setup.view.choices = setup.Choices({QStringLiteral("C1,M1,MEMO")}, {true, false});
        setup.Go();
        EXPECT_EQ(setup.FolderCount(kLibA), c.folders);
        dm::local::LibraryDatabase& db = setup.env.admin(kLibA).database();
        EXPECT_EQ(db.hasTable(QStringLiteral("VANTRELIS_RUNS")), c.tables) << "the program makes no table";
        if (c.tables) {
            EXPECT_EQ(db.scalar(QStringLiteral("SELECT (SELECT COUNT(*) FROM DOCSADM.VANTRELIS_RUNS) + "
                                               "(SELECT COUNT(*) FROM DOCSADM.VANTRELIS_RUN_CHANGES)"))
                          .toInt(),
                      0);
        }
    }
}

TEST(RunJournalText, RunIdsAreTimeBasedAndShort) {
    const QDateTime at(QDate(2026, 12, 9), QTime(5, 15, 30));
    const QRegularExpression shape(QStringLiteral("^20261209-051530-[A-Z2-7]{4}$"));
    std::set<QString> seen;
    for (int i = 0; i < 64; ++i) {
        const QString id = app::RunJournal::NewRunId(at);
        EXPECT_TRUE(shape.match(id).hasMatch()) << id.toStdString();
        seen.insert(id);
    }
    EXPECT_GT(seen.size(), 1u) << "the random part differs";
}

TEST(RunJournalText, OptionsNameTheSwitchesThatShapedTheRun) {
    struct Case {
        bool newDocs;
        bool existingDocs;
        QStringList arguments;
        QString options;
    };
    const std::vector<Case> cases = {
        {false, false, {}, QString()},
        {true, true, {}, QStringLiteral("/ADNF /ADEF")},
        {false, true, {QStringLiteral("/G"), QStringLiteral("/X")}, QStringLiteral("/ADEF /G /X")},
        {true,
         false,
         {QStringLiteral("--profile-from-line"), QStringLiteral("--report=r.csv")},
         QStringLiteral("/ADNF --profile-from-line --report")},
    };
    for (const Case& c : cases) {
        app::RunChoices choices;
        choices.addNewDocs = c.newDocs;
        choices.addExistingDocs = c.existingDocs;
        EXPECT_EQ(app::RunJournal::Options(choices, app::CommandLine::Parse(c.arguments)), c.options);
    }
}

// --runs: the runs of every library newest first, a line each; a library without the journal says so.
TEST_F(RunJournalTest, RunsAreListedNewestFirstAcrossTheLibraries) {
    env.admin(kLibA).addJournalTables();
    AddMatterMemo(kLibA, QStringLiteral("C1"), QStringLiteral("M1"));
    QStringList ids;
    for (const char* line : {"C1,M1,MEMO", "C2,M2,MEMO"}) {
        harness.clock.time = harness.clock.time.addSecs(60);
        RunLines({QString::fromLatin1(line)}, {true, true});
        ids.prepend(
            Db(kLibA)
                .scalar(QStringLiteral("SELECT RUN_ID FROM DOCSADM.VANTRELIS_RUNS ORDER BY RUN_ID DESC"))
                .toString());
    }
    ASSERT_NE(ids.at(0), ids.at(1));
    Start(app::CommandLine::Parse({QStringLiteral("--runs")}));
    const QStringList lines = app::ListRuns(*context, Choices({}, {false, true}));
    ASSERT_EQ(lines.size(), 3) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines.at(0).startsWith(ids.at(0) + QStringLiteral(" LIB_A "))) << lines.at(0).toStdString();
    EXPECT_TRUE(lines.at(0).endsWith(
        QStringLiteral(": 1 paths, 3 folders added, 0 documents filed, 0 errors (finished)")))
        << lines.at(0).toStdString();
    EXPECT_TRUE(lines.at(1).startsWith(ids.at(1) + QStringLiteral(" LIB_A "))) << lines.at(1).toStdString();
    EXPECT_EQ(lines.at(2), app::NoJournalLine(kLibB));
    EXPECT_EQ(context->session().LibraryName(), kLibA) << "the current library is connected again";
}

} // namespace
} // namespace vantrelis::testing

namespace vantrelis::testing {
namespace {

// The journal's texts read back as written: JSON that any reader takes, whatever the values hold.
TEST(RunJournalText, ValuesTrusteesAndChainRowsReadBackAsWritten) {
    const std::vector<std::pair<QString, QString>> values = {
        {QStringLiteral("ABSTRACT"), QStringLiteral("O'Brien \"memo\" \\ back\nslash\ttab\x01 \u00e9\u4e2d")},
        {QStringLiteral("MATTER"), QString()},
        {QStringLiteral("DOCNAME"), QStringLiteral("")},
        {QStringLiteral("COMMENTS"), QStringLiteral("\"\\\n")}, // nothing but escapes
    };
    const QJsonObject object =
        QJsonDocument::fromJson(dm::RunJournalText::ColumnValues(values).toUtf8()).object();
    ASSERT_EQ(object.size(), 4);
    EXPECT_EQ(object.value(QStringLiteral("ABSTRACT")).toString(), values[0].second);
    EXPECT_EQ(object.value(QStringLiteral("COMMENTS")).toString(), values[3].second);
    EXPECT_TRUE(object.value(QStringLiteral("MATTER")).isNull()) << "no value reads as null";
    EXPECT_TRUE(object.value(QStringLiteral("DOCNAME")).isString()) << "an empty text stays a text";

    const std::vector<std::pair<qint64, qint64>> trustees = {{11, 255}, {0, 63}, {9007199254740, -1}};
    std::vector<std::pair<qint64, qint64>> read;
    ASSERT_TRUE(dm::RunJournalText::ReadTrustees(dm::RunJournalText::Trustees(trustees), read));
    EXPECT_EQ(read, trustees);
    const std::vector<dm::RunJournalText::ChainLink> links = {{7, true, 9}, {9, false, 0}};
    std::vector<dm::RunJournalText::ChainLink> chain;
    ASSERT_TRUE(dm::RunJournalText::ReadChainRows(dm::RunJournalText::ChainRows(links), chain));
    ASSERT_EQ(chain.size(), 2u);
    EXPECT_TRUE(chain[0].row == 7 && chain[0].isFirst && chain[0].next == 9);
    EXPECT_TRUE(chain[1].row == 9 && !chain[1].isFirst && chain[1].next == 0);

    for (const char* bad : {"", "{}", "[[1]]", "[[1,\"x\"]]", "[1,2]", "[[1,2", "null"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(dm::RunJournalText::ReadTrustees(QString::fromLatin1(bad), read));
        EXPECT_FALSE(dm::RunJournalText::ReadChainRows(QString::fromLatin1(bad), chain));
    }
    EXPECT_TRUE(dm::RunJournalText::ReadTrustees(QStringLiteral("[]"), read));
    EXPECT_TRUE(read.empty());
}

} // namespace
} // namespace vantrelis::testing
