#include "SecurityFixture.h"

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

constexpr qint64 kDeny = SecurityFixture::kDeny;

struct InheritCase {
    const char* label;
    const char* author;
    const char* typist;
    std::map<QString, qint64> folder;   // the parent folder's trustees
    const char* refused;                // a trustee the library refuses, or ""
    std::map<QString, qint64> expected; // the document's trustees after
    int defaultRights;
    bool succeeded;
};

// Every document starts secured with DOCS_USERS 5 and is copied from a folder.
class InheritSecurityTest : public SecurityFixture, public ::testing::WithParamInterface<InheritCase> {};
class InheritSecurityFlowTest : public SecurityFixture {};

TEST_P(InheritSecurityTest, CopiesTheFoldersTrusteesBesideAuthorAndTypist) {
    const InheritCase& c = GetParam();
    const qint64 folder = Document(QStringLiteral("TESTER"), QStringLiteral("TESTER"), 1, c.folder);
    const qint64 doc =
        Document(QLatin1String(c.author), QLatin1String(c.typist), 0, {{"GROUP:DOCS_USERS", 5}});
    if (*c.refused)
        Refuse(QLatin1String(c.refused));

    bool succeeded = !c.succeeded;
    engine->InheritSecurity(doc, folder, succeeded);

    EXPECT_EQ(succeeded, c.succeeded);
    EXPECT_EQ(Trustees(doc), c.expected);
    EXPECT_EQ(DefaultRights(doc), c.defaultRights);
    const QStringList lines = Lines();
    EXPECT_EQ(lines.contains(QStringLiteral("Error: Unable to set security for document ") +
                             QString::number(doc) + QStringLiteral(" - its previous security has been kept")),
              *c.refused != 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, InheritSecurityTest, ::testing::Values(
    InheritCase{"the author's own folder row is not copied", "JSMITH", "MJONES",
                {{"JSMITH", 63}, {"GROUP:LEGAL", 127}, {"GROUP:CLERKS", 0}}, "",
                {{"JSMITH", 255}, {"MJONES", 255}, {"LEGAL", 127}, {"CLERKS", kDeny}}, 1, true},
    InheritCase{"author and typist are one person", "JSMITH", "JSMITH", {{"GROUP:LEGAL", 127}}, "",
                {{"JSMITH", 255}, {"LEGAL", 127}}, 1, true},
    InheritCase{"a folder with only the author's and typist's rows", "JSMITH", "MJONES", {{"JSMITH", 63}, {"MJONES", 0}},
                "", {{"DOCS_USERS", 5}}, 0, false},
    InheritCase{"a folder without trustees", "JSMITH", "MJONES", {}, "", {{"DOCS_USERS", 5}}, 0, false},
    InheritCase{"a rejected folder row keeps the previous security", "JSMITH", "MJONES",
                {{"GROUP:LEGAL", 127}, {"GROUP:CLERKS", 0}}, "CLERKS", {{"DOCS_USERS", 5}}, 0, false},
    InheritCase{"a rejected author row too", "JSMITH", "MJONES", {{"GROUP:LEGAL", 127}}, "JSMITH",
                {{"DOCS_USERS", 5}}, 0, false}),
    [](const ::testing::TestParamInfo<InheritCase>& info) { return std::to_string(info.index); });
// clang-format on

TEST_F(InheritSecurityFlowTest, SendsTheStatementsInOrder) {
    const qint64 folder =
        Document(QStringLiteral("TESTER"), QStringLiteral("TESTER"), 1, {{"GROUP:LEGAL", 127}});
    const qint64 doc = Document(QStringLiteral("JSMITH"), QStringLiteral("MJONES"));
    const QString author = QString::number(admin().personId(QStringLiteral("JSMITH")));
    const QString typist = QString::number(admin().personId(QStringLiteral("MJONES")));
    const QString legal = QString::number(admin().groupId(QStringLiteral("LEGAL")));
    const QString systemId = QString::number(admin().profileId(doc));
    bool succeeded = false;
    engine->InheritSecurity(doc, folder, succeeded);
    ASSERT_TRUE(succeeded);

    const QString insert =
        QStringLiteral("INSERT INTO DOCSADM.SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) VALUES (");
    const QStringList expected = {
        QStringLiteral("SELECT SYSTEM_ID, AUTHOR, TYPIST FROM DOCSADM.PROFILE WHERE DOCNUMBER = %1").arg(doc),
        QStringLiteral(
            "SELECT PERSONORGROUP, ACCESSRIGHTS FROM DOCSADM.SECURITY WHERE THING = (SELECT SYSTEM_ID "
            "FROM DOCSADM.PROFILE WHERE DOCNUMBER = %1) AND PERSONORGROUP NOT IN (%2, %3)")
            .arg(folder)
            .arg(author, typist),
        QStringLiteral("DELETE FROM DOCSADM.SECURITY WHERE THING = ") + systemId,
        QStringLiteral("UPDATE DOCSADM.PROFILE SET DEFAULT_RIGHTS = 1 WHERE SYSTEM_ID = ") + systemId,
        insert + author + QStringLiteral(", 255, ") + systemId + QLatin1Char(')'),
        insert + typist + QStringLiteral(", 255, ") + systemId + QLatin1Char(')'),
        insert + legal + QStringLiteral(", 127, ") + systemId + QLatin1Char(')'),
    };
    QStringList sent;
    const QStringList lines = Lines();
    for (int i = 1; i < lines.size(); ++i) {
        if (lines[i - 1].startsWith(QStringLiteral("Executing MSSQL SQL Instruction on DOCS")))
            sent << lines[i];
    }
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(program->harness.status.texts.last(),
              QStringLiteral("Finished adding 1 folder trustees to profiled document"));
}

TEST_F(InheritSecurityFlowTest, MissingNumbersOrProfileChangeNothing) {
    const qint64 folder =
        Document(QStringLiteral("TESTER"), QStringLiteral("TESTER"), 1, {{"GROUP:LEGAL", 127}});
    const struct {
        qint64 doc;
        qint64 parent;
        QString status;
    } cases[] = {
        {0, folder,
         QStringLiteral(
             "Error: No document number or parent folder id specified - cannot set security inheritance")},
        {folder, 0,
         QStringLiteral(
             "Error: No document number or parent folder id specified - cannot set security inheritance")},
        {folder + 1000, folder,
         QStringLiteral("Error: Unable to locate profile for document %1 - cannot set security")
             .arg(folder + 1000)},
    };
    for (const auto& c : cases) {
        bool succeeded = true;
        engine->InheritSecurity(c.doc, c.parent, succeeded);
        EXPECT_FALSE(succeeded);
        EXPECT_EQ(program->harness.status.texts.last(), c.status);
    }
    EXPECT_EQ(Trustees(folder), (std::map<QString, qint64>{{"LEGAL", 127}}));
}

} // namespace
