#include "common/Fault.h"
#include "dm/SqlTransaction.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/SqlTrace.h"
#include "dm_local_sql/TestLibrary.h"
#include "support/ExpectFault.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using vantrelis::testing::ExpectFault;

using namespace vantrelis;
using namespace vantrelis::dm;
using namespace vantrelis::dm::local;
using namespace vantrelis::dm::local::test;

namespace {

const QString kCount = QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM");

QString Insert(int systemId) {
    return QStringLiteral(
               "INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, PARENT, PARENT_VERSION, DOCNUMBER, "
               "VERSION_TYPE, DISPLAYNAME, ISFIRST, \"NEXT\") VALUES (%1, 1, 0, %1, 'R', 'X', 'N', 0)")
        .arg(systemId);
}

// Each row: which scopes commit (outer, inner) and how many of the two inserts survive.
struct ScopeCase {
    bool commitInner;
    bool commitOuter;
    int rowsLeft;
};

class TransactionScopeTest : public ::testing::TestWithParam<ScopeCase> {};

TEST_P(TransactionScopeTest, NestedScopesLandTogetherOrNotAtAll) {
    const ScopeCase row = GetParam();
    TestLibrary library(kEngineMssql);
    {
        dm::SqlTransaction outer(library.sql());
        ASSERT_EQ(library.sql().execute(Insert(101)), 0);
        {
            dm::SqlTransaction inner(library.sql());
            ASSERT_EQ(library.sql().execute(Insert(102)), 0);
            if (row.commitInner)
                inner.commit();
        }
        if (row.commitOuter)
            outer.commit();
    }
    EXPECT_EQ(library.first(kCount).toInt(), row.rowsLeft);
    EXPECT_FALSE(library.db()->inTransaction());
}

INSTANTIATE_TEST_SUITE_P(Rows, TransactionScopeTest,
                         ::testing::Values(ScopeCase{true, true, 2}, ScopeCase{false, true, 1},
                                           ScopeCase{true, false, 0}, ScopeCase{false, false, 0}));

TEST(TransactionTest, ScopeEndsOnTheLibraryItBeganOnAfterRebinding) {
    TestLibrary library(kEngineMssql);
    {
        dm::SqlTransaction scope(library.sql());
        ASSERT_EQ(library.sql().execute(Insert(201)), 0);
        // Rebinding (as a library switch does) must not carry the rollback to another database.
        library.sql().setLibrary(library.name());
    }
    EXPECT_EQ(library.first(kCount).toInt(), 0);
    EXPECT_FALSE(library.db()->inTransaction());
}

TEST(TransactionTest, UnboundObjectRefusesToBeginAndCommitWithoutScopeFaults) {
    TestLibrary library(kEngineMssql);
    LocalSql unbound(library.serverPtr());
    ExpectFault(kErrorNotBound, [&] { dm::SqlTransaction scope(unbound); });
    ExpectFault(kErrorTransaction, [&] { library.sql().commitTransaction(); });
    library.sql().rollbackTransaction(); // without a scope: nothing happens
    EXPECT_EQ(library.first(kCount).toInt(), 0);
}

} // namespace

namespace {

// Savepoints inside savepoints are ended by the one around them (no RELEASE of their own); rolling
// back must still undo exactly the scope rolled back, whatever ended before it under the same name.
struct DeepCase {
    const char* what;
    bool commitFirst;  // the first inner scope (level 2)
    bool commitSecond; // a second inner scope of the same level, after the first
    bool commitMiddle; // the scope around both (level 1)
    int rowsLeft;      // of 1 (outermost) + 1 (middle) + 1 + 1 (inner scopes)
};

// A library whose statements are traced until statements() hands them over.
struct TracedLibrary {
    TracedLibrary() { library.db()->setTrace(std::make_shared<SqlTrace>(file)); }
    QString statements() {
        library.db()->setTrace(nullptr);
        QFile trace(file);
        return trace.open(QIODevice::ReadOnly) ? QString::fromUtf8(trace.readAll()) : QString();
    }
    TestLibrary library{kEngineMssql};
    QTemporaryDir folder;
    QString file = folder.filePath(QStringLiteral("trace.sql"));
};

class DeepScopeTest : public ::testing::TestWithParam<DeepCase> {};

TEST_P(DeepScopeTest, InnerScopesEndWithTheScopeAroundThem) {
    const DeepCase row = GetParam();
    TracedLibrary traced;
    TestLibrary& library = traced.library;
    {
        dm::SqlTransaction outer(library.sql());
        ASSERT_EQ(library.sql().execute(Insert(101)), 0);
        {
            dm::SqlTransaction middle(library.sql());
            ASSERT_EQ(library.sql().execute(Insert(102)), 0);
            for (const auto& [id, commit] :
                 {std::pair{103, row.commitFirst}, std::pair{104, row.commitSecond}}) {
                dm::SqlTransaction inner(library.sql());
                ASSERT_EQ(library.sql().execute(Insert(id)), 0);
                if (commit)
                    inner.commit();
            }
            if (row.commitMiddle)
                middle.commit();
        }
        outer.commit();
    }
    const QString statements = traced.statements();
    EXPECT_EQ(library.first(kCount).toInt(), row.rowsLeft) << row.what;
    EXPECT_FALSE(library.db()->inTransaction());
    EXPECT_EQ(statements.count(QStringLiteral("\tRELEASE level2")),
              (row.commitFirst ? 0 : 1) + (row.commitSecond ? 0 : 1))
        << "only a rolled-back inner scope is released by itself";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeepScopeTest,
    ::testing::Values(DeepCase{"all kept", true, true, true, 4},
                      DeepCase{"first undone", false, true, true, 3},
                      DeepCase{"second undone after the first ended", true, false, true, 3},
                      DeepCase{"both undone", false, false, true, 2},
                      DeepCase{"middle undone takes the ended inner ones", true, true, false, 1}));

// A nested scope's savepoint goes out with its first write: scopes that only read cost no
// statement, and undoing one must still leave what its siblings wrote.
struct LazyCase {
    const char* what;
    bool middleWrites; // the scope around A and B writes before them
    bool aWrites;      // inner scope A writes, then ends
    bool commitB;      // inner scope B only reads, then ends or is undone
    int rowsLeft;      // of 101 (outermost), 102 (middle), 103 (A)
    int savepoints;    // SAVEPOINT statements sent
};

class LazySavepointTest : public ::testing::TestWithParam<LazyCase> {};

TEST_P(LazySavepointTest, SavepointsGoOutWithTheFirstWriteInside) {
    const LazyCase row = GetParam();
    TracedLibrary traced;
    TestLibrary& library = traced.library;
    {
        dm::SqlTransaction outer(library.sql());
        ASSERT_EQ(library.sql().execute(Insert(101)), 0);
        {
            dm::SqlTransaction middle(library.sql());
            if (row.middleWrites) {
                ASSERT_EQ(library.sql().execute(Insert(102)), 0);
            }
            {
                dm::SqlTransaction a(library.sql());
                if (row.aWrites) {
                    ASSERT_EQ(library.sql().execute(Insert(103)), 0);
                }
                a.commit();
            }
            {
                dm::SqlTransaction b(library.sql());
                EXPECT_EQ(library.first(kCount).toInt(), 1 + int(row.middleWrites) + int(row.aWrites));
                if (row.commitB)
                    b.commit();
            }
            middle.commit();
        }
        outer.commit();
    }
    const QString statements = traced.statements();
    EXPECT_EQ(library.first(kCount).toInt(), row.rowsLeft) << row.what;
    EXPECT_FALSE(library.db()->inTransaction());
    EXPECT_EQ(statements.count(QStringLiteral("\tSAVEPOINT ")), row.savepoints) << row.what;
    EXPECT_EQ(statements.count(QStringLiteral("\tROLLBACK TO ")), 0) << row.what;
    EXPECT_EQ(statements.count(QStringLiteral("\tRELEASE ")), row.savepoints > 0 ? 1 : 0) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LazySavepointTest,
    ::testing::Values(LazyCase{"scopes that only read", false, false, true, 1, 0},
                      LazyCase{"a reader undone", false, false, false, 1, 0},
                      LazyCase{"a reader undone after its writing sibling", false, true, false, 2, 2},
                      LazyCase{"a write inside a scope that wrote", true, true, true, 3, 2}));

} // namespace
