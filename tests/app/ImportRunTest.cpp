// The import run on temporary libraries of the local backend.

#include "app/ImportRun.h"
#include "ImportRunFixture.h"
#include "app/LineReport.h"
#include "common/SqlText.h"
#include "config/FolderRuleDefinition.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <gtest/gtest.h>

namespace vantrelis::testing {
namespace {

using app::RunCounter;

TEST_F(ImportRunFixture, ChecksStopBeforeAnythingChanges) {
    struct Case {
        const char* name;
        std::function<void(app::RunChoices&)> change;
        QString logLine;
    };
    const QString missing = env.filePath(QStringLiteral("missing.csv"));
    const std::vector<Case> cases = {
        {"no library", [](app::RunChoices& c) { c.libraries[0].ticked = c.libraries[1].ticked = false; },
         QStringLiteral("Warning: No libraries were selected - cannot continue")},
        {"no file", [](app::RunChoices& c) { c.importFile.clear(); },
         QStringLiteral("Error: Import file not specified - cannot continue")},
        {"missing file", [&](app::RunChoices& c) { c.importFile = missing; },
         QStringLiteral("Error: Import file ") + missing + QStringLiteral(" not found - cannot continue")},
        {"no set", [](app::RunChoices& c) { c.importSet = QStringLiteral("  "); },
         QStringLiteral(
             "Error: No import set selected - cannot continue (verify your current library LIB_A)")},
        {"no rule", [](app::RunChoices& c) { c.importSet = QStringLiteral("OTHER"); },
         QStringLiteral("Error: Rules for import set OTHER not found - cannot continue (verify your current "
                        "library LIB_A)")},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view = RecordingRunView{};
        view.choices = Choices({QStringLiteral("C1,M1,MEMO")});
        c.change(view.choices);
        harness.Mark();
        harness.prompter.prompts.clear();
        Go();
        EXPECT_EQ(harness.LinesSinceMark(), QStringList({c.logLine, Equals(60)}));
        ASSERT_EQ(harness.prompter.prompts.size(), 1u);
        EXPECT_TRUE(c.logLine.endsWith(harness.prompter.prompts[0].text));
        EXPECT_TRUE(view.goEnabled.empty());
        EXPECT_TRUE(view.endedWith.empty());
    }
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_A")), 0);
}

TEST_F(ImportRunFixture, UnattendedCheckFailureEndsWithoutBox) {
    Start(app::CommandLine::Parse({QStringLiteral("/G"), QStringLiteral("/X")}));
    view.choices = Choices({QStringLiteral("C1,M1,MEMO")});
    view.choices.importFile.clear();
    Go();
    EXPECT_TRUE(harness.prompter.prompts.empty());
    EXPECT_EQ(view.endedWith, std::vector<int>({2}));
    EXPECT_TRUE(
        summaries.last().startsWith(QStringLiteral("Vantrelis Import stopped: 0 paths, 0 libraries")));
}

TEST_F(ImportRunFixture, CreatesPathsInEveryTickedLibraryAndSecondRunFindsThem) {
    Start(app::CommandLine::Parse({QStringLiteral("/G"), QStringLiteral("/X")}));
    view.choices = Choices({QStringLiteral("C1,M1,MEMO"), QStringLiteral("C1,M1,LETTER"), QString(),
                            QStringLiteral("C2,M9,MEMO")});
    Go();
    for (const char* library : {"LIB_A", "LIB_B"}) {
        EXPECT_TRUE(FolderPath(QLatin1String(library), {"C1", "M1", "MEMO"}) != 0) << library;
        EXPECT_TRUE(FolderPath(QLatin1String(library), {"C1", "M1", "LETTER"}) != 0) << library;
        EXPECT_TRUE(FolderPath(QLatin1String(library), {"C2", "M9", "MEMO"}) != 0) << library;
        EXPECT_EQ(FolderCount(QLatin1String(library)), 7) << library;
    }
    EXPECT_EQ(view.counter(RunCounter::Total), 3);
    EXPECT_EQ(view.counter(RunCounter::Processed), 3);
    EXPECT_EQ(view.counter(RunCounter::Added), 3);
    EXPECT_EQ(view.counter(RunCounter::Errors), 0);
    EXPECT_EQ(view.progress.back(), std::make_pair(qint64(3), qint64(3)));
    EXPECT_EQ(view.goEnabled, std::vector<bool>({false, true}));
    EXPECT_EQ(view.running, std::vector<bool>({true, false}));
    EXPECT_EQ(view.states, std::vector<app::RunState>({app::RunState::Running, app::RunState::Idle}));
    EXPECT_EQ(view.endedWith, std::vector<int>({0}));
    EXPECT_EQ(summaries.last().left(72),
              QStringLiteral("Vantrelis Import finished: 3 paths, 2 libraries, 14 folders added, 0 doc"));
    EXPECT_EQ(context->session().LibraryName(), QStringLiteral("LIB_A"));

    harness.Mark();
    Go();
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_A")), 7);
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_B")), 7);
    EXPECT_EQ(view.counter(RunCounter::Added), 0);
    EXPECT_EQ(harness.LinesSinceMark().filter(QStringLiteral(" already exists as Document #")).size(), 18);
}

TEST_F(ImportRunFixture, TopLevelDuplicateUsesLowestNumber) {
    const qint64 first = AddFolder(QStringLiteral("LIB_A"), QStringLiteral("C1"), 0);
    AddFolder(QStringLiteral("LIB_A"), QStringLiteral("C1"), 0);
    Start();
    view.choices = Choices({QStringLiteral("C1,M1,MEMO")}, {true, false});
    Go();
    EXPECT_TRUE(harness.Lines().contains(
        QStringLiteral("Warning: There are 2 folders with the same name (C1) as the item being processed.")));
    EXPECT_NE(FolderPath(QStringLiteral("LIB_A"), {"C1", "M1"}, first), 0);
}

TEST_F(ImportRunFixture, ItemRowWithoutDocumentDoesNotHideTopLevelFolders) {
    const qint64 client = AddFolder(QStringLiteral("LIB_A"), QStringLiteral("C1"), 0);
    env.admin(QStringLiteral("LIB_A"))
        .database()
        .execute(QStringLiteral(
            "INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, NODE_TYPE, PARENT, ISFIRST, \"NEXT\", "
            "DOCNUMBER, LIBRARY) VALUES (999999, 'P', 999998, 'Y', 0, NULL, 0)"));
    Start();
    view.choices = Choices({QStringLiteral("C1,M1,MEMO")}, {true, false});
    Go();
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_A")), 3);
    EXPECT_NE(FolderPath(QStringLiteral("LIB_A"), {"C1", "M1", "MEMO"}, client), 0);
}

TEST_F(ImportRunFixture, ParentFolderThatDoesNotExistFailsEveryPath) {
    env.admin(QStringLiteral("LIB_A")).addSetting(QStringLiteral("PARENT_FOLDER"), QVariant(), 999999);
    Start();
    view.choices = Choices({QStringLiteral("C1,M1,MEMO"), QStringLiteral("C2,M2,MEMO")}, {true, false});
    Go();
    EXPECT_EQ(view.counter(RunCounter::Errors), 2);
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_A")), 0);
    EXPECT_EQ(harness.Lines()
                  .filter(QStringLiteral("Error: Parent folder #999999 not found in library LIB_A"))
                  .size(),
              2);
}

TEST(ImportRun, LibrarySkippedWithoutRightsOrRuleOthersProcessed) {
    struct Case {
        const char* name;
        std::function<void(LocalEnvironment&)> prepare;
        QString status;
    };
    const std::vector<Case> cases = {
        {"no right",
         [](LocalEnvironment& e) {
             e.admin(QStringLiteral("LIB_B"))
                 .setParameter(QLatin1String(LocalEnvironment::kUser), QStringLiteral("User.CreateFolder"),
                               QStringLiteral("N"));
         },
         QStringLiteral("Error: TESTER does not have rights to manage folders in library LIB_B")},
        {"no rule",
         [](LocalEnvironment& e) {
             e.admin(QStringLiteral("LIB_B"))
                 .database()
                 .execute(QStringLiteral("DELETE FROM DOCSADM.QORV_SETTINGS WHERE SECTION_KEY LIKE 'RULE%'"));
         },
         QStringLiteral("Error: Rules for import set CLIENT_MATTER not found - cannot continue (verify your "
                        "current library LIB_B)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImportRunSetup s;
        c.prepare(s.env);
        s.Start();
        s.view.choices = s.Choices({QStringLiteral("C1,M1,MEMO")});
        s.Go();
        EXPECT_TRUE(s.harness.status.texts.contains(c.status));
        EXPECT_EQ(s.view.unticked, std::vector<int>({1}));
        EXPECT_EQ(s.FolderCount(QStringLiteral("LIB_A")), 3);
        EXPECT_EQ(s.FolderCount(QStringLiteral("LIB_B")), 0);
        EXPECT_EQ(s.run->summary().ExitStatus(), 1);
    }
}

TEST_F(ImportRunFixture, DocumentsFiledByOptionAndExistingItemCountsNeither) {
    Start();
    const qint64 doc1 = AddDocument(QStringLiteral("LIB_A"), QStringLiteral("Memo one"));
    const qint64 doc2 = AddDocument(QStringLiteral("LIB_A"), QStringLiteral("Memo two"));
    folders().documentsSql =
        QStringLiteral("SELECT DOCNUMBER FROM DOCSADM.PROFILE WHERE DOCNAME IN ('Memo one', "
                       "'Memo two') ORDER BY DOCNUMBER");
    view.choices = Choices({QStringLiteral("C1,M1,MEMO")}, {true, false});
    view.choices.addNewDocs = true;
    Go();
    const qint64 leaf = FolderPath(QStringLiteral("LIB_A"), {"C1", "M1", "MEMO"});
    EXPECT_EQ(Items(QStringLiteral("LIB_A"), leaf), QList<qint64>({doc1, doc2}));
    EXPECT_TRUE(harness.status.texts.contains(QStringLiteral("2 document(s) added with 0 error(s).")));

    view.choices.addExistingDocs = false;
    harness.Mark();
    Go();
    EXPECT_TRUE(harness.LinesSinceMark().contains(QStringLiteral("Folder existed - not adding documents")));

    view.choices.addExistingDocs = true;
    Go();
    EXPECT_TRUE(harness.status.texts.contains(QStringLiteral("0 document(s) added with 0 error(s).")));
    EXPECT_EQ(Items(QStringLiteral("LIB_A"), leaf), QList<qint64>({doc1, doc2}));
}

// The library files with their write-ahead logs: a write of any kind changes one of them.
QByteArray LibraryBytes(const LocalEnvironment& env, const QString& library) {
    QByteArray bytes;
    for (const QString& suffix : {QString(), QStringLiteral("-wal")}) {
        QFile file(env.libraryFile(library) + suffix);
        if (file.open(QIODevice::ReadOnly))
            bytes += file.readAll() + "\n--\n";
    }
    return bytes;
}

TEST_F(ImportRunFixture, CheckOnlyWritesNothingAndCountsWhatTheRunThenDoes) {
    const QString libA = QStringLiteral("LIB_A");
    const qint64 leaf =
        AddFolder(libA, QStringLiteral("MEMO"),
                  AddFolder(libA, QStringLiteral("M1"), AddFolder(libA, QStringLiteral("C1"), 0)));
    const qint64 filed = AddDocument(libA, QStringLiteral("Memo one"));
    AddDocument(libA, QStringLiteral("Memo two"));
    env.admin(libA).linkItem(leaf, filed);
    const QStringList lines = {QStringLiteral("C1,M1,MEMO"), QStringLiteral("C1,M1,LETTER"),
                               QStringLiteral("C2,M9,MEMO"), QStringLiteral("C2,M9,LETTER")};
    const QString documents = QStringLiteral(
        "SELECT DOCNUMBER FROM DOCSADM.PROFILE WHERE DOCNAME IN ('Memo one', 'Memo two') ORDER BY DOCNUMBER");
    Start(app::CommandLine::Parse({QStringLiteral("/G"), QStringLiteral("--check")}));
    folders().documentsSql = documents;
    view.choices = Choices(lines);
    view.choices.addExistingDocs = true;
    const QByteArray before = LibraryBytes(env, libA) + LibraryBytes(env, QStringLiteral("LIB_B"));
    Go();
    EXPECT_EQ(LibraryBytes(env, libA) + LibraryBytes(env, QStringLiteral("LIB_B")), before);
    EXPECT_EQ(FolderCount(libA), 3);
    // LIB_A lacks LETTER, C2, M9 and MEMO and LETTER under M9; LIB_B lacks all eight.
    EXPECT_TRUE(summaries.last().startsWith(
        QStringLiteral("Vantrelis Import check finished: 4 paths, 2 libraries, 13 folders would be "
                       "added, 1 documents would be filed, 0 errors; nothing was changed")))
        << summaries.last().toStdString();
    EXPECT_EQ(view.counter(RunCounter::Added), 4);
    const QStringList log = harness.Lines();
    EXPECT_EQ(log.filter(QStringLiteral("Check only: nothing is created")).size(), 2);
    EXPECT_EQ(
        log.filter(QStringLiteral("Check only: folder \"C2\" would be created at the top level")).size(), 2);
    EXPECT_EQ(
        log.filter(QStringLiteral("Check only: folder \"C2\" would be created for an earlier line")).size(),
        2);

    Start(app::CommandLine::Parse({QStringLiteral("/G")}));
    folders().documentsSql = documents;
    Go();
    EXPECT_TRUE(summaries.last().startsWith(QStringLiteral(
        "Vantrelis Import finished: 4 paths, 2 libraries, 13 folders added, 1 documents filed, 0 errors")))
        << summaries.last().toStdString();
    EXPECT_EQ(FolderCount(libA), 8);
}

// Documents whose batch could not commit are not in the library: they count as errors, not as filed,
// and the log says which.
TEST_F(ImportRunFixture, ABatchThatCannotCommitCountsItsDocumentsAsErrors) {
    struct CommitFails : AdminFolders {
        using AdminFolders::AdminFolders;
        bool BeginBatch(qint32) override { return true; }
        bool EndBatch(bool) override { return false; }
    };
    AddDocument(QStringLiteral("LIB_A"), QStringLiteral("Memo one"));
    AddDocument(QStringLiteral("LIB_A"), QStringLiteral("Memo two"));
    Start(app::CommandLine::Parse({QStringLiteral("/G")}));
    UseFolders<CommitFails>();
    folders().documentsSql =
        QStringLiteral("SELECT DOCNUMBER FROM DOCSADM.PROFILE WHERE DOCNAME IN ('Memo one', 'Memo two')");
    view.choices = Choices({QStringLiteral("C1,M1,MEMO")}, {true, false});
    view.choices.addNewDocs = true;
    Go();
    ASSERT_FALSE(summaries.isEmpty());
    EXPECT_TRUE(summaries.last().contains(QStringLiteral(", 0 documents filed, 2 errors")))
        << summaries.last().toStdString();
    EXPECT_EQ(harness.Lines()
                  .filter(QStringLiteral("Error: The last 2 document(s) added to folder C1 %\\% M1 %\\% MEMO "
                                         "could not be committed and are not filed"))
                  .size(),
              1);
}

TEST_F(ImportRunFixture, ReportListsEveryLineOfEveryLibraryWithItsOutcome) {
    env.admin(QStringLiteral("LIB_B"))
        .setParameter(QLatin1String(LocalEnvironment::kUser), QStringLiteral("User.CreateFolder"),
                      QStringLiteral("N"));
    const QString report = env.filePath(QStringLiteral("report.csv"));
    Start(app::CommandLine::Parse({QStringLiteral("--report"), report}));
    view.choices =
        Choices({QStringLiteral("C1,M1,MEMO"), QString(), QStringLiteral("C1,M1,MEMO"),
                 QStringLiteral("C2,,MEMO"), QStringLiteral("C3,M\0,MEMO"), QStringLiteral("C\"4,M4,MEMO")});
    Go();
    QFile file(report);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    const QString rights =
        QStringLiteral(",skipped,,0,0,0,not processed - Error: TESTER does not have rights to manage folders "
                       "in library LIB_B");
    const qint64 leaf = FolderPath(QStringLiteral("LIB_A"), {"C1", "M1", "MEMO"});
    const QString c1 = QStringLiteral("C1 %\\% M1 %\\% MEMO");
    const QString c2 = QStringLiteral("C2 %\\%  %\\% MEMO");
    const QString c4 = QStringLiteral("C4 %\\% M4 %\\% MEMO");
    const QString number = QString::number(leaf);
    EXPECT_EQ(
        rows,
        QStringList({
            QStringLiteral("line,library,path,outcome,folder_docnumber,folders_created,documents_"
                           "filed,document_errors,first_error"),
            QStringLiteral("1,LIB_A,") + c1 + QStringLiteral(",created,") + number +
                QStringLiteral(",3,0,0,"),
            QStringLiteral("2,LIB_A,,skipped,,0,0,0,the line is blank"),
            QStringLiteral("3,LIB_A,") + c1 + QStringLiteral(",found,") + number + QStringLiteral(",0,0,0,"),
            QStringLiteral("4,LIB_A,") + c2 + QStringLiteral(",failed,,1,0,0,Error: Level 2 of ") + c2 +
                QStringLiteral(" has no name - the path is skipped"),
            QStringLiteral("5,LIB_A,,skipped,,0,0,0,the line contains a NUL character"),
            QStringLiteral("6,LIB_A,") + c4 + QStringLiteral(",created,") +
                QString::number(FolderPath(QStringLiteral("LIB_A"), {"C4", "M4", "MEMO"})) +
                QStringLiteral(",3,0,0,"),
            QStringLiteral("1,LIB_B,") + c1 + rights,
            QStringLiteral("2,LIB_B,,skipped,,0,0,0,the line is blank"),
            QStringLiteral("3,LIB_B,") + c1 + rights,
            QStringLiteral("4,LIB_B,") + c2 + rights,
            QStringLiteral("5,LIB_B,,skipped,,0,0,0,the line contains a NUL character"),
            QStringLiteral("6,LIB_B,") + c4 + rights,
            QString(),
        }));
    for (const auto& [text, field] : {std::pair{"plain", "plain"}, std::pair{"a,b", "\"a,b\""},
                                      std::pair{"say \"hi\"", "\"say \"\"hi\"\"\""},
                                      std::pair{"two\nlines", "\"two\nlines\""}, std::pair{" x", "\" x\""}})
        EXPECT_EQ(app::LineReport::Field(QString::fromUtf8(text)), QString::fromUtf8(field));
}

// With the folder engine itself: a new client and matter folder get no matter from their parent, so
// only the option lets the new leaf find the matter's documents.
TEST_F(ImportRunFixture, ProfileFromLineLetsNewFoldersFindTheirMattersDocuments) {
    const QString libA = QStringLiteral("LIB_A");
    dm::local::LibraryAdmin& admin = env.admin(libA);
    qint64 matterDocs[2] = {};
    for (int i = 0; i < 2; ++i)
        matterDocs[i] =
            AddMatterMemo(libA, QStringLiteral("C%1").arg(i + 1), QStringLiteral("M%1").arg(i + 1));
    const auto matterOf = [&](qint64 folder) {
        return admin.database()
            .scalar(QStringLiteral("SELECT COALESCE(MATTER, 0) FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"),
                    {folder})
            .toLongLong();
    };
    for (const bool fill : {false, true}) {
        Start(fill ? app::CommandLine::Parse({QStringLiteral("--profile-from-line")}) : app::CommandLine{});
        run = std::make_unique<app::ImportRun>(*context, view, context->folders());
        const QString client = fill ? QStringLiteral("C2") : QStringLiteral("C1");
        const QString matter = fill ? QStringLiteral("M2") : QStringLiteral("M1");
        view.choices = Choices({client + QLatin1Char(',') + matter + QStringLiteral(",MEMO"),
                                client + QStringLiteral(",M404,MEMO")},
                               {true, false});
        view.choices.addNewDocs = true;
        harness.Mark();
        Go();
        const qint64 top = FolderPath(libA, {client.toLatin1().constData()});
        const qint64 matterFolder = FolderPath(libA, {"", matter.toLatin1().constData()}, top);
        const qint64 leaf = FolderPath(libA, {"", "MEMO"}, matterFolder);
        ASSERT_NE(leaf, 0) << fill;
        EXPECT_EQ(matterOf(top), 0) << fill;
        EXPECT_EQ(matterOf(matterFolder) != 0, fill);
        EXPECT_EQ(matterOf(leaf), matterOf(matterFolder));
        EXPECT_EQ(Items(libA, leaf), fill ? QList<qint64>({matterDocs[1]}) : QList<qint64>()) << fill;
        EXPECT_EQ(harness.LinesSinceMark()
                      .filter(QStringLiteral("Warning: Line 2 of ") + view.choices.importFile +
                              QStringLiteral(": no row matches MATTER.CLIENT_ID.CLIENT_ID = ") + client +
                              QStringLiteral(", MATTER.MATTER_ID = M404 - column MATTER of the new folder "
                                             "is left empty"))
                      .size(),
                  fill ? 1 : 0);
    }
}

// The line's values are written in the folder's creation: when writing them fails, no folder is
// left without them, and the next run creates the folder with them.
TEST_F(ImportRunFixture, ProfileFromLineWritesTheValuesWithTheFolder) {
    const QString libA = QStringLiteral("LIB_A");
    dm::local::LibraryDatabase& database = env.admin(libA).database();
    env.admin(libA).addClient(QStringLiteral("C1"), QStringLiteral("C1"));
    const qint64 matter =
        env.admin(libA).addMatter(QStringLiteral("C1"), QStringLiteral("M1"), QStringLiteral("M1"));
    database.execute(QStringLiteral("CREATE TRIGGER DOCSADM.REFUSE_MATTER BEFORE UPDATE OF MATTER ON PROFILE "
                                    "WHEN NEW.MATTER > 0 BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    Start(app::CommandLine::Parse({QStringLiteral("--profile-from-line")}));
    run = std::make_unique<app::ImportRun>(*context, view, context->folders());
    view.choices = Choices({QStringLiteral("C1,M1,MEMO")}, {true, false});
    for (const bool refused : {true, false}) {
        if (!refused)
            database.execute(QStringLiteral("DROP TRIGGER DOCSADM.REFUSE_MATTER"));
        Go();
        const qint64 top = FolderPath(libA, {"C1"});
        const qint64 matterFolder = FolderPath(libA, {"", "M1"}, top);
        const qint64 leaf = FolderPath(libA, {"", "MEMO"}, matterFolder);
        ASSERT_NE(top, 0);
        EXPECT_EQ(database
                      .scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P WHERE "
                                             "P.DOCNUMBER = F.DOCNUMBER AND P.DOCNAME <> 'C1' AND "
                                             "COALESCE(P.MATTER, 0) <> ?1"),
                              {matter})
                      .toInt(),
                  0)
            << refused;
        EXPECT_EQ(leaf != 0, !refused);
    }
}

// A token that reads another part of the document type's row (its description) still names the
// folder's document type: the fill leaves it alone.
TEST_F(ImportRunFixture, ProfileFromLineNeverChangesANewFoldersDocumentType) {
    dm::local::LibraryAdmin& admin = env.admin(QStringLiteral("LIB_A"));
    FolderRuleDefinition rule = LocalEnvironment::Rule(QStringLiteral("TYPES"));
    rule.pathTemplate = QStringLiteral("%MATTER.CLIENT_ID.CLIENT_ID% %\\% %DOCUMENTTYPE.DESCRIPTION%");
    rule.security = FolderRuleDefinition::DefaultSecurity();
    admin.replaceSettings(rule.settingsRows());
    admin.addImportSet(QStringLiteral("TYPES"), QStringLiteral(","),
                       {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), 1, 0, QString(), 0},
                        {QStringLiteral("DOCUMENTTYPE.DESCRIPTION"), 2, 0, QString(), 0}});
    const QString memo = admin.database()
                             .scalar(QStringLiteral("SELECT DESCRIPTION FROM DOCSADM.DOCUMENTTYPES WHERE "
                                                    "TYPE_ID = 'MEMO'"))
                             .toString();
    ASSERT_FALSE(memo.isEmpty());
    Start(app::CommandLine::Parse({QStringLiteral("--profile-from-line")}));
    run = std::make_unique<app::ImportRun>(*context, view, context->folders());
    view.choices = Choices({QStringLiteral("C1,") + memo}, {true, false});
    view.choices.importSet = QStringLiteral("TYPES");
    Go();
    const qint64 top = FolderPath(QStringLiteral("LIB_A"), {"C1"});
    const qint64 leaf = FolderPath(QStringLiteral("LIB_A"), {"", memo.toUtf8().constData()}, top);
    ASSERT_NE(leaf, 0);
    const auto typeOf = [&](qint64 folder) {
        return admin.database()
            .scalar(QStringLiteral("SELECT DOCUMENTTYPE FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {folder})
            .toLongLong();
    };
    EXPECT_EQ(typeOf(leaf), typeOf(top));
}

TEST_F(ImportRunFixture, StopBetweenItemsFinishesAndEndsProgram) {
    Start();
    view.choices =
        Choices({QStringLiteral("C1,M1,MEMO"), QStringLiteral("C2,M2,MEMO"), QStringLiteral("C3,M3,MEMO")},
                {true, false});
    view.stopAtProgress = 1;
    Go();
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_A")), 3);
    EXPECT_EQ(view.running.back(), false);
    EXPECT_EQ(view.endedWith, std::vector<int>({2}));
    EXPECT_TRUE(
        harness.Lines().contains(QStringLiteral("Warning: The import run was stopped before its end")));
}

} // namespace
} // namespace vantrelis::testing
