#include "common/Fault.h"
#include "dm/SqlTransaction.h"
#include "dm/local/LocalErrors.h"
#include "dm_local_sql/TestLibrary.h"
#include "support/ExpectFault.h"

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
