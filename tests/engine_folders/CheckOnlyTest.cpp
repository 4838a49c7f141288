// A check-only run answers the document query of the folders it plans from the profile they would
// get, so that it counts the documents the run that writes then files.

#include "FolderFixture.h"
#include "config/FolderRuleDefinition.h"
#include "engine/folders/CheckOnlyFolders.h"

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

struct CheckCase {
    const char* label;
    bool topExists;    // the client folder is in the library before
    bool fillFromLine; // levels 2 and 3 take PROFILE.MATTER from the line
    int filed;
};

class CheckOnlyTest : public FolderFixture, public ::testing::WithParamInterface<CheckCase> {
protected:
    // Walks ACME \ 0042 \ MEMO as the run does, creating (or planning) what is missing, and files
    // the leaf's documents; answers how many were (or would be) filed.
    int Walk(engine::CheckOnlyFolders& folders, bool fill) {
        const QStringList names = {QStringLiteral("ACME"), QStringLiteral("0042"), QStringLiteral("MEMO")};
        qint32 parent = 0;
        for (int level = 1; level <= names.size(); ++level) {
            const auto found = admin().database().query(
                QStringLiteral(
                    "SELECT F.DOCNUMBER FROM DOCSADM.PROFILE F LEFT JOIN DOCSADM.FOLDER_ITEM I ON "
                    "I.DOCNUMBER = F.DOCNUMBER WHERE F.DOCNAME = ?1 AND COALESCE(I.PARENT, 0) = ?2"),
                {names[level - 1], parent});
            if (!found.rows.empty() && !folders.IsPlanned(parent)) {
                parent = qint32(found.rows.front().at(0).toLongLong());
                continue;
            }
            engine::LineColumns line;
            line.line = 1;
            if (fill && level >= 2)
                line.columns = {{QStringLiteral("MATTER"),
                                 QString::number(admin().matterSystemId(QStringLiteral("ACME"),
                                                                        QStringLiteral("0042")))}};
            parent = folders.CreateFolder(names[level - 1], parent, QString(), kRule, 0, line);
            EXPECT_NE(parent, 0) << level;
        }
        const QString documents = folders.AddDocsSQL(parent, kRule);
        int filed = 0;
        if (documents.isEmpty())
            return filed;
        for (const auto& row : admin().database().query(documents).rows) {
            if (folders.AddFolderItem(qint32(row.at(0).toLongLong()), parent, QStringLiteral("P"), kRule,
                                      0) &&
                !folders.ItemExisted())
                ++filed;
        }
        return filed;
    }
};

TEST_P(CheckOnlyTest, CountsWhatTheRunThenFiles) {
    const CheckCase& c = GetParam();
    SetRule(RuleTable::kTemplate, FolderRuleDefinition::DefaultTemplate());
    if (c.topExists)
        Folder(QStringLiteral("ACME"));
    for (const char* name : {"Memo one", "Memo two", "Letter"})
        Document(QLatin1String(name), QStringLiteral("0042"));
    Document(QStringLiteral("Lease memo"), QStringLiteral("0043"));
    Document(QStringLiteral("No matter"));
    engine::CheckOnlyFolders folders(*engine, program->context.gateway(), program->context.log());

    folders.setCheckOnly(true);
    const QStringList before = Snapshot();
    const int wouldFile = Walk(folders, c.fillFromLine);
    EXPECT_EQ(Snapshot(), before) << "a check writes nothing";

    folders.setCheckOnly(false);
    const int filed = Walk(folders, c.fillFromLine);
    EXPECT_EQ(filed, c.filed);
    EXPECT_EQ(wouldFile, filed);
}

INSTANTIATE_TEST_SUITE_P(Rows, CheckOnlyTest,
                         ::testing::Values(CheckCase{"under_a_folder_with_fill", true, true, 3},
                                           CheckCase{"from_the_top_with_fill", false, true, 3},
                                           CheckCase{"under_a_folder_without_fill", true, false, 0},
                                           CheckCase{"from_the_top_without_fill", false, false, 0}),
                         [](const ::testing::TestParamInfo<CheckCase>& info) { return info.param.label; });

// Two import lines that lead to the same folder: the second finds the first one's documents there,
// in the check as in the run that writes.
class CheckOnlyRepeatTest : public CheckOnlyTest {};

TEST_F(CheckOnlyRepeatTest, SecondLineToTheSameFolderCountsNothingMore) {
    SetRule(RuleTable::kTemplate, FolderRuleDefinition::DefaultTemplate());
    Folder(QStringLiteral("ACME"));
    for (const char* name : {"Memo one", "Memo two"})
        Document(QLatin1String(name), QStringLiteral("0042"));
    engine::CheckOnlyFolders folders(*engine, program->context.gateway(), program->context.log());

    folders.setCheckOnly(true);
    const int wouldFirst = Walk(folders, true);
    const int wouldSecond = Walk(folders, true);
    folders.setCheckOnly(false);
    const int filedFirst = Walk(folders, true);
    const int filedSecond = Walk(folders, true);

    EXPECT_EQ(filedFirst, 2);
    EXPECT_EQ(filedSecond, 0);
    EXPECT_EQ(wouldFirst + wouldSecond, filedFirst + filedSecond);
}

} // namespace
