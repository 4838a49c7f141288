#include "FolderFixture.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

const QString kDefaultForm = QStringLiteral("***DEFAULT FORM***");

class CreateFolderTest : public FolderFixture {
protected:
    qint32 Create(const QString& name, qint64 parent, const QString& form = kDefaultForm) {
        return engine->CreateFolder(name, qint32(parent), form, kRule, 0, {});
    }
    bool SlotsEmpty() {
        return !program->context.session().currentFolder && !program->context.session().currentProfile;
    }
    qint64 Count(const QString& table, const QString& column, qint64 value) {
        return Value(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.%1 WHERE %2 = ?1").arg(table, column),
                     value)
            .toLongLong();
    }
};

TEST_F(CreateFolderTest, ASubfolderTakesOverItsParentsProfileAndIsLinked) {
    const qint64 parent = Folder(QStringLiteral("Parent"), 0, QStringLiteral("0042"));
    admin().database().execute(
        QStringLiteral("UPDATE DOCSADM.PROFILE SET PATH = 'C:\\O''Brien', RETENTION = 30 "
                       "WHERE DOCNUMBER = ?1"),
        {parent});
    const qint32 doc = Create(QStringLiteral("Sub's"), parent);
    ASSERT_NE(doc, 0);
    EXPECT_TRUE(engine->FolderCreated());
    EXPECT_TRUE(SlotsEmpty());
    EXPECT_EQ(Chain(parent), QStringList{QStringLiteral("Sub's")});
    const QString author = QString::number(admin().personId(QLatin1String(LocalEnvironment::kUser)));
    const QString type = QString::number(admin().documentTypeId(QStringLiteral("FOLDER")));
    const QString time = QLocale::system().toString(QTime(9, 30), QStringLiteral("hh:mm AP"));
    EXPECT_TRUE(Statements().contains(
        "UPDATE DOCSADM.PROFILE SET DOCNAME = 'Sub''s', ABSTRACT = 'Sub''s created 2024/03/05 " + time +
        "', AUTHOR = " + author + ", TYPIST = " + author + ", DOCUMENTTYPE = " + type +
        ", FORM = 0, PATH = 'C:\\O''Brien', STORAGETYPE = 'A', RETENTION = 30, FULLTEXT= 'Y', DEFAULT_RIGHTS "
        "= 1 "
        "WHERE DOCNUMBER = " +
        QString::number(doc)));
    // CLIENT_ID and MATTER_ID were empty on the new profile and came from the parent's; protected
    // columns are never written.
    EXPECT_TRUE(Lines().contains(QStringLiteral("Setting column MATTER_ID to 0042")));
    EXPECT_EQ(Lines().filter(QRegularExpression(QStringLiteral("^Setting column (DOCNUMBER|SYSTEM_ID) "))),
              QStringList());
    const QString matter = QStringLiteral("SELECT MATTER FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1");
    EXPECT_EQ(Value(matter, doc), Value(matter, parent));
    EXPECT_EQ(Count(QStringLiteral("ROOT_OBJECT"), QStringLiteral("DOCNUMBER"), doc), 0);
}

struct FormCase {
    const char* formName;
    const char* expected; // FORM_NAME the folder ends with
};

class SubfolderFormTest : public CreateFolderTest, public ::testing::WithParamInterface<FormCase> {};

TEST_P(SubfolderFormTest, KeepsTheParentsFormUnlessTheRuleNamesAKnownOne) {
    const qint64 parent = Folder(QStringLiteral("Parent"));
    admin().database().execute(QStringLiteral("UPDATE DOCSADM.PROFILE SET FORM = ?1 WHERE DOCNUMBER = ?2"),
                               {admin().formId(QStringLiteral("FOLDERPROF")), parent});
    const qint32 doc = Create(QStringLiteral("Sub"), parent, QLatin1String(GetParam().formName));
    ASSERT_NE(doc, 0);
    EXPECT_EQ(Value(QStringLiteral("SELECT F.FORM_NAME FROM DOCSADM.PROFILE P, DOCSADM.FORMS F "
                                   "WHERE F.SYSTEM_ID = P.FORM AND P.DOCNUMBER = ?1"),
                    doc)
                  .toString(),
              QLatin1String(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Rows, SubfolderFormTest,
                         ::testing::Values(FormCase{"***DEFAULT FORM***", "FOLDERPROF"},
                                           FormCase{"", "FOLDERPROF"}, FormCase{"LEGALPROF", "LEGALPROF"},
                                           FormCase{"NO SUCH", "FOLDERPROF"},
                                           FormCase{"O'FORM", "FOLDERPROF"}));

struct RootCase {
    const char* isPublic;
    bool withParent;
    qint64 rootRows;
};

class RootListTest : public CreateFolderTest, public ::testing::WithParamInterface<RootCase> {};

TEST_P(RootListTest, OnlyAPublicTopLevelFolderStaysOnTheRootList) {
    SetRule(RuleTable::kCreatePublicFolders, QLatin1String(GetParam().isPublic));
    const qint64 parent = GetParam().withParent ? Folder(QStringLiteral("Parent")) : 0;
    const qint32 doc = Create(QStringLiteral("O'Neil\nFiles"), parent);
    ASSERT_NE(doc, 0);
    EXPECT_EQ(Count(QStringLiteral("ROOT_OBJECT"), QStringLiteral("DOCNUMBER"), doc), GetParam().rootRows);
    if (GetParam().rootRows != 0) {
        EXPECT_EQ(
            Value(QStringLiteral("SELECT DISPLAYNAME FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ?1"), doc),
            QVariant(QStringLiteral("O'Neil Files")));
    }
    EXPECT_EQ(
        Value(QStringLiteral("SELECT IS_PUBLIC FROM DOCSADM.FOLDER WHERE DOCNUMBER = ?1"), doc).toString(),
        *GetParam().isPublic == '1' ? QStringLiteral("Y") : QStringLiteral("N"));
    if (*GetParam().isPublic != '1') {
        EXPECT_EQ(Statements().filter(QStringLiteral("ROOT_OBJECT")), QStringList());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, RootListTest,
                         ::testing::Values(RootCase{"1", false, 1}, RootCase{"1", true, 0},
                                           RootCase{"0", false, 0}, RootCase{"0", true, 0}));

TEST_F(CreateFolderTest, AParentThatCannotBeOpenedGivesATopLevelFolder) {
    SetRule(RuleTable::kInheritSecurity, QStringLiteral("1"));
    const qint32 doc = Create(QStringLiteral("Loose"), 999999);
    ASSERT_NE(doc, 0);
    EXPECT_TRUE(engine->FolderCreated());
    EXPECT_TRUE(Lines().contains(
        QStringLiteral("Warning: Unable to open Parent Folder object (999999) in library DOCS - "
                       "placing folder \"Loose\" in the root")));
    EXPECT_EQ(Count(QStringLiteral("FOLDER_ITEM"), QStringLiteral("DOCNUMBER"), doc), 0);
    EXPECT_EQ(Statements().filter(QStringLiteral("UPDATE DOCSADM.PROFILE")), QStringList());
    EXPECT_EQ(security.calls, QStringList());
}

struct FailureCase {
    const char* label;
    const char* name;
    const char* table; // refused for `event`, or ""
    const char* event;
    const char* line; // the log line (its start for the object model's error)
};

class CreateFolderFailureTest : public CreateFolderTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CreateFolderFailureTest, LeavesNothingOfTheFolderBehind) {
    const FailureCase& c = GetParam();
    const qint64 parent = Folder(QStringLiteral("Parent"));
    Folder(QStringLiteral("Sibling"), parent);
    if (*c.table)
        Refuse(QLatin1String(c.table), QLatin1String(c.event));
    engine->setFolderCreated(true);
    const QStringList before = Snapshot();
    EXPECT_EQ(Create(QLatin1String(c.name), parent), 0);
    EXPECT_FALSE(engine->FolderCreated());
    EXPECT_TRUE(SlotsEmpty());
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(Chain(parent), QStringList{QStringLiteral("Sibling")});
    const QStringList lines = Lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
        return line.startsWith(QLatin1String(c.line));
    })) << lines.join(QLatin1Char('\n')).toStdString();
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, CreateFolderFailureTest, ::testing::Values(
    FailureCase{"no name", "", "", "", "Folder Name is not specified"},
    FailureCase{"profile save refused", "Sub", "PROFILE", "INSERT", "Error: ("},
    FailureCase{"profile update refused", "Sub", "PROFILE", "UPDATE",
                "Error: Unable to post profile information for folder \"Sub\""},
    FailureCase{"link refused", "Sub", "FOLDER_ITEM", "INSERT",
                "Error: Unable to add folder \"Sub\" to parent folder \"Parent\""},
    FailureCase{"tail update refused", "Sub", "FOLDER_ITEM", "UPDATE",
                "Error: Unable to add folder \"Sub\" to parent folder \"Parent\""}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::to_string(info.index); });
// clang-format on

struct CreateSecurityCase {
    const char* securityTemplate;
    const char* inherit;
    bool withParent;
    QStringList calls;
    qint64 defaultRows;
};

class CreateFolderSecurityTest : public CreateFolderTest,
                                 public ::testing::WithParamInterface<CreateSecurityCase> {};

TEST_P(CreateFolderSecurityTest, SetsTemplateInheritedOrDefaultSecurity) {
    const CreateSecurityCase& c = GetParam();
    SetRule(RuleTable::kSecurity, QLatin1String(c.securityTemplate));
    SetRule(RuleTable::kInheritSecurity, QLatin1String(c.inherit));
    const qint64 parent = c.withParent ? Folder(QStringLiteral("Parent")) : 0;
    const qint32 doc = Create(QStringLiteral("Sub"), parent);
    ASSERT_NE(doc, 0);
    QStringList expected = c.calls;
    expected.replaceInStrings(QStringLiteral("#D"), QString::number(doc))
        .replaceInStrings(QStringLiteral("#P"), QString::number(parent));
    EXPECT_EQ(security.calls, expected);
    EXPECT_EQ(Count(QStringLiteral("SECURITY"), QStringLiteral("THING"), admin().profileId(doc)),
              c.defaultRows);
}

// The calls after the first come from linking the folder under its parent.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, CreateFolderSecurityTest, ::testing::Values(
    CreateSecurityCase{"", "0", true, {}, 2},
    CreateSecurityCase{"", "1", true, {"Inherit #D #P", "Inherit #D #P"}, 0},
    CreateSecurityCase{"T=1", "1", true, {"Add #D T=1", "Inherit #D #P"}, 0},
    CreateSecurityCase{"T=1", "0", false, {"Add #D T=1"}, 0},
    CreateSecurityCase{"", "1", false, {}, 0}));
// clang-format on

} // namespace
