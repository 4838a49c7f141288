// Filing into a sorted folder links each item into its place by name; the chain must be the one the
// full sort gives, on both engine flavours, and a folder another writer left unsorted is sorted in
// full.

#include "FolderFixture.h"
#include "dm/local/FolderChain.h"

#include <random>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

const QString kFullRead = QStringLiteral("ISFIRST FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ");

class SortedFilingTest : public FolderFixture, public ::testing::WithParamInterface<int> {
protected:
    int EngineCode() const override { return GetParam(); }

    bool File(qint64 doc, qint64 folder) {
        return engine->AddFolderItem(qint32(doc), qint32(folder), QStringLiteral("P"), kRule, 1);
    }
    // The folder's rows following ISFIRST and NEXT (after checking the chain is one clean list).
    QList<qint64> ChainIds(qint64 folder) {
        Chain(folder);
        QList<qint64> ids;
        const dm::ItemChain chain = dm::local::FolderChain::Read(admin().database(), folder);
        for (const dm::ChainItem& item : chain.items())
            ids << item.systemId;
        return ids;
    }
    QList<qint64> Ordered(qint64 folder, const char* order) {
        QList<qint64> ids;
        for (const auto& row : admin()
                                   .database()
                                   .query(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.FOLDER_ITEM WHERE "
                                                         "PARENT = ?1 ORDER BY ") +
                                              QLatin1String(order),
                                          {folder})
                                   .rows)
            ids << row.at(0).toLongLong();
        return ids;
    }
    // A document of any name, blank ones too (which the administration refuses).
    qint64 Named(const QString& name) {
        const qint64 doc = Document(QStringLiteral("x"));
        admin().database().execute(
            QStringLiteral("UPDATE DOCSADM.PROFILE SET DOCNAME = ?2 WHERE DOCNUMBER = ?1"), {doc, name});
        return doc;
    }
    int FullSorts() { return int(Statements().filter(kFullRead).size()); }
};

// Names with duplicates, case variants, accents and blanks.
QString RandomName(std::mt19937& random) {
    static const QStringList stems = {QStringLiteral("alpha"),   QStringLiteral("Alpha"),
                                      QStringLiteral("ALPHA"),   QStringLiteral("beta"),
                                      QStringLiteral("Béta"),    QStringLiteral("béta"),
                                      QStringLiteral("beta "),   QString(),
                                      QStringLiteral("  "),      QStringLiteral("Zeta"),
                                      QStringLiteral("é"),       QStringLiteral("E"),
                                      QStringLiteral("a b"),     QStringLiteral("ab"),
                                      QStringLiteral("Memo 10"), QStringLiteral("memo 2"),
                                      QStringLiteral("O'Neil"),  QStringLiteral("_x"),
                                      QStringLiteral("Ärger"),   QStringLiteral("zz")};
    QString name = stems.at(int(random() % stems.size()));
    if (random() % 3 == 0)
        name += QString::number(random() % 4);
    return name;
}

TEST_P(SortedFilingTest, PlacedItemsGiveTheChainOfTheFullSort) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const qint64 folder = Folder(QStringLiteral("Box %1").arg(seed));
        Mark();
        for (int i = 0; i < 40; ++i)
            ASSERT_TRUE(File(Named(RandomName(random)), folder)) << i;
        const QList<qint64> placed = ChainIds(folder);
        // Equal names (as the engine compares them) stay in the order of their SYSTEM_ID.
        EXPECT_EQ(Ordered(folder, "DISPLAYNAME"), Ordered(folder, "DISPLAYNAME, SYSTEM_ID"));
        EXPECT_EQ(placed, Ordered(folder, "DISPLAYNAME"));
        EXPECT_EQ(FullSorts(), 1) << "only the first filing reads the whole folder";

        // A full sort of the library finds nothing to change.
        const QStringList rows = Snapshot();
        engine->ForgetRunState();
        engine->SortFolders(0);
        EXPECT_EQ(Snapshot(), rows);
    }
}

struct OtherWriter {
    const char* label;
    // Run on the library after A, C and E were filed sorted (?1 = the folder).
    const char* change;
    const char* filed;
};

TEST_P(SortedFilingTest, AFolderAnotherWriterLeftUnsortedIsSortedInFull) {
    const std::vector<OtherWriter> cases = {
        {"appended at the tail", "", "D2"},
        {"reversed the chain",
         "UPDATE DOCSADM.FOLDER_ITEM SET ISFIRST = CASE WHEN DISPLAYNAME = 'E' THEN 'Y' ELSE 'N' END, "
         "\"NEXT\" = COALESCE((SELECT MAX(O.SYSTEM_ID) FROM DOCSADM.FOLDER_ITEM O WHERE O.PARENT = ?1 AND "
         "O.DISPLAYNAME < DOCSADM.FOLDER_ITEM.DISPLAYNAME), 0) WHERE PARENT = ?1",
         "B"}};
    for (const OtherWriter& c : cases) {
        SCOPED_TRACE(c.label);
        const qint64 folder = Folder(QLatin1String(c.label));
        for (const char* name : {"E", "A", "C"})
            ASSERT_TRUE(File(Document(QLatin1String(name)), folder));
        if (*c.change)
            admin().database().execute(QLatin1String(c.change), {folder});
        else
            admin().linkItem(folder, Document(QStringLiteral("D")));
        Mark();
        ASSERT_TRUE(File(Document(QLatin1String(c.filed)), folder));
        EXPECT_EQ(FullSorts(), 1);
        EXPECT_EQ(ChainIds(folder), Ordered(folder, "DISPLAYNAME"));
    }
}

// A filing that is undone takes its sort with it: the folder is no longer known as sorted.
TEST_P(SortedFilingTest, AnUndoneFilingLeavesTheFolderToBeSortedInFull) {
    const qint64 folder = Folder(QStringLiteral("Box"));
    const qint64 c = Document(QStringLiteral("C"));
    const qint64 a = Document(QStringLiteral("A"));
    ASSERT_TRUE(engine->BeginBatch(qint32(folder)));
    ASSERT_TRUE(File(c, folder));
    ASSERT_TRUE(File(a, folder));
    EXPECT_FALSE(engine->EndBatch(false));
    admin().linkItem(folder, Document(QStringLiteral("Z")));
    admin().linkItem(folder, Document(QStringLiteral("Y")));
    Mark();
    ASSERT_TRUE(File(Document(QStringLiteral("B")), folder));
    EXPECT_EQ(FullSorts(), 1);
    EXPECT_EQ(Chain(folder), (QStringList{"B", "Y", "Z"}));
}

INSTANTIATE_TEST_SUITE_P(Engines, SortedFilingTest, ::testing::Values(10, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 2 ? std::string("Oracle") : std::string("MSSQL");
                         });

} // namespace
