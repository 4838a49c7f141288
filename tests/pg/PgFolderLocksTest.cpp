// Writers of one library on a database server: each locks the folder it writes (a new folder's
// parent, the folder it files into), so writers of different folders go on side by side and writers
// of the same folder take turns. Nothing here waits on a clock: a writer that would wait gives up
// after the short busy timeout set below, and either outcome is asserted.

#include "common/Fault.h"
#include "config/RuleTable.h"
#include "dm/DmConstants.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LocalErrors.h"
#include "engine/folders/FolderEngine.h"
#include "pg/TestStores.h"
#include "support/ConnectedProgram.h"
#include "support/ExpectFault.h"
#include "support/InterposedSql.h"
#include "support/LibraryRows.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace vantrelis::testing {
namespace {

using namespace dm::local;

// A writer that would wait gives up at once (30005) instead.
class ShortBusyTimeout {
public:
    ShortBusyTimeout() { qputenv("VANTRELIS_BUSY_TIMEOUT_MS", "100"); }
    ~ShortBusyTimeout() { qunsetenv("VANTRELIS_BUSY_TIMEOUT_MS"); }
};

// --- The store: which transactions shut out which ---------------------------------------------------

// What a transaction locks: one folder's items (0: the top level), or the whole library.
struct Scope {
    std::optional<qint64> folder;
};

void Begin(LibraryStore& store, const Scope& scope) {
    if (scope.folder)
        store.beginForFolder(*scope.folder);
    else
        store.begin();
}

// A write that needs a key, as every filing and every new folder does.
void WriteWithKey(LibraryStore& store) {
    const qint64 key = store.nextKey(QStringLiteral("SYSTEMKEY"));
    store.execute(QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (?1, ?2)"),
                  {key, QStringLiteral("C%1").arg(key)});
}

struct LockCase {
    const char* label;
    Scope first;
    Scope second;
    bool waits;
};

// A fresh library on the server; further connections to it are other clients.
class PgStoresTest : public ::testing::Test {
protected:
    void SetUp() override {
        VANTRELIS_REQUIRE_PG();
        m_library = std::make_unique<TestStores>(StoreKind::Postgres, dm::kEngineMssql);
    }
    ShortBusyTimeout m_timeout;
    std::unique_ptr<TestStores> m_library;
};

class PgLockScopeTest : public PgStoresTest, public ::testing::WithParamInterface<LockCase> {};

// The first writer holds its transaction open, a key taken and a row written; the second begins its
// own, takes a key, writes and commits in the meantime, or gives up because it would wait.
TEST_P(PgLockScopeTest, WritersOfDifferentFoldersDoNotWaitForEachOther) {
    const LockCase& c = GetParam();
    LibraryStore& first = *m_library->store();
    const auto second = m_library->openAgain();
    const qint64 clients = first.scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT")).toLongLong();

    Begin(first, c.first);
    WriteWithKey(first);
    bool secondWrote = false;
    try {
        Begin(*second, c.second);
        WriteWithKey(*second);
        second->commit();
        secondWrote = true;
    } catch (const Fault& fault) {
        second->rollback();
        EXPECT_EQ(fault.number(), kErrorLocked) << fault.description().toStdString();
        EXPECT_TRUE(fault.description().contains(QLatin1String("locked by another client")))
            << fault.description().toStdString();
    }
    EXPECT_EQ(secondWrote, !c.waits);
    // The folder's lock is the first writer's, under the folder's own key.
    if (c.first.folder) {
        const QueryResult held = second->query(
            QStringLiteral("SELECT l.objid FROM pg_catalog.pg_locks l JOIN pg_catalog.pg_stat_activity a ON "
                           "a.pid = l.pid WHERE l.locktype = 'advisory' AND l.classid = 1447120454 AND "
                           "l.objsubid = 2 AND l.granted AND a.datname = current_database() AND "
                           "l.pid <> pg_backend_pid()"));
        ASSERT_EQ(held.rows.size(), 1u);
        EXPECT_EQ(held.rows[0][0].toLongLong(), *c.first.folder);
    }
    first.commit();

    // Once the first is in, the second gets through.
    if (c.waits) {
        Begin(*second, c.second);
        WriteWithKey(*second);
        second->commit();
    }
    EXPECT_EQ(first.scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT")).toLongLong(), clients + 2);
}

INSTANTIATE_TEST_SUITE_P(Scopes, PgLockScopeTest,
                         ::testing::Values(LockCase{"DifferentFolders", {101}, {102}, false},
                                           LockCase{"SameFolder", {101}, {101}, true},
                                           LockCase{"TopLevelAndAFolder", {0}, {101}, false},
                                           LockCase{"TopLevelTwice", {0}, {0}, true},
                                           LockCase{"FolderThenWholeLibrary", {101}, {}, true},
                                           LockCase{"WholeLibraryThenFolder", {}, {101}, true}),
                         [](const auto& info) { return std::string(info.param.label); });

using PgKeyTest = PgStoresTest;

// Keys taken inside a folder's transaction are the library's at once: one that its transaction rolls
// back is skipped, never handed out again, and a transaction that took a key keeps nobody else from
// one. A transaction of the whole library keeps everyone out anyway: its keys stay in it, and one it
// rolls back is handed out again, as on a library file.
TEST_F(PgKeyTest, AKeyTakenInAFoldersTransactionIsNeverHandedOutAgain) {
    LibraryStore& first = *m_library->store();
    const auto second = m_library->openAgain();
    first.beginForFolder(101);
    const qint64 undone = first.nextKey(QStringLiteral("SYSTEMKEY"));
    const qint64 theirs = second->nextKey(QStringLiteral("SYSTEMKEY"));
    EXPECT_GT(theirs, undone) << "taken while the first transaction is open, without waiting for it";
    first.rollback();
    const qint64 next = first.nextKey(QStringLiteral("SYSTEMKEY"));
    EXPECT_GT(next, theirs);

    first.begin();
    EXPECT_EQ(first.nextKey(QStringLiteral("SYSTEMKEY")), next + 1);
    first.rollback();
    EXPECT_EQ(second->nextKey(QStringLiteral("SYSTEMKEY")), next + 1);

    // A counter that does not exist yet is made on the way, inside a transaction too.
    first.beginForFolder(0);
    EXPECT_EQ(first.nextKey(QStringLiteral("LOCKTEST")), 1);
    first.commit();
    EXPECT_EQ(second->nextKey(QStringLiteral("locktest")), 2);
}

// A folder's lock that is not had ends the savepoint that asked for it, not the transaction around it.
TEST_F(PgKeyTest, ALockRefusedInsideATransactionLeavesItGoing) {
    LibraryStore& first = *m_library->store();
    const auto second = m_library->openAgain();
    first.beginForFolder(101);
    second->beginForFolder(102);
    WriteWithKey(*second);
    ExpectFault(kErrorLocked, [&] { second->beginForFolder(101); });
    EXPECT_TRUE(second->inTransaction());
    WriteWithKey(*second);
    second->commit();
    first.commit();
    EXPECT_EQ(first.scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT")).toLongLong(), 2);
}

// A savepoint that takes another folder's lock gives it back when it is rolled back, and keeps it for
// its transaction when it is released; asked for again, a lock given back is taken again.
TEST_F(PgKeyTest, ASavepointRolledBackGivesBackTheLockItTook) {
    LibraryStore& first = *m_library->store();
    const auto second = m_library->openAgain();
    const auto secondGets = [&](qint64 folder) {
        try {
            second->beginForFolder(folder);
            second->commit();
            return true;
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.number(), kErrorLocked) << fault.description().toStdString();
            return false;
        }
    };
    first.beginForFolder(101);
    first.beginForFolder(102);
    first.rollback();
    EXPECT_TRUE(secondGets(102)) << "given back with the savepoint";
    first.beginForFolder(102);
    first.beginForFolder(103);
    first.commit();
    first.beginForFolder(101);
    first.commit();
    first.commit();
    EXPECT_FALSE(secondGets(101));
    EXPECT_FALSE(secondGets(102)) << "taken again";
    EXPECT_FALSE(secondGets(103)) << "kept by the transaction";
    second->beginForFolder(104);
    ExpectFault(kErrorLocked, [&] { first.beginForFolder(104); });
    EXPECT_TRUE(first.inTransaction());
    first.commit();
    second->commit();
    EXPECT_TRUE(secondGets(102));
}

// --- The folder engine: two clients of one library -----------------------------------------------

class NoSecurity : public engine::DocumentSecurity {
public:
    void InheritSecurity(qint64, qint64, bool& succeeded) override { succeeded = true; }
    void AddSecurity(qint64, const QString&, int, bool& succeeded) override { succeeded = true; }
};

// One client: its own connection, log and folder engine.
struct Client {
    explicit Client(const QString& serverFile) : program(serverFile) {}

    ConnectedProgram program;
    NoSecurity security;
    std::unique_ptr<engine::FolderEngine> engine;
};

constexpr int kRule = 1;
const QString kUser = QStringLiteral("TESTER");

class PgFolderEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        VANTRELIS_REQUIRE_PG();
        PgCluster* cluster = PgCluster::Shared();
        const QString uri = cluster->uri(cluster->createDatabase(QStringLiteral("DOCS")));
        m_admin = std::make_unique<LibraryAdmin>(
            LibraryAdmin::CreateLibrary(uri, dm::kEngineMssql, QStringLiteral("DOCS")));
        m_admin->batch([&] {
            m_admin->addGroup(QStringLiteral("DOCS_SUPERVISORS"), QStringLiteral("Supervisors"), 255);
            m_admin->addPerson(kUser, QStringLiteral("Test User"), QStringLiteral("DOCS_SUPERVISORS"));
            m_admin->addSettingsTable();
        });
        const QString serverFile = m_folder.filePath(QStringLiteral("dm-server.ini"));
        QFile file(serverFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[Server]\nUser=%1\nLibraries=DOCS\nCurrentLibrary=DOCS\n\n[Library.DOCS]\n"
                                  "Database=%2\nEngine=10\n")
                       .arg(kUser, uri)
                       .toUtf8());
        file.close();
        for (auto& client : m_clients) {
            client = std::make_unique<Client>(serverFile);
            app::AppContext& context = client->program.context;
            ASSERT_TRUE(context.connection().StartFusion())
                << client->program.harness.Lines().join(QLatin1Char('\n')).toStdString();
            ASSERT_EQ(context.rules().count(), kRule);
            for (const int field :
                 {RuleTable::kInheritMetadata, RuleTable::kInheritSecurity, RuleTable::kAppendTrustees})
                context.rules().setField(kRule, field, QStringLiteral("0"));
            client->engine = std::make_unique<engine::FolderEngine>(context.gateway(), context.log(),
                                                                    context.rules(), client->security);
        }
    }

    Client& mine() { return *m_clients[0]; }
    Client& theirs() { return *m_clients[1]; }
    // Runs `before` just before the client's next transaction begins, `after` just after.
    static void AroundNextBegin(Client& client, std::function<void()> before, std::function<void()> after) {
        dm::DmSession& session = client.program.context.session();
        session.sql = std::make_shared<InterposedSql>(session.sql, std::move(before), std::move(after));
    }
    static engine::FolderLevel Find(Client& client, const QString& name, qint64 parent) {
        engine::LevelRequest request;
        request.name = name;
        request.parent = qint32(parent);
        request.ruleIndex = kRule;
        return client.engine->FindOrCreateFolder(request);
    }
    static bool File(Client& client, qint64 document, qint64 folder) {
        return client.engine->AddFolderItem(qint32(document), qint32(folder), QStringLiteral("P"), kRule, 0);
    }
    qint64 Folder(const QString& name, qint64 parent = 0) {
        FolderSpec spec;
        spec.name = name;
        spec.parent = parent;
        spec.owner = kUser;
        return m_admin->addFolder(spec);
    }
    qint64 Document(const QString& name) {
        DocumentSpec spec;
        spec.name = name;
        spec.author = kUser;
        spec.typeId = QStringLiteral("MEMO");
        return m_admin->addDocument(spec);
    }
    QList<qint64> Named(const QString& name, qint64 parent) {
        return FoldersNamed(m_admin->store(), name, parent);
    }
    QStringList Chain(qint64 parent) { return ChainNames(m_admin->store(), parent); }

    ShortBusyTimeout m_timeout;
    QTemporaryDir m_folder;
    std::unique_ptr<LibraryAdmin> m_admin;
    std::unique_ptr<Client> m_clients[2];
};

enum class Work { Create, File };

struct ClientCase {
    const char* label;
    int mine;   // the parent this client creates under: 0 the top level, 1 folder A, 2 folder B
    int theirs; // where the other client creates or files meanwhile
    Work work;
    bool waits;
};

class PgTwoClientsTest : public PgFolderEngineTest, public ::testing::WithParamInterface<ClientCase> {};

// While this client holds its lock to create a folder, the other client creates a folder or files a
// document: under another parent it gets through, under the same one it is refused for now (the
// lock is busy, nothing else is wrong) and gets through once this client is done.
TEST_P(PgTwoClientsTest, OnlyWritersOfTheSameFolderWait) {
    const ClientCase& c = GetParam();
    const qint64 folders[] = {0, Folder(QStringLiteral("A")), Folder(QStringLiteral("B"))};
    const qint64 memo = Document(QStringLiteral("Memo"));
    const auto theirWork = [&] {
        return c.work == Work::Create ? Find(theirs(), QStringLiteral("Theirs"), folders[c.theirs]).created
                                      : File(theirs(), memo, folders[c.theirs]);
    };
    std::optional<bool> done;
    AroundNextBegin(mine(), {}, [&] { done = theirWork(); });

    const engine::FolderLevel level = Find(mine(), QStringLiteral("Mine"), folders[c.mine]);

    EXPECT_TRUE(level.created);
    ASSERT_TRUE(done.has_value()) << "the other client worked while this one held its lock";
    EXPECT_EQ(*done, !c.waits);
    const QStringList theirLines = theirs().program.harness.Lines();
    EXPECT_EQ(theirLines.filter(QStringLiteral("locked by another client")).isEmpty(), !c.waits)
        << theirLines.join(QLatin1Char('\n')).toStdString();
    if (c.waits) {
        EXPECT_TRUE(theirWork()) << "the lock is given back";
    }
    EXPECT_EQ(Named(QStringLiteral("Mine"), folders[c.mine]), QList<qint64>{level.folder});
    if (c.work == Work::Create) {
        EXPECT_EQ(Named(QStringLiteral("Theirs"), folders[c.theirs]).size(), 1);
    }
    for (const qint64 folder : folders)
        if (folder != 0)
            Chain(folder);
}

INSTANTIATE_TEST_SUITE_P(Clients, PgTwoClientsTest,
                         ::testing::Values(ClientCase{"CreateUnderAnotherParent", 1, 2, Work::Create, false},
                                           ClientCase{"CreateUnderTheSameParent", 1, 1, Work::Create, true},
                                           ClientCase{"CreateAtTheTopLevel", 1, 0, Work::Create, false},
                                           ClientCase{"CreateBothAtTheTopLevel", 0, 0, Work::Create, true},
                                           ClientCase{"FileIntoAnotherFolder", 1, 2, Work::File, false},
                                           ClientCase{"FileIntoTheParent", 1, 1, Work::File, true}),
                         [](const auto& info) { return std::string(info.param.label); });

// Another client creates the folder, or files the document, after this one looked and found nothing
// and before it takes its lock: the look under the lock finds it, and nothing is made twice.
TEST_F(PgFolderEngineTest, WhatAnotherClientMadeBetweenTheLooksIsFound) {
    const qint64 acme = Folder(QStringLiteral("Acme"));
    for (const qint64 parent : {qint64(0), acme}) {
        SCOPED_TRACE(parent == 0 ? "top level" : "under a parent");
        qint64 made = 0;
        AroundNextBegin(mine(), [&] { made = Find(theirs(), QStringLiteral("Lease"), parent).folder; }, {});
        const engine::FolderLevel level = Find(mine(), QStringLiteral("Lease"), parent);
        ASSERT_NE(made, 0);
        EXPECT_TRUE(level.found);
        EXPECT_FALSE(level.created);
        EXPECT_EQ(level.folder, made);
        EXPECT_EQ(Named(QStringLiteral("Lease"), parent), QList<qint64>{made});
    }
    const qint64 memo = Document(QStringLiteral("Memo"));
    AroundNextBegin(mine(), [&] { EXPECT_TRUE(File(theirs(), memo, acme)); }, {});
    EXPECT_TRUE(File(mine(), memo, acme));
    EXPECT_TRUE(mine().engine->ItemExisted());
    EXPECT_EQ(Chain(acme), (QStringList{QStringLiteral("Lease"), QStringLiteral("Memo")}));
}

// A batch holds the folder it files into, and the keys its filings took hold nobody up: another
// client files into another folder meanwhile, and into the same folder once the batch is in.
TEST_F(PgFolderEngineTest, ABatchHoldsItsFolderOnly) {
    const qint64 box = Folder(QStringLiteral("Box"));
    const qint64 crate = Folder(QStringLiteral("Crate"));
    const qint64 first = Document(QStringLiteral("First"));
    const qint64 second = Document(QStringLiteral("Second"));
    ASSERT_TRUE(mine().engine->BeginBatch(qint32(box)));
    ASSERT_TRUE(File(mine(), first, box));

    EXPECT_TRUE(File(theirs(), second, crate));
    EXPECT_FALSE(File(theirs(), second, box));

    EXPECT_TRUE(mine().engine->EndBatch(true));
    EXPECT_TRUE(File(theirs(), second, box));
    EXPECT_EQ(Chain(box), (QStringList{QStringLiteral("First"), QStringLiteral("Second")}));
    EXPECT_EQ(Chain(crate), QStringList{QStringLiteral("Second")});
}

// Two clients filing the same document into different folders take turns: each rewrites its
// trustees, and side by side the second would keep the rows the first inserted beside its own.
TEST_F(PgFolderEngineTest, TheSameDocumentIntoTwoFoldersTakesTurns) {
    const qint64 box = Folder(QStringLiteral("Box"));
    const qint64 crate = Folder(QStringLiteral("Crate"));
    const qint64 memo = Document(QStringLiteral("Memo"));
    const qint64 note = Document(QStringLiteral("Note"));
    ASSERT_TRUE(mine().engine->BeginBatch(qint32(box)));
    ASSERT_TRUE(File(mine(), memo, box));

    EXPECT_FALSE(File(theirs(), memo, crate));
    EXPECT_TRUE(File(theirs(), note, crate));

    EXPECT_TRUE(mine().engine->EndBatch(true));
    EXPECT_TRUE(File(theirs(), memo, crate));
    EXPECT_EQ(Chain(box), QStringList{QStringLiteral("Memo")});
    EXPECT_EQ(Chain(crate), (QStringList{QStringLiteral("Note"), QStringLiteral("Memo")}));
}

} // namespace
} // namespace vantrelis::testing
