// Finding or creating one level of a path, and filing an item, with another writer on the library: a
// folder or an item that the other writer adds between the first look and the write lock is found,
// not made twice.

#include "FolderFixture.h"
#include "engine/folders/CheckOnlyFolders.h"
#include "support/InterposedSql.h"
#include "support/LibraryRows.h"

#include <QFile>
#include <functional>
#include <utility>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

class FindOrCreateTest : public FolderFixture {
protected:
    void SetUp() override {
        // A held lock is given up on at once, not after the usual wait.
        qputenv("VANTRELIS_BUSY_TIMEOUT_MS", "50");
        FolderFixture::SetUp();
    }
    void TearDown() override { qunsetenv("VANTRELIS_BUSY_TIMEOUT_MS"); }

    template <class Folders> engine::FolderLevel Find(Folders& folders, const QString& name, qint64 parent) {
        engine::LevelRequest request;
        request.name = name;
        request.parent = qint32(parent);
        request.ruleIndex = kRule;
        return folders.FindOrCreateFolder(request);
    }
    engine::FolderLevel Find(const QString& name, qint64 parent) { return Find(*engine, name, parent); }
    // Runs `write` from the other connection just before this one's next transaction begins.
    void BeforeNextBegin(std::function<void()> write) {
        dm::DmSession& session = program->context.session();
        session.sql = std::make_shared<InterposedSql>(session.sql, std::move(write));
    }
    // The statement that looks the level up, as the library receives it.
    static QString Lookup(const QString& name, qint64 parent) {
        if (parent == 0)
            return "SELECT F.DOCNUMBER FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P WHERE F.DOCNUMBER = "
                   "P.DOCNUMBER AND P.DOCNAME = '" +
                   name +
                   "' AND NOT EXISTS (SELECT 1 FROM DOCSADM.FOLDER_ITEM FI WHERE FI.DOCNUMBER = "
                   "F.DOCNUMBER AND FI.LIBRARY = 0) ORDER BY F.DOCNUMBER";
        return "SELECT FI.DOCNUMBER, RL.LIBRARY_NAME FROM DOCSADM.FOLDER_ITEM FI, DOCSADM.REMOTE_LIBRARIES "
               "RL WHERE FI.NODE_TYPE = 'F' AND RL.SYSTEM_ID = FI.LIBRARY AND FI.PARENT = " +
               QString::number(parent) + " AND FI.DISPLAYNAME = '" + name + "'";
    }
    // The folders of that name: at the top level, or among the parent's items.
    QList<qint64> Named(const QString& name, qint64 parent) {
        return FoldersNamed(admin().database(), name, parent);
    }
};

struct LevelCase {
    const char* label;
    bool underParent;
    int existing; // folders of the name there before
};

class FindOrCreateLevelTest : public FindOrCreateTest, public ::testing::WithParamInterface<LevelCase> {};

// A level that is there is found by one lookup; one that is not is looked up a second time (under the
// lock) and created. With twins at the top level the lowest number is used and the warning says how many.
TEST_P(FindOrCreateLevelTest, AnswersWhatItDid) {
    const LevelCase& c = GetParam();
    const QString name = QStringLiteral("O'Hara");
    const qint64 parent = c.underParent ? Folder(QStringLiteral("Acme")) : 0;
    QList<qint64> before;
    for (int i = 0; i < c.existing; ++i)
        before << Folder(name, parent);
    Mark();

    const engine::FolderLevel level = Find(name, parent);

    const bool found = c.existing > 0;
    EXPECT_EQ(level.found, found);
    EXPECT_EQ(level.created, !found);
    EXPECT_EQ(level.twins, !c.underParent && c.existing > 1 ? c.existing : 0);
    const QList<qint64> after = Named(name, parent);
    ASSERT_EQ(after.size(), std::max(c.existing, 1));
    EXPECT_EQ(level.folder, after.front());
    if (found) {
        EXPECT_EQ(level.folder, before.front());
    }
    EXPECT_EQ(Statements().count(Lookup(QStringLiteral("O''Hara"), parent)), found ? 1 : 2);
    const QStringList lines = Lines();
    EXPECT_EQ(lines.count("Folder O'Hara already exists as Document #" + QString::number(level.folder)),
              found ? 1 : 0);
    EXPECT_EQ(lines.filter(QStringLiteral("Creating new folder \"O'Hara\"")).size(), found ? 0 : 1);
    EXPECT_EQ(lines.filter(QStringLiteral("Warning: There are ")).size(), level.twins > 1 ? 1 : 0);
    const QString number = QString::number(level.folder);
    const QString lookupEnd =
        c.underParent
            ? (found ? "This item is #" + number + " in library DOCS"
                     : "Current folder \"O'Hara\" not found in parent folder #" + QString::number(parent) +
                           " in library DOCS")
            : (found ? "Top-Level Folder #" + number + " found and will be used"
                     : QStringLiteral("A parent folder named \"O'Hara\" not found in library DOCS"));
    EXPECT_TRUE(lines.contains(lookupEnd)) << lookupEnd.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Levels, FindOrCreateLevelTest,
                         ::testing::Values(LevelCase{"TopCreated", false, 0}, LevelCase{"TopFound", false, 1},
                                           LevelCase{"TopTwins", false, 2}, LevelCase{"SubCreated", true, 0},
                                           LevelCase{"SubFound", true, 1}),
                         [](const auto& info) { return std::string(info.param.label); });

class FindOrCreateRaceTest : public FindOrCreateTest, public ::testing::WithParamInterface<bool> {};

// Another run creates the folder after this one looked and found nothing: the look under the lock finds
// it, and it is used, not made a second time.
TEST_P(FindOrCreateRaceTest, AFolderCreatedBetweenTheLooksIsFound) {
    const qint64 parent = GetParam() ? Folder(QStringLiteral("Acme")) : 0;
    qint64 theirs = 0;
    BeforeNextBegin([&] { theirs = Folder(QStringLiteral("Lease"), parent); });
    Mark();

    const engine::FolderLevel level = Find(QStringLiteral("Lease"), parent);

    ASSERT_NE(theirs, 0);
    EXPECT_TRUE(level.found);
    EXPECT_FALSE(level.created);
    EXPECT_EQ(level.folder, theirs);
    EXPECT_EQ(Named(QStringLiteral("Lease"), parent), QList<qint64>{theirs});
    const QStringList lines = Lines();
    EXPECT_TRUE(lines.contains("Folder Lease already exists as Document #" + QString::number(theirs)));
    EXPECT_TRUE(lines.filter(QStringLiteral("Creating new folder")).isEmpty());
    // The lock is given back: the other connection writes again, and the next level is created.
    const qint64 later = Folder(QStringLiteral("Later"));
    EXPECT_NE(later, 0);
    const engine::FolderLevel next = Find(QStringLiteral("Next"), parent);
    EXPECT_TRUE(next.created);
    EXPECT_EQ(Named(QStringLiteral("Next"), parent), QList<qint64>{next.folder});
}

INSTANTIATE_TEST_SUITE_P(Parents, FindOrCreateRaceTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "UnderParent" : "TopLevel"; });

// While another writer holds the library, a level that is there is still found (it takes no lock); one
// that is not cannot be created, and nothing of it is left. Once the other writer is done, it is.
TEST_F(FindOrCreateTest, ALevelThatExistsTakesNoLockAndAHeldLockStopsACreation) {
    const qint64 acme = Folder(QStringLiteral("Acme"));
    admin().database().begin();
    const QStringList before = Snapshot();
    Mark();

    const engine::FolderLevel existing = Find(QStringLiteral("Acme"), 0);
    EXPECT_TRUE(existing.found);
    EXPECT_EQ(existing.folder, acme);
    const engine::FolderLevel refused = Find(QStringLiteral("Lease"), acme);
    EXPECT_EQ(refused.folder, 0);
    EXPECT_FALSE(refused.found);
    EXPECT_FALSE(refused.created);
    EXPECT_FALSE(Lines().filter(QStringLiteral("Error")).isEmpty()) << "the refusal is reported";
    admin().database().rollback();
    EXPECT_EQ(Snapshot(), before);

    const engine::FolderLevel created = Find(QStringLiteral("Lease"), acme);
    EXPECT_TRUE(created.created);
    EXPECT_EQ(Chain(acme), QStringList{QStringLiteral("Lease")});
}

// A check plans what is missing, below a planned folder looks nothing up, plans a folder once, takes
// no lock (another writer may hold the library meanwhile) and leaves the library's files as they were.
TEST_F(FindOrCreateTest, ACheckPlansWithoutLockingOrWriting) {
    const qint64 acme = Folder(QStringLiteral("Acme"));
    engine::CheckOnlyFolders folders(*engine, program->context.gateway(), program->context.log());
    folders.setCheckOnly(true);
    const QString file = admin().database().file();
    const auto bytes = [&] {
        QByteArray all;
        for (const QString& path : {file, file + QStringLiteral("-wal")}) {
            QFile in(path);
            if (in.open(QIODevice::ReadOnly))
                all += in.readAll();
        }
        return all;
    };
    const QByteArray filesBefore = bytes();
    const QStringList before = Snapshot();
    admin().database().begin();
    Mark();

    const engine::FolderLevel found = Find(folders, QStringLiteral("Acme"), 0);
    const engine::FolderLevel planned = Find(folders, QStringLiteral("Lease"), acme);
    const engine::FolderLevel below = Find(folders, QStringLiteral("Memo"), planned.folder);
    const engine::FolderLevel again = Find(folders, QStringLiteral("Lease"), acme);

    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.folder, acme);
    EXPECT_TRUE(planned.created);
    EXPECT_TRUE(folders.IsPlanned(planned.folder));
    EXPECT_TRUE(below.created);
    EXPECT_TRUE(folders.IsPlanned(below.folder));
    // The same folder again: planned already, so not counted a second time.
    EXPECT_EQ(again.folder, planned.folder);
    EXPECT_FALSE(again.created);
    EXPECT_FALSE(again.found);
    const QStringList statements = Statements();
    EXPECT_EQ(statements.count(Lookup(QStringLiteral("Lease"), acme)), 2)
        << "once per request, no second look";
    EXPECT_TRUE(statements.filter(QStringLiteral("'Memo'")).isEmpty()) << "nothing is below a planned folder";
    EXPECT_TRUE(Lines().filter(QStringLiteral("Error")).isEmpty());
    admin().database().rollback();
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(bytes(), filesBefore);
}

struct FilingCase {
    const char* label;
    qint32 sortAfterAdd;
};

class FilingRaceTest : public FindOrCreateTest, public ::testing::WithParamInterface<FilingCase> {};

// Another run files the document after this one's check would have found it missing and before its
// write lock: the check made under the lock sees it, and the document is in the folder once.
TEST_P(FilingRaceTest, ADocumentFiledByAnotherWriterIsNotFiledTwice) {
    const qint64 folder = Folder(QStringLiteral("Box"));
    ASSERT_TRUE(engine->AddFolderItem(qint32(Document(QStringLiteral("First"))), qint32(folder),
                                      QStringLiteral("P"), kRule, GetParam().sortAfterAdd));
    const qint64 memo = Document(QStringLiteral("Memo"));
    BeforeNextBegin([&] { admin().linkItem(folder, memo); });
    Mark();

    EXPECT_TRUE(engine->AddFolderItem(qint32(memo), qint32(folder), QStringLiteral("P"), kRule,
                                      GetParam().sortAfterAdd));

    EXPECT_TRUE(engine->ItemExisted());
    EXPECT_EQ(Chain(folder), (QStringList{QStringLiteral("First"), QStringLiteral("Memo")}));
    EXPECT_TRUE(Statements().filter(QStringLiteral("INSERT")).isEmpty());
    EXPECT_TRUE(Lines().contains("Folder item " + QString::number(memo) + " already exists in folder"));
}

INSTANTIATE_TEST_SUITE_P(Filing, FilingRaceTest,
                         ::testing::Values(FilingCase{"Appended", 0}, FilingCase{"Sorted", 1}),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
