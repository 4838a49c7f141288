// The walk of a path on the folder engine, with another run writing the same library.

#include "app/PathWalk.h"
#include "ImportRunFixture.h"
#include "app/DocumentFiler.h"
#include "support/InterposedSql.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace vantrelis::testing {
namespace {

struct RaceCase {
    const char* label;
    bool checkOnly;
};

class PathWalkRaceTest : public ImportRunFixture, public ::testing::WithParamInterface<RaceCase> {};

// Another run creates the top level after this walk looked for it: the walk uses that folder, creates
// only the level below it, and a second walk finds both. A check looks once and plans, as before.
TEST_P(PathWalkRaceTest, ALevelAnotherRunCreatedMeanwhileIsUsedNotDoubled) {
    const RaceCase& c = GetParam();
    Start();
    engine::CheckOnlyFolders folders(context->folders(), context->gateway(), context->log());
    folders.setCheckOnly(c.checkOnly);
    const app::ColumnTable columns;
    app::DocumentFiler filer(
        *context, view, folders, [] { return false; }, [] {});
    app::PathWalk walk(*context, folders, columns, filer, [] { return false; });
    walk.setLibraryName(QStringLiteral("LIB_A"));
    qint64 theirs = 0;
    dm::DmSession& session = context->session();
    session.sql = std::make_shared<InterposedSql>(
        session.sql, [&] { theirs = AddFolder(QStringLiteral("LIB_A"), QStringLiteral("C1"), 0); });

    app::PathOutcome outcome;
    walk.Walk(QStringLiteral("C1 %\\% M1"), 1, QString(), {}, outcome);

    using Kind = app::PathOutcome::Kind;
    EXPECT_EQ(outcome.kind, Kind::Created);
    EXPECT_EQ(outcome.errors(), 0) << outcome.firstError.toStdString();
    if (c.checkOnly) {
        // Nothing was locked, so the other run never got in; both levels are planned.
        EXPECT_EQ(theirs, 0);
        EXPECT_EQ(outcome.foldersCreated, 2);
        EXPECT_EQ(FolderCount(QStringLiteral("LIB_A")), 0);
        return;
    }
    ASSERT_NE(theirs, 0);
    EXPECT_EQ(outcome.foldersCreated, 1);
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_A")), 2);
    const qint64 m1 = FolderPath(QStringLiteral("LIB_A"), {"C1", "M1"});
    EXPECT_EQ(FolderPath(QStringLiteral("LIB_A"), {"C1"}), theirs);
    EXPECT_EQ(outcome.folder, m1);
    EXPECT_EQ(Items(QStringLiteral("LIB_A"), theirs), QList<qint64>{m1});
    EXPECT_TRUE(harness.Lines().contains("Folder C1 already exists as Document #" + QString::number(theirs)));

    app::PathOutcome again;
    walk.Walk(QStringLiteral("C1 %\\% M1"), 1, QString(), {}, again);
    EXPECT_EQ(again.kind, Kind::Found);
    EXPECT_EQ(again.foldersCreated, 0);
    EXPECT_EQ(again.folder, m1);
    EXPECT_EQ(FolderCount(QStringLiteral("LIB_A")), 2);
}

INSTANTIATE_TEST_SUITE_P(Runs, PathWalkRaceTest,
                         ::testing::Values(RaceCase{"Writing", false}, RaceCase{"CheckOnly", true}),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace vantrelis::testing
