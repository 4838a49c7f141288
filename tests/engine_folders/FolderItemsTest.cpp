#include "FolderFixture.h"

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

const QString kKeyOf = QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.FOLDER_ITEM WHERE DOCNUMBER = ?1");

class FolderItemsTest : public FolderFixture {
protected:
    bool Add(qint64 doc, qint64 folder, int sort = 0) {
        return engine->AddFolderItem(qint32(doc), qint32(folder), QStringLiteral("P"), kRule, sort);
    }
    // Files documents of these names into the folder, in this order.
    void AddAll(qint64 folder, const QStringList& names, int sort = 0) {
        for (const QString& name : names)
            ASSERT_TRUE(Add(Document(name), folder, sort)) << name.toStdString();
    }
};

TEST_F(FolderItemsTest, LinksTheSecondItemAfterTheFirst) {
    const qint64 folder = Folder(QStringLiteral("Box"));
    const qint64 first = Document(QStringLiteral("First"));
    const qint64 second = Document(QStringLiteral("Second"));
    ASSERT_TRUE(Add(first, folder));
    EXPECT_EQ(Statements().filter(QStringLiteral("UPDATE")), QStringList()) << "the first item links nothing";
    EXPECT_EQ(Statements().filter(QStringLiteral("FROM DOCSADM.VERSIONS")).size(), 1);
    Mark();
    ASSERT_TRUE(Add(second, folder));

    const QString f = QString::number(folder);
    const QString d = QString::number(second);
    const QString version =
        Value(QStringLiteral("SELECT VERSION_ID FROM DOCSADM.VERSIONS WHERE DOCNUMBER = ?1"), folder)
            .toString();
    const QString key = Value(kKeyOf, second).toString();
    EXPECT_EQ(
        Statements(),
        (QStringList{
            "SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE PARENT = " + f + " AND DOCNUMBER = " + d,
            // The folder's version was read by the first filing of the run.
            "SELECT SYSTEM_ID, \"NEXT\" FROM DOCSADM.FOLDER_ITEM WHERE PARENT = " + f +
                " AND SYSTEM_ID = (SELECT MAX(SYSTEM_ID) FROM DOCSADM.FOLDER_ITEM WHERE PARENT = " + f + ")",
            "SELECT DOCNAME FROM DOCSADM.PROFILE WHERE DOCNUMBER = " + d,
            "INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, NODE_TYPE, PARENT, ISFIRST, \"NEXT\", DOCNUMBER, "
            "VERSION_TYPE, PARENT_VERSION, DISPLAYNAME, STATUS, LIBRARY, PARENT_LIBRARY, REMOTE_SYSTEM_ID, "
            "VERSION, FOLDERDOCNO_RO, FOLDERREMLIB_RO, HAS_PROPS, PREV_VERSION_TYPE) VALUES(" +
                key + ", 'P', " + f + ", 'N', 0, " + d + ", 'R', " + version +
                ", 'Second', 0, 0, 0, 0, 0, 0, 0, '', '')",
            "UPDATE DOCSADM.FOLDER_ITEM SET \"NEXT\" = " + key + " WHERE PARENT = " + f +
                " AND SYSTEM_ID = " + Value(kKeyOf, first).toString()}));
    EXPECT_EQ(Chain(folder), (QStringList{"First", "Second"}));
    EXPECT_FALSE(engine->ItemExisted());
}

// Items filed in a batch reach the library with its commit and not before; an item that fails inside
// it leaves the others, and an undone batch leaves none.
TEST_F(FolderItemsTest, ABatchCommitsItsItemsTogetherAndEachItemStaysWhole) {
    const qint64 folder = Folder(QStringLiteral("Box"));
    admin().database().execute(
        QStringLiteral("CREATE TRIGGER DOCSADM.REFUSE_B BEFORE INSERT ON FOLDER_ITEM WHEN "
                       "NEW.DISPLAYNAME = 'B' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    const qint64 a = Document(QStringLiteral("A"));
    const qint64 b = Document(QStringLiteral("B"));
    const qint64 c = Document(QStringLiteral("C"));
    for (const bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "committed" : "undone");
        ASSERT_TRUE(engine->BeginBatch(qint32(folder)));
        ASSERT_TRUE(Add(a, folder));
        EXPECT_EQ(Chain(folder), QStringList()) << "another reader sees nothing before the commit";
        EXPECT_FALSE(Add(b, folder));
        ASSERT_TRUE(Add(c, folder));
        EXPECT_EQ(engine->EndBatch(commit), commit);
        EXPECT_EQ(Chain(folder), commit ? (QStringList{"A", "C"}) : QStringList());
    }
}

TEST_F(FolderItemsTest, AnItemAlreadyThereIsNotAddedAgain) {
    const qint64 folder = Folder(QStringLiteral("Box"));
    const qint64 doc = Document(QStringLiteral("Memo"));
    SetRule(RuleTable::kInheritSecurity, QStringLiteral("1"));
    ASSERT_TRUE(Add(doc, folder));
    security.calls.clear();
    Mark();
    EXPECT_TRUE(Add(doc, folder, 1));
    EXPECT_TRUE(engine->ItemExisted());
    EXPECT_TRUE(Lines().contains(QStringLiteral("Folder item %1 already exists in folder").arg(doc)));
    EXPECT_EQ(Statements().size(), 1) << "neither inserted nor sorted";
    EXPECT_EQ(security.calls, QStringList());
    EXPECT_EQ(Chain(folder), QStringList{QStringLiteral("Memo")});
}

TEST_F(FolderItemsTest, KeepsTheNameEscapedAndVersionZeroWithoutAVersionRow) {
    const qint64 folder = Folder(QStringLiteral("Box"));
    admin().database().execute(QStringLiteral("DELETE FROM DOCSADM.VERSIONS WHERE DOCNUMBER = ?1"), {folder});
    const qint64 doc = Document(QStringLiteral("O'Brien\nMemo"));
    ASSERT_TRUE(Add(doc, folder));
    EXPECT_EQ(
        Value(QStringLiteral("SELECT PARENT_VERSION FROM DOCSADM.FOLDER_ITEM WHERE DOCNUMBER = ?1"), doc),
        QVariant(0));
    EXPECT_EQ(Chain(folder), QStringList{QStringLiteral("O'Brien Memo")});
}

TEST_F(FolderItemsTest, ZeroNumbersAreRefused) {
    const qint64 folder = Folder(QStringLiteral("Box"));
    EXPECT_FALSE(Add(0, folder));
    EXPECT_FALSE(Add(Document(QStringLiteral("Memo")), 0));
    EXPECT_TRUE(Lines().contains(QStringLiteral("Error: Cannot add folder item for document #0")));
    EXPECT_EQ(Statements(), QStringList());
}

TEST_F(FolderItemsTest, AppendingAfterASortKeepsEveryItemReachable) {
    const qint64 folder = Folder(QStringLiteral("Box"));
    AddAll(folder, {QStringLiteral("Charlie"), QStringLiteral("Alpha"), QStringLiteral("Bravo")}, 1);
    ASSERT_EQ(Chain(folder), (QStringList{"Alpha", "Bravo", "Charlie"}));
    // The newest row (Bravo) now sits inside the chain; the next item goes after Charlie.
    AddAll(folder, {QStringLiteral("Delta"), QStringLiteral("Echo")});
    EXPECT_EQ(Chain(folder), (QStringList{"Alpha", "Bravo", "Charlie", "Delta", "Echo"}));
}

TEST_F(FolderItemsTest, ARefusedLinkLeavesTheLibraryAsItWas) {
    const qint64 folder = Folder(QStringLiteral("Box"));
    AddAll(folder, {QStringLiteral("First")});
    const qint64 doc = Document(QStringLiteral("Second"));
    Refuse(QStringLiteral("FOLDER_ITEM"), QStringLiteral("UPDATE"));
    const QStringList before = Snapshot();
    Mark();
    EXPECT_FALSE(Add(doc, folder));
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(Chain(folder), QStringList{QStringLiteral("First")});
    EXPECT_TRUE(Lines().contains(QStringLiteral("Error: Adding Folder Item to folder")));
}

struct SortCase {
    const char* label;
    QStringList added;
    QStringList sorted;
    int updates;
    const char* line; // "%1" stands for the head's name before the sort
};

class SortFoldersTest : public FolderItemsTest, public ::testing::WithParamInterface<SortCase> {};

TEST_P(SortFoldersTest, OrdersTheChainByNameWritingOnlyWhatChanged) {
    const SortCase& c = GetParam();
    const qint64 folder = Folder(QStringLiteral("Box"));
    AddAll(folder, c.added);
    program->harness.status.text = QStringLiteral("Before");
    Mark();
    engine->SortFolders(qint32(folder));
    EXPECT_EQ(Chain(folder), c.sorted);
    EXPECT_EQ(Statements().filter(QStringLiteral("UPDATE")).size(), c.updates);
    EXPECT_TRUE(
        Lines().contains(QString::fromLatin1(c.line).replace(QStringLiteral("%1"), c.added.value(0))));
    EXPECT_EQ(program->harness.status.text, QStringLiteral("Before"));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, SortFoldersTest, ::testing::Values(
    SortCase{"B, A, C", {"B", "A", "C"}, {"A", "B", "C"}, 2, "Folder %1 needed sorting"},
    SortCase{"sorted already: the rows stay", {"A", "B", "C"}, {"A", "B", "C"}, 0, "Folder %1 needed sorting"},
    SortCase{"reversed", {"C", "B", "A"}, {"A", "B", "C"}, 3, "3 items in folder need sorting"},
    SortCase{"one item", {"A"}, {"A"}, 0, "Folder %1 was already sorted"},
    SortCase{"no item", {}, {}, 0, "Nothing to sort"}),
    [](const ::testing::TestParamInfo<SortCase>& info) { return std::to_string(info.index); });
// clang-format on

struct MetadataCase {
    const char* label;
    const char* option;
    const char* folderMatter;
    const char* docMatter;
    const char* folderAfter;
    const char* docAfter;
    const char* line;
};

class MetadataTest : public FolderItemsTest, public ::testing::WithParamInterface<MetadataCase> {};

TEST_P(MetadataTest, FillsEmptyForeignColumnsBothWays) {
    const MetadataCase& c = GetParam();
    SetRule(RuleTable::kInheritMetadata, QLatin1String(c.option));
    engine->LoadForeignColumns();
    const qint64 folder = Folder(QStringLiteral("Box"), 0, QLatin1String(c.folderMatter));
    const qint64 doc = Document(QStringLiteral("Memo"), QLatin1String(c.docMatter));
    ASSERT_TRUE(Add(doc, folder));
    const auto matter = [&](qint64 number) {
        return Value(QStringLiteral("SELECT M.MATTER_ID FROM DOCSADM.PROFILE P LEFT JOIN DOCSADM.MATTER M "
                                    "ON M.SYSTEM_ID = P.MATTER WHERE P.DOCNUMBER = ?1"),
                     number)
            .toString();
    };
    EXPECT_EQ(matter(folder), QLatin1String(c.folderAfter));
    EXPECT_EQ(matter(doc), QLatin1String(c.docAfter));
    const QString line = QString::fromLatin1(c.line)
                             .replace(QStringLiteral("%1"), QString::number(folder))
                             .replace(QStringLiteral("%2"), QString::number(doc));
    EXPECT_TRUE(Lines().contains(line)) << line.toStdString();
}

// "%1" is the folder's number, "%2" the document's.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, MetadataTest, ::testing::Values(
    MetadataCase{"folder to document", "1", "0042", "", "0042", "0042",
                 "NOT inheriting child metadata - no empty metadata columns are found in parent folder #%1"},
    MetadataCase{"document to folder", "1", "", "0043", "0043", "0043",
                 "NOT inheriting parent metadata - no empty metadata columns are found in child document #%2"},
    MetadataCase{"set on both sides", "1", "0042", "0043", "0042", "0043",
                 "NOT inheriting parent metadata - no empty metadata columns are found in child document #%2"},
    MetadataCase{"empty on both sides", "1", "", "", "", "",
                 "NOT inheriting metadata - only empty metadata columns are found in parent folder #%1"},
    MetadataCase{"option off", "0", "0042", "", "0042", "",
                 "Inherit Metadata Option is not selected for this rule"}),
    [](const ::testing::TestParamInfo<MetadataCase>& info) { return std::to_string(info.index); });
// clang-format on

TEST_F(FolderItemsTest, WithoutForeignColumnsNoMetadataQueryIsSent) {
    SetRule(RuleTable::kInheritMetadata, QStringLiteral("1"));
    ASSERT_TRUE(Add(Document(QStringLiteral("Memo")), Folder(QStringLiteral("Box"))));
    EXPECT_TRUE(
        Lines().contains(QStringLiteral("Cannot inherit metadata - no columns identified for query")));
    EXPECT_EQ(Statements().filter(QStringLiteral("MATTER")), QStringList());
}

TEST_F(FolderItemsTest, LoadsTheForeignColumnsOncePerLibrary) {
    engine->LoadForeignColumns();
    engine->LoadForeignColumns();
    EXPECT_EQ(
        Statements(),
        QStringList{QStringLiteral(
            "SELECT COLNAME, FTBNAME FROM DOCSADM.DOCSCOLUMN WHERE TBNAME = 'PROFILE' AND CMSKEY = 'F'")});
    QStringList entries;
    for (const engine::ForeignColumn& column : engine->foreignColumns())
        entries << QStringList{column.libraryName, column.columnName, column.referencedTable,
                               column.owningTable}
                       .join('.');
    entries.sort();
    EXPECT_EQ(entries,
              (QStringList{"DOCS.APPLICATION.APPS.PROFILE", "DOCS.DOCUMENTTYPE.DOCUMENTTYPES.PROFILE",
                           "DOCS.MATTER.MATTER.PROFILE"}));
}

struct SecurityCase {
    const char* inherit;
    const char* securityTemplate;
    const char* append;
    QStringList calls;
};

class ItemSecurityTest : public FolderItemsTest, public ::testing::WithParamInterface<SecurityCase> {};

TEST_P(ItemSecurityTest, InheritsOrAppliesTheTemplateAsTheRuleSays) {
    const SecurityCase& c = GetParam();
    SetRule(RuleTable::kInheritSecurity, QLatin1String(c.inherit));
    SetRule(RuleTable::kSecurity, QLatin1String(c.securityTemplate));
    SetRule(RuleTable::kAppendTrustees, QLatin1String(c.append));
    const qint64 folder = Folder(QStringLiteral("Box"));
    const qint64 doc = Document(QStringLiteral("Memo"));
    ASSERT_TRUE(Add(doc, folder));
    QStringList expected = c.calls;
    expected.replaceInStrings(QStringLiteral("#D"), QString::number(doc))
        .replaceInStrings(QStringLiteral("#F"), QString::number(folder));
    EXPECT_EQ(security.calls, expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, ItemSecurityTest, ::testing::Values(
    SecurityCase{"1", "", "1", {"Inherit #D #F"}},
    SecurityCase{"0", "T=1", "0", {"Add #D T=1"}},
    SecurityCase{"1", "T=1", "0", {"Inherit #D #F"}},
    SecurityCase{"1", "T=1", "1", {"Inherit #D #F", "Add #D T=1"}},
    SecurityCase{"0", "", "1", {}}));
// clang-format on

} // namespace
