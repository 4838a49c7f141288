// Nested scopes of a transaction on a database server: a scope's SAVEPOINT and its RELEASE go out
// with the next statement, in its round trip, and not at all for a scope that sends none. Undoing a
// scope still leaves what its siblings and the scopes around it wrote, and a statement that fails
// inside a scope leaves the transaction around it going once the scope is undone.

#include "common/Fault.h"
#include "dm/DmConstants.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/SqlTrace.h"
#include "pg/TestStores.h"
#include "support/ExpectFault.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace vantrelis::testing {
namespace {

using namespace dm::local;

const QString kCount = QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT WHERE SYSTEM_ID > 100");

void Insert(LibraryStore& store, qint64 key) {
    ASSERT_EQ(
        store.execute(QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (?1, ?2)"),
                      {key, QStringLiteral("C%1").arg(key)}),
        1);
}

// A library on the server whose store traces what it sends.
class PgSavepointTest : public ::testing::Test {
protected:
    void SetUp() override {
        VANTRELIS_REQUIRE_PG();
        m_library = std::make_unique<TestStores>(StoreKind::Postgres, dm::kEngineMssql);
        ASSERT_TRUE(m_folder.isValid());
        m_store = m_library->store();
        m_store->setTrace(std::make_shared<SqlTrace>(m_folder.filePath(QStringLiteral("trace.sql"))));
    }
    QString statements() const {
        QFile file(m_folder.filePath(QStringLiteral("trace.sql")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // Rows as another client sees them.
    qint64 committedRows() const { return m_library->openAgain()->scalar(kCount).toLongLong(); }

    std::unique_ptr<TestStores> m_library;
    QTemporaryDir m_folder;
    std::shared_ptr<LibraryStore> m_store;
};

struct ScopeCase {
    const char* what;
    bool middleWrites; // the scope around A and B writes before them
    bool aWrites;      // inner scope A writes, then ends
    bool commitA;
    bool bReads; // inner scope B reads, then ends
    bool commitB;
    int rowsLeft;   // of 101 (outermost), 102 (middle), 103 (A)
    int savepoints; // SAVEPOINT statements sent
    int releases;   // RELEASE SAVEPOINT statements sent
    int rollbacks;  // ROLLBACK TO SAVEPOINT statements sent
};

class PgScopeTest : public PgSavepointTest, public ::testing::WithParamInterface<ScopeCase> {};

TEST_P(PgScopeTest, SavepointsGoOutWithTheNextStatement) {
    const ScopeCase row = GetParam();
    LibraryStore& store = *m_store;
    store.begin();
    Insert(store, 101);
    store.begin(); // middle
    if (row.middleWrites)
        Insert(store, 102);
    store.begin(); // A
    if (row.aWrites)
        Insert(store, 103);
    row.commitA ? store.commit() : store.rollback();
    store.begin(); // B
    if (row.bReads) {
        EXPECT_EQ(store.scalar(kCount).toLongLong(),
                  1 + int(row.middleWrites) + int(row.aWrites && row.commitA));
    }
    row.commitB ? store.commit() : store.rollback();
    store.commit(); // middle
    store.commit();
    EXPECT_FALSE(store.inTransaction());
    EXPECT_EQ(committedRows(), row.rowsLeft) << row.what;
    const QString sent = statements();
    EXPECT_EQ(sent.count(QStringLiteral("\tSAVEPOINT level")), row.savepoints) << row.what;
    EXPECT_EQ(sent.count(QStringLiteral("\tRELEASE SAVEPOINT level")), row.releases) << row.what;
    EXPECT_EQ(sent.count(QStringLiteral("\tROLLBACK TO SAVEPOINT level")), row.rollbacks) << row.what;
    EXPECT_EQ(sent.count(QStringLiteral("\tCOMMIT")), 1) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PgScopeTest,
    ::testing::Values(
        // what; middle writes; A writes, A ends; B reads, B ends; rows; SAVEPOINTs, RELEASEs, ROLLBACK TOs
        ScopeCase{"scopes that send nothing", false, false, true, false, true, 1, 0, 0, 0},
        ScopeCase{"scopes sending nothing undone", false, false, false, false, false, 1, 0, 0, 0},
        ScopeCase{"a scope that only reads", false, false, true, true, true, 1, 2, 0, 0},
        ScopeCase{"a reader undone", false, false, true, true, false, 1, 2, 1, 1},
        ScopeCase{"a reader undone after its writing sibling", false, true, true, true, false, 2, 3, 2, 1},
        ScopeCase{"a writer undone, its sibling reads", false, true, false, true, true, 1, 3, 1, 1},
        ScopeCase{"a writer undone in a scope that wrote", true, true, false, false, true, 2, 2, 1, 1},
        ScopeCase{"writes in every scope", true, true, true, true, true, 3, 3, 1, 0}),
    [](const ::testing::TestParamInfo<ScopeCase>& info) { return std::to_string(info.index); });

struct FailureCase {
    const char* what;
    int depth;           // nested scopes opened before the failing statement, none of them sent yet
    const char* failing; // the statement that fails
    qint64 error;
};

class PgScopeFailureTest : public PgSavepointTest, public ::testing::WithParamInterface<FailureCase> {};

// The failing statement is the first of its scopes: their savepoints went out with it, so undoing
// the innermost one leaves the rest going.
TEST_P(PgScopeFailureTest, AScopeUndoneAfterAFailureLeavesTheTransactionGoing) {
    const FailureCase row = GetParam();
    LibraryStore& store = *m_store;
    store.begin();
    Insert(store, 101);
    for (int i = 0; i < row.depth; ++i)
        store.begin();
    ExpectFault(row.error, [&] { store.execute(QString::fromLatin1(row.failing)); });
    store.rollback();
    Insert(store, 102);
    for (int i = 1; i < row.depth; ++i)
        store.commit();
    store.commit();
    EXPECT_FALSE(store.inTransaction());
    EXPECT_EQ(committedRows(), 2) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PgScopeFailureTest,
    ::testing::Values(
        FailureCase{"a read", 1, "SELECT 1 / (SYSTEM_ID - 101) FROM DOCSADM.CLIENT WHERE SYSTEM_ID = 101",
                    kErrorSqlite},
        FailureCase{"a read two scopes deep", 2,
                    "SELECT 1 / (SYSTEM_ID - 101) FROM DOCSADM.CLIENT WHERE SYSTEM_ID = 101", kErrorSqlite},
        FailureCase{"a write", 1, "INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (101, 'again')",
                    kErrorConstraint},
        FailureCase{"a write three scopes deep", 3,
                    "INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (101, 'again')",
                    kErrorConstraint}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::to_string(info.index); });

// A scope that locks another folder sends its savepoint at once, with the ones still pending
// around it; undone, it gives the lock back and leaves the rows of the scopes around it.
TEST_F(PgSavepointTest, AScopeThatLocksAFolderGoesOutAtOnce) {
    LibraryStore& store = *m_store;
    store.beginForFolder(5);
    Insert(store, 101);
    store.begin();
    store.beginForFolder(7);
    EXPECT_EQ(statements().count(QStringLiteral("\tSAVEPOINT level")), 2);
    Insert(store, 102);
    store.rollback();
    Insert(store, 103);
    // Another client gets the folder while the transaction goes on.
    const auto other = m_library->openAgain();
    other->beginForFolder(7);
    other->commit();
    store.commit();
    store.commit();
    EXPECT_EQ(committedRows(), 2);
}

} // namespace
} // namespace vantrelis::testing
