#include "AdminFixture.h"

#include "common/Fault.h"
#include "config/FolderRuleDefinition.h"
#include "dm/local/FolderChain.h"
#include "support/ExpectFault.h"

#include <QElapsedTimer>

using vantrelis::testing::ExpectFault;

namespace vantrelis::dm::local::test {
namespace {

using LibraryAdminTest = AdminFixture;

TEST_F(LibraryAdminTest, CreateWritesTheReferencesDocumentsAndFoldersNeed) {
    struct Reference {
        const char* table;
        const char* column;
        const char* foreignTable;
        const char* foreignColumn;
        const char* cmsKey;
    };
    const Reference expected[] = {
        {"PROFILE", "MATTER", "MATTER", "SYSTEM_ID", "F"},
        {"MATTER", "CLIENT_ID", "CLIENT", "SYSTEM_ID", "F"},
        {"PROFILE", "DOCUMENTTYPE", "DOCUMENTTYPES", "SYSTEM_ID", "F"},
        {"PROFILE", "APPLICATION", "APPS", "SYSTEM_ID", "F"},
        {"PROFILE", "AUTHOR", "PEOPLE", "SYSTEM_ID", ""},
        {"PROFILE", "TYPIST", "PEOPLE", "SYSTEM_ID", ""},
        {"PEOPLE", "PRIMARY_GROUP", "GROUPS", "SYSTEM_ID", ""},
    };
    for (const Reference& ref : expected) {
        SCOPED_TRACE(QStringLiteral("%1.%2").arg(ref.table, ref.column).toStdString());
        const QueryResult rows = db().query(
            QStringLiteral("SELECT FTBNAME, FCOLNAME, COALESCE(CMSKEY, '') FROM DOCSADM.DOCSCOLUMN "
                           "WHERE TBNAME = ?1 AND COLNAME = ?2"),
            {ref.table, ref.column});
        ASSERT_EQ(rows.rows.size(), 1u);
        EXPECT_EQ(rows.rows[0][0].toString(), QLatin1String(ref.foreignTable));
        EXPECT_EQ(rows.rows[0][1].toString(), QLatin1String(ref.foreignColumn));
        EXPECT_EQ(rows.rows[0][2].toString(), QLatin1String(ref.cmsKey));
    }
    // The import run's foreign column list: exactly these three profile columns.
    EXPECT_EQ(count(QStringLiteral(
                  "SELECT COUNT(*) FROM DOCSADM.DOCSCOLUMN WHERE TBNAME = 'PROFILE' AND CMSKEY = 'F'")),
              3);

    const QueryResult own = db().query(QStringLiteral(
        "SELECT LIBRARY_NAME, DATABASE_ENGINE FROM DOCSADM.REMOTE_LIBRARIES WHERE SYSTEM_ID = 0"));
    ASSERT_EQ(own.rows.size(), 1u);
    EXPECT_EQ(own.rows[0][0].toString(), QStringLiteral("TESTLIB"));
    EXPECT_EQ(own.rows[0][1].toInt(), kEngineMssql);

    const struct {
        const char* table;
        const char* column;
        const char* value;
    } baseRows[] = {{"APPS", "APPLICATION", "FOLDER"},        {"APPS", "APPLICATION", "MS WORD"},
                    {"APPS", "APPLICATION", "ACROBAT"},       {"APPS", "APPLICATION", "EXCEL"},
                    {"DOCUMENTTYPES", "TYPE_ID", "FOLDER"},   {"DOCUMENTTYPES", "TYPE_ID", "MEMO"},
                    {"DOCUMENTTYPES", "TYPE_ID", "LETTER"},   {"DOCUMENTTYPES", "TYPE_ID", "PLEADING"},
                    {"DOCUMENTTYPES", "TYPE_ID", "CONTRACT"}, {"FORMS", "FORM_NAME", "DEFPROF"},
                    {"DOCSTABLE", "TABLE_NAME", "PROFILE"},   {"DOCSTABLE", "TABLE_NAME", "FOLDER_ITEM"}};
    for (const auto& row : baseRows) {
        EXPECT_EQ(
            count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.%1 WHERE %2 = ?1").arg(row.table, row.column),
                  {row.value}),
            1)
            << row.table << " " << row.value;
    }
}

TEST_F(LibraryAdminTest, CreateRefusesAnExistingFile) {
    EXPECT_TRUE(ExpectFault(kAdminDuplicate, [&] {
                    LibraryAdmin::CreateLibrary(m_file, kEngineMssql, QStringLiteral("AGAIN"));
                }).contains(m_file));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE")), 2);
}

TEST_F(LibraryAdminTest, BadInputRaisesNamedFaultsAndWritesNothing) {
    struct Case {
        const char* what;
        std::function<void(LibraryAdmin&)> call;
        qint64 number;
        const char* mentions;
    };
    const Case cases[] = {
        {"person with unknown group",
         [](LibraryAdmin& a) { a.addPerson(QStringLiteral("ZED"), QString(), QStringLiteral("NOPE")); },
         kAdminUnknownName, "NOPE"},
        {"duplicate person",
         [](LibraryAdmin& a) { a.addPerson(QStringLiteral("gary"), QString(), QStringLiteral("LEGAL")); },
         kAdminDuplicate, "GARY"},
        {"member of unknown group",
         [](LibraryAdmin& a) { a.addMember(QStringLiteral("GARY"), QStringLiteral("X")); }, kAdminUnknownName,
         "X"},
        {"member unknown user",
         [](LibraryAdmin& a) { a.addMember(QStringLiteral("NOBODY"), QStringLiteral("LEGAL")); },
         kAdminUnknownName, "NOBODY"},
        {"matter of unknown client",
         [](LibraryAdmin& a) { a.addMatter(QStringLiteral("C9"), QStringLiteral("M9"), QString()); },
         kAdminUnknownName, "C9"},
        {"document with unknown typist",
         [](LibraryAdmin& a) {
             DocumentSpec spec;
             spec.name = QStringLiteral("x");
             spec.author = QStringLiteral("GARY");
             spec.typist = QStringLiteral("NOBODY");
             spec.typeId = QStringLiteral("MEMO");
             spec.clientId = QStringLiteral("C1");
             spec.matterId = QStringLiteral("M1");
             a.addDocument(spec);
         },
         kAdminUnknownName, "NOBODY"},
        {"document with unknown matter",
         [](LibraryAdmin& a) {
             DocumentSpec spec;
             spec.name = QStringLiteral("x");
             spec.author = QStringLiteral("GARY");
             spec.typeId = QStringLiteral("MEMO");
             spec.clientId = QStringLiteral("C1");
             spec.matterId = QStringLiteral("M404");
             a.addDocument(spec);
         },
         kAdminUnknownName, "M404"},
        {"link into a document", [](LibraryAdmin& a) { a.linkItem(999, 998); }, kAdminUnknownName, "999"},
        {"folder rule without a name",
         [](LibraryAdmin& a) {
             a.batch([&] {
                 a.addSettingsTable();
                 a.replaceSettings(FolderRuleDefinition{}.settingsRows());
             });
         },
         kAdminBadArgument, "sub key"},
        {"no settings rows", [](LibraryAdmin& a) { a.replaceSettings({}); }, kAdminBadArgument,
         "No settings rows"},
        {"import column default with a colon",
         [](LibraryAdmin& a) {
             a.batch([&] {
                 a.addSettingsTable();
                 a.addImportSet(QStringLiteral("SET"), QStringLiteral(","),
                                {{QStringLiteral("A"), 1, 0, QStringLiteral("x:y"), 0}});
             });
         },
         kAdminBadArgument, "SET"},
        {"group with universal access beyond 255",
         [](LibraryAdmin& a) { a.addGroup(QStringLiteral("HIGH"), QString(), 4294967551LL); },
         kAdminBadArgument, "4294967551"},
        {"group with negative universal access",
         [](LibraryAdmin& a) { a.addGroup(QStringLiteral("LOW"), QString(), -1); }, kAdminBadArgument, "-1"},
    };
    const QString tally = QStringLiteral(
        "SELECT (SELECT COUNT(*) FROM DOCSADM.PEOPLE) || '/' || (SELECT COUNT(*) FROM DOCSADM.PEOPLEGROUPS) "
        "|| '/' || "
        "(SELECT COUNT(*) FROM DOCSADM.MATTER) || '/' || (SELECT COUNT(*) FROM DOCSADM.PROFILE) || '/' || "
        "(SELECT COUNT(*) FROM DOCSADM.VERSIONS) || '/' || (SELECT COUNT(*) FROM DOCSADM.GROUPS)");
    const QString before = db().scalar(tally).toString();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString description = ExpectFault(c.number, [&] { c.call(admin()); });
        EXPECT_TRUE(description.contains(QLatin1String(c.mentions))) << description.toStdString();
        EXPECT_EQ(db().scalar(tally).toString(), before);
        EXPECT_FALSE(db().inTransaction());
    }
    // The settings table of the last case was rolled back with the failed import set.
    EXPECT_FALSE(admin().hasSettingsTable());
}

TEST_F(LibraryAdminTest, DocumentGetsProfileAndVersionRows) {
    const qint64 doc = addDocument(QStringLiteral("Letter re O'Brien's lease"), QStringLiteral("LETTER"));
    const QueryResult rows = db().query(
        QStringLiteral(
            "SELECT P.DOCNAME, A.USER_ID, T.USER_ID, D.TYPE_ID, X.APPLICATION, M.MATTER_ID, C.CLIENT_ID, "
            "(SELECT COUNT(*) FROM DOCSADM.VERSIONS V WHERE V.DOCNUMBER = P.DOCNUMBER) "
            "FROM DOCSADM.PROFILE P JOIN DOCSADM.PEOPLE A ON A.SYSTEM_ID = P.AUTHOR "
            "JOIN DOCSADM.PEOPLE T ON T.SYSTEM_ID = P.TYPIST "
            "JOIN DOCSADM.DOCUMENTTYPES D ON D.SYSTEM_ID = P.DOCUMENTTYPE "
            "JOIN DOCSADM.APPS X ON X.SYSTEM_ID = P.APPLICATION "
            "JOIN DOCSADM.MATTER M ON M.SYSTEM_ID = P.MATTER "
            "JOIN DOCSADM.CLIENT C ON C.SYSTEM_ID = M.CLIENT_ID WHERE P.DOCNUMBER = ?1"),
        {doc});
    ASSERT_EQ(rows.rows.size(), 1u);
    const QStringList expected = {QStringLiteral("Letter re O'Brien's lease"),
                                  QStringLiteral("GARY"),
                                  QStringLiteral("ANNA"),
                                  QStringLiteral("LETTER"),
                                  QStringLiteral("MS WORD"),
                                  QStringLiteral("M1"),
                                  QStringLiteral("C1"),
                                  QStringLiteral("1")};
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rows.rows[0][static_cast<std::size_t>(i)].toString(), expected[i]) << "column " << i;
    }
    EXPECT_NE(addDocument(QStringLiteral("second")), doc);
}

TEST_F(LibraryAdminTest, FoldersGetTheRowsTheObjectModelWrites) {
    const qint64 top = addFolder(QStringLiteral("C1"));
    const qint64 sub = addFolder(QStringLiteral("M1"), top);
    const qint64 privateTop = addFolder(QStringLiteral("Mine"), 0, false);
    struct Expectation {
        qint64 folder;
        const char* isPublic;
        int rootRows;
        int itemRows; // rows holding the folder as an item
    };
    const Expectation expectations[] = {{top, "Y", 1, 0}, {sub, "Y", 0, 1}, {privateTop, "N", 0, 0}};
    for (const Expectation& e : expectations) {
        SCOPED_TRACE(e.folder);
        EXPECT_EQ(db().scalar(QStringLiteral("SELECT IS_PUBLIC FROM DOCSADM.FOLDER WHERE DOCNUMBER = ?1"),
                              {e.folder})
                      .toString(),
                  QLatin1String(e.isPublic));
        EXPECT_EQ(
            count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VERSIONS WHERE DOCNUMBER = ?1"), {e.folder}),
            1);
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ?1"),
                        {e.folder}),
                  e.rootRows);
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE DOCNUMBER = ?1"),
                        {e.folder}),
                  e.itemRows);
        // Folders carry the FOLDER type and application and their matter.
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE P, DOCSADM.DOCUMENTTYPES D, "
                                       "DOCSADM.APPS A, DOCSADM.MATTER M WHERE P.DOCNUMBER = ?1 AND "
                                       "D.SYSTEM_ID = P.DOCUMENTTYPE AND D.TYPE_ID = 'FOLDER' AND "
                                       "A.SYSTEM_ID = P.APPLICATION AND A.APPLICATION = 'FOLDER' AND "
                                       "M.SYSTEM_ID = P.MATTER AND M.MATTER_ID = 'M1'"),
                        {e.folder}),
                  1);
    }
    EXPECT_EQ(
        db().scalar(QStringLiteral("SELECT DISPLAYNAME FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ?1"), {top})
            .toString(),
        QStringLiteral("C1"));
    // The subfolder's item row as the import run looks for it.
    EXPECT_EQ(
        count(QStringLiteral("SELECT FI.DOCNUMBER FROM DOCSADM.FOLDER_ITEM FI, DOCSADM.REMOTE_LIBRARIES RL "
                             "WHERE FI.NODE_TYPE = 'F' AND RL.SYSTEM_ID = FI.LIBRARY AND FI.PARENT = ?1 "
                             "AND FI.DISPLAYNAME = 'M1'"),
              {top}),
        sub);
}

TEST_F(LibraryAdminTest, LinkingAppendsAtTheTailOfTheChain) {
    const qint64 folder = addFolder(QStringLiteral("F"));
    const qint64 parentVersion =
        count(QStringLiteral("SELECT VERSION_ID FROM DOCSADM.VERSIONS WHERE DOCNUMBER = ?1"), {folder});
    std::vector<qint64> docs;
    std::vector<qint64> rows;
    for (const char* name : {"first", "O'Brien second", "third"}) {
        docs.push_back(addDocument(QLatin1String(name)));
        rows.push_back(admin().linkItem(folder, docs.back()));
    }
    const QueryResult items = db().query(
        QStringLiteral(
            "SELECT SYSTEM_ID, ISFIRST, \"NEXT\", DOCNUMBER, NODE_TYPE, PARENT_VERSION, DISPLAYNAME, "
            "VERSION_TYPE, LIBRARY FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ?1 ORDER BY SYSTEM_ID"),
        {folder});
    ASSERT_EQ(items.rows.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto& row = items.rows[i];
        EXPECT_EQ(row[0].toLongLong(), rows[i]);
        EXPECT_EQ(row[1].toString(), i == 0 ? QStringLiteral("Y") : QStringLiteral("N"));
        EXPECT_EQ(row[2].toLongLong(), i + 1 < 3 ? rows[i + 1] : 0);
        EXPECT_EQ(row[3].toLongLong(), docs[i]);
        EXPECT_EQ(row[4].toString(), QStringLiteral("P"));
        EXPECT_EQ(row[5].toLongLong(), parentVersion);
        EXPECT_EQ(row[7].toString(), QStringLiteral("R"));
        EXPECT_EQ(row[8].toLongLong(), 0);
    }
    EXPECT_EQ(items.rows[1][6].toString(), QStringLiteral("O'Brien second"));

    // The same item twice is refused; so is appending to a chain that is broken.
    ExpectFault(kAdminDuplicate, [&] { admin().linkItem(folder, docs[0]); });
    db().execute(QStringLiteral("UPDATE DOCSADM.FOLDER_ITEM SET \"NEXT\" = 424242 WHERE SYSTEM_ID = ?1"),
                 {rows[1]});
    const qint64 fourth = addDocument(QStringLiteral("fourth"));
    EXPECT_TRUE(ExpectFault(kAdminBadArgument, [&] {
                    admin().linkItem(folder, fourth);
                }).contains(QStringLiteral("broken")));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ?1"), {folder}),
              3);
}

TEST_F(LibraryAdminTest, LinkingFollowsTheChainNotTheHighestRow) {
    // After a sort the row with the highest SYSTEM_ID need not be the tail.
    const qint64 folder = addFolder(QStringLiteral("F"));
    const qint64 a = admin().linkItem(folder, addDocument(QStringLiteral("a")));
    const qint64 b = admin().linkItem(folder, addDocument(QStringLiteral("b")));
    db().execute(
        QStringLiteral("UPDATE DOCSADM.FOLDER_ITEM SET ISFIRST = 'Y', \"NEXT\" = ?1 WHERE SYSTEM_ID = ?2"),
        {a, b});
    db().execute(
        QStringLiteral("UPDATE DOCSADM.FOLDER_ITEM SET ISFIRST = 'N', \"NEXT\" = 0 WHERE SYSTEM_ID = ?1"),
        {a});
    const qint64 c = admin().linkItem(folder, addDocument(QStringLiteral("c")));
    const ItemChain chain = FolderChain::Read(db(), folder);
    ASSERT_TRUE(chain.isSound());
    ASSERT_EQ(chain.items().size(), 3u);
    EXPECT_EQ(chain.items()[0].systemId, b);
    EXPECT_EQ(chain.items()[1].systemId, a);
    EXPECT_EQ(chain.items()[2].systemId, c);
}

TEST_F(LibraryAdminTest, LinkingAFolderBelowItselfIsRefused) {
    // top > middle > bottom, and two top-level folders beside them; each case sees the links made
    // before it.
    const qint64 top = addFolder(QStringLiteral("top"));
    const qint64 middle = addFolder(QStringLiteral("middle"), top);
    const qint64 bottom = addFolder(QStringLiteral("bottom"), middle);
    const qint64 other = addFolder(QStringLiteral("other"));
    const qint64 side = addFolder(QStringLiteral("side"));
    const struct {
        qint64 parent;
        qint64 item;
        bool refused;
    } cases[] = {{middle, top, true},    {bottom, top, true},  {bottom, middle, true},
                 {middle, middle, true}, {other, top, false},  {bottom, other, true},
                 {side, bottom, false},  {side, other, false}, {bottom, side, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 into %2").arg(c.item).arg(c.parent).toStdString());
        const qint64 rows = count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM"));
        if (c.refused) {
            ExpectFault(kAdminBadArgument, [&] { admin().linkItem(c.parent, c.item); });
            EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM")), rows);
        } else {
            admin().linkItem(c.parent, c.item);
            EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM")), rows + 1);
        }
    }
}

TEST_F(LibraryAdminTest, RuleAndImportSetRowsAreStoredAsTheProgramReadsThem) {
    admin().addSettingsTable();
    admin().addSettingsTable(); // a second call changes nothing
    FolderRuleDefinition rule;
    rule.name = QStringLiteral("client_matter");
    rule.pathTemplate = FolderRuleDefinition::DefaultTemplate();
    rule.security = FolderRuleDefinition::DefaultSecurity();
    admin().replaceSettings(rule.settingsRows());
    admin().replaceSettings(rule.settingsRows()); // rewriting a rule replaces its rows
    admin().addImportSet(QStringLiteral("CLIENT_MATTER"), QStringLiteral(","),
                         {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), 1, 0, QString(), 0},
                          {QStringLiteral("MATTER.MATTER_ID"), 2, 0, QStringLiteral("NONE"), 1}});

    const QueryResult rules =
        db().query(QStringLiteral("SELECT SECTION_KEY, SUB_KEY, CHAR_VAL, INT_VAL, KEY_TYPE FROM "
                                  "DOCSADM.QORV_SETTINGS WHERE MASTER_KEY = "
                                  "'VANTRELIS' AND (SECTION_KEY LIKE 'RULE_%' OR SECTION_KEY = 'SETTINGS') "
                                  "ORDER BY SUB_KEY, SECTION_KEY"));
    const std::map<QString, QVariant> expected = {
        {QStringLiteral("RULE_APPEND_TRUSTEES"), 1},
        {QStringLiteral("RULE_AUTO_CREATE_FOLDERS"), 1},
        {QStringLiteral("RULE_CREATE_PUBLIC_FOLDERS"), 1},
        {QStringLiteral("RULE_FORM"), QStringLiteral("***DEFAULT FORM***")},
        {QStringLiteral("RULE_MOVE_INTO"), 0},
        {QStringLiteral("RULE_PROFILE_INHERIT_METADATA"), 1},
        {QStringLiteral("RULE_PROFILE_INHERIT_SECURITY"), 1},
        {QStringLiteral("RULE_SECURITY"),
         QStringLiteral("%AUTHOR.PRIMARY_GROUP% = 127; %TYPIST.PRIMARY_GROUP% = "
                        "127; GROUP:DOCS_SUPERVISORS = 255; GROUP:DOCS_USERS = 0")},
        {QStringLiteral("RULE_TEMPLATE"),
         QStringLiteral("%MATTER.CLIENT_ID.CLIENT_ID% %\\% %MATTER.MATTER_ID% %\\% "
                        "%DOCUMENTTYPE.TYPE_ID%")},
        {QStringLiteral("RULE_VALUES"), QStringLiteral("%APPLICATION.APPLICATION% <> 'FOLDER'")},
        {QStringLiteral("RULE_WORKSPACE_AUTHOR"), 0},
        {QStringLiteral("RULE_WORKSPACE_TYPIST"), 0},
    };
    ASSERT_EQ(rules.rows.size(), expected.size());
    for (const auto& row : rules.rows) {
        const QString key = row[0].toString();
        SCOPED_TRACE(key.toStdString());
        ASSERT_TRUE(expected.count(key));
        EXPECT_EQ(row[1].toString(), QStringLiteral("CLIENT_MATTER"));
        const QVariant& value = expected.at(key);
        if (value.typeId() == QMetaType::QString) {
            EXPECT_EQ(row[2].toString(), value.toString());
            EXPECT_TRUE(row[3].isNull());
        } else {
            EXPECT_EQ(row[3].toInt(), value.toInt());
        }
        EXPECT_EQ(row[4].toInt(), 1);
    }

    const QueryResult sets =
        db().query(QStringLiteral("SELECT SUB_KEY, CHAR_VAL, INT_VAL FROM DOCSADM.QORV_SETTINGS WHERE "
                                  "MASTER_KEY = 'VANTRELIS' AND SECTION_KEY "
                                  "= 'IMPORT_FOLDERS' ORDER BY SUB_KEY"));
    ASSERT_EQ(sets.rows.size(), 3u);
    EXPECT_EQ(sets.rows[0][1].toString(), QStringLiteral("DELIMITER:,"));
    EXPECT_TRUE(sets.rows[0][2].isNull());
    EXPECT_EQ(sets.rows[1][1].toString(), QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID:1:0::0"));
    EXPECT_EQ(sets.rows[1][2].toInt(), 1);
    EXPECT_EQ(sets.rows[2][1].toString(), QStringLiteral("MATTER.MATTER_ID:2:0:NONE:1"));
    EXPECT_EQ(sets.rows[2][2].toInt(), 2);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.DOCSTABLE WHERE TABLE_NAME = 'QORV_SETTINGS'")),
        1);
}

TEST_F(LibraryAdminTest, ParametersOverrideForOneUser) {
    admin().setParameter(QStringLiteral("*"), QStringLiteral("User.CreateFolder"), QStringLiteral("N"));
    admin().setParameter(QStringLiteral("gary"), QStringLiteral("User.CreateFolder"), QStringLiteral("Y"));
    admin().setParameter(QStringLiteral("gary"), QStringLiteral("User.CreateFolder"), QStringLiteral("TRUE"));
    EXPECT_EQ(
        db().scalar(QStringLiteral("SELECT GROUP_CONCAT(USER_ID || '=' || VALUE) FROM DOCSADM.LIBRARY_PARAMS "
                                   "WHERE NAME = 'User.CreateFolder' ORDER BY USER_ID"))
            .toString(),
        QStringLiteral("*=N,GARY=TRUE"));
    ExpectFault(kAdminUnknownName, [&] {
        admin().setParameter(QStringLiteral("NOBODY"), QStringLiteral("X"), QStringLiteral("Y"));
    });
}

TEST_F(LibraryAdminTest, ThreeThousandDocumentsInOneBatchAreQuick) {
    QElapsedTimer timer;
    timer.start();
    admin().batch([&] {
        for (int i = 0; i < 3000; ++i) {
            addDocument(QStringLiteral("Document %1").arg(i),
                        i % 2 ? QStringLiteral("MEMO") : QStringLiteral("LETTER"));
        }
    });
    const qint64 elapsed = timer.elapsed();
    RecordProperty("milliseconds", static_cast<int>(elapsed));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(DISTINCT DOCNUMBER) FROM DOCSADM.PROFILE")), 3000);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VERSIONS")), 3000);
    // Generous for sanitizer builds; an optimised build takes a fraction of this.
    EXPECT_LT(elapsed, 10000);
}

} // namespace
} // namespace vantrelis::dm::local::test
