#include "SecurityFixture.h"

#include <QRegularExpression>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

constexpr qint64 kDeny = SecurityFixture::kDeny;
const char* const kDefault = "%AUTHOR.PRIMARY_GROUP% = 127; %TYPIST.PRIMARY_GROUP% = 127; "
                             "GROUP:DOCS_SUPERVISORS = 255; GROUP:DOCS_USERS = 0";

QString Grant(const char* kind, const char* name, int rights) {
    return QStringLiteral("Adding Security for Document #D %1 %2 Rights %3")
        .arg(QLatin1String(kind), QLatin1String(name))
        .arg(rights);
}

QString Deny(const char* kind, const char* name) {
    return QStringLiteral("Enhanced ACL enabled - Denying access to %1 %2")
        .arg(QLatin1String(kind), QLatin1String(name));
}

struct AddCase {
    const char* label;
    const char* securityTemplate;
    const char* author;
    const char* typist;
    const char* appendTrustees;
    std::map<QString, qint64> existing; // the document's trustees before, with DEFAULT_RIGHTS 1
    std::map<QString, qint64> expected;
    QStringList posts; // the grants and denials shown, in order
    bool succeeded;
    int defaultRights;
};

class AddSecurityTest : public SecurityFixture, public ::testing::WithParamInterface<AddCase> {};
class AddSecurityFlowTest : public SecurityFixture {};

TEST_P(AddSecurityTest, PostsTheTemplatesTrustees) {
    const AddCase& c = GetParam();
    program->context.rules().setField(1, RuleTable::kAppendTrustees, QLatin1String(c.appendTrustees));
    const qint64 doc =
        Document(QLatin1String(c.author), QLatin1String(c.typist), c.existing.empty() ? 0 : 1, c.existing);
    program->harness.status.text = QStringLiteral("Ready");

    bool succeeded = !c.succeeded;
    engine->AddSecurity(doc, QLatin1String(c.securityTemplate), 1, succeeded);

    EXPECT_EQ(succeeded, c.succeeded);
    EXPECT_EQ(Trustees(doc), c.expected);
    EXPECT_EQ(DefaultRights(doc), c.defaultRights);
    QStringList posts =
        StatusTexts(doc).filter(QRegularExpression(QStringLiteral("^(Adding Security|Enhanced)")));
    EXPECT_EQ(posts, c.posts);
    EXPECT_EQ(program->context.session().currentProfile, nullptr);
    EXPECT_EQ(program->harness.status.statusText(), QStringLiteral("Ready"));
    EXPECT_FALSE(program->harness.status.busy);
    EXPECT_EQ(program->harness.status.busyChanges, (QList<bool>{true, false}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, AddSecurityTest, ::testing::Values(
    AddCase{"denial only: typist, author and DOCS_USERS follow", "GROUP:CLERKS = 0", "JSMITH", "MJONES", "1", {},
            {{"CLERKS", kDeny}, {"MJONES", 255}, {"JSMITH", 255}, {"DOCS_USERS", 127}},
            {Deny("Group", "CLERKS"), Grant("User", "MJONES", 255), Grant("User", "JSMITH", 255),
             Grant("Group", "DOCS_USERS", 127)}, true, 1},
    AddCase{"default template", kDefault, "JSMITH", "MJONES", "1", {},
            {{"LEGAL", 127}, {"CLERKS", 127}, {"DOCS_SUPERVISORS", 255}, {"DOCS_USERS", kDeny}, {"MJONES", 255},
             {"JSMITH", 255}},
            {Grant("Group", "LEGAL", 127), Grant("Group", "CLERKS", 127), Grant("Group", "DOCS_SUPERVISORS", 255),
             Deny("Group", "DOCS_USERS"), Grant("User", "MJONES", 255), Grant("User", "JSMITH", 255)}, true, 1},
    AddCase{"typist named with 63 is raised once", "USER:MJONES = 63; GROUP:LEGAL = 5", "JSMITH", "MJONES", "1", {},
            {{"MJONES", 255}, {"LEGAL", 5}, {"JSMITH", 255}},
            {Grant("User", "MJONES", 255), Grant("Group", "LEGAL", 5), Grant("User", "JSMITH", 255)}, true, 1},
    AddCase{"author is the typist", "GROUP:LEGAL = 127", "JSMITH", "JSMITH", "1", {},
            {{"LEGAL", 127}, {"JSMITH", 255}}, {Grant("Group", "LEGAL", 127), Grant("User", "JSMITH", 255)}, true, 1},
    AddCase{"the running user named by the template", "user:tester = 7; GROUP:LEGAL = 127", "JSMITH", "JSMITH", "1", {},
            {{"LEGAL", 127}, {"JSMITH", 255}}, {Grant("Group", "LEGAL", 127), Grant("User", "JSMITH", 255)}, true, 1},
    AddCase{"the running user as typist", "GROUP:LEGAL = 127", "JSMITH", "TESTER", "1", {},
            {{"LEGAL", 127}, {"JSMITH", 255}}, {Grant("Group", "LEGAL", 127), Grant("User", "JSMITH", 255)}, true, 1},
    AddCase{"append keeps the existing trustees", "GROUP:LEGAL = 127; GROUP:CLERKS = 1", "JSMITH", "JSMITH", "1",
            {{"GROUP:CLERKS", 63}, {"GROUP:DOCS_USERS", 0}},
            {{"CLERKS", 1}, {"DOCS_USERS", kDeny}, {"LEGAL", 127}, {"JSMITH", 255}},
            {Grant("Group", "LEGAL", 127), Grant("Group", "CLERKS", 1), Grant("User", "JSMITH", 255)}, true, 1},
    AddCase{"replace drops them first", "GROUP:LEGAL = 127", "JSMITH", "JSMITH", "0",
            {{"GROUP:CLERKS", 63}, {"GROUP:DOCS_USERS", 0}},
            {{"LEGAL", 127}, {"JSMITH", 255}}, {Grant("Group", "LEGAL", 127), Grant("User", "JSMITH", 255)}, true, 1},
    AddCase{"no trustee in the template: the profile is not opened", "DOCS_USERS = 127; ROLE:X = 1", "JSMITH", "JSMITH",
            "0", {{"GROUP:CLERKS", 63}}, {{"CLERKS", 63}}, {}, true, 1},
    AddCase{"an unknown group fails the first post", "GROUP:NOBODY = 5; GROUP:LEGAL = 127", "JSMITH", "MJONES", "1", {},
            {}, {Grant("Group", "NOBODY", 5)}, false, 1},
    AddCase{"rights beyond 32 bits: nothing is posted", "GROUP:LEGAL = 127; GROUP:CLERKS = 4294967297", "JSMITH",
            "MJONES", "1", {}, {}, {}, false, 0}),
    [](const ::testing::TestParamInfo<AddCase>& info) { return std::to_string(info.index); });
// clang-format on

TEST_F(AddSecurityFlowTest, SecondTrusteeRefusedLeavesTheFirstPostedAndStops) {
    const qint64 doc = Document(QStringLiteral("JSMITH"), QStringLiteral("MJONES"));
    Refuse(QStringLiteral("DOCS_USERS"));
    bool succeeded = true;
    engine->AddSecurity(doc, QStringLiteral("GROUP:LEGAL = 127; GROUP:DOCS_USERS = 0; GROUP:CLERKS = 5"), 1,
                        succeeded);
    EXPECT_FALSE(succeeded);
    // The postings' saves are written when the trustee edit ends; the library's refusal of the
    // second trustee shows there, and what was saved before it stays written, the rest not.
    EXPECT_EQ(Trustees(doc), (std::map<QString, qint64>{{"LEGAL", 127}}));
    EXPECT_EQ(DefaultRights(doc), 1);
    EXPECT_EQ(program->context.session().currentProfile, nullptr);
    const QStringList lines = Lines();
    EXPECT_TRUE(lines.contains(QStringLiteral("Problem: Saving trustee changes to profile for Document #") +
                               QString::number(doc)));
}

TEST_F(AddSecurityFlowTest, RunningUserNamedInAnotherCaseIsNotPosted) {
    const qint64 doc = Document(QStringLiteral("TESTER"), QStringLiteral("TESTER"));
    // The library keeps the login's id as it was when connected; the profile now names it in lower case.
    admin().database().execute(
        QStringLiteral("UPDATE DOCSADM.PEOPLE SET USER_ID = 'tester' WHERE USER_ID = 'TESTER'"));
    bool succeeded = false;
    engine->AddSecurity(doc, QStringLiteral("%AUTHOR% = 7; GROUP:LEGAL = 127"), 1, succeeded);
    EXPECT_TRUE(succeeded);
    EXPECT_EQ(Trustees(doc), (std::map<QString, qint64>{{"LEGAL", 127}}));
    EXPECT_TRUE(Lines().contains(QStringLiteral("tester is the Typist - assigning 255 rights")));
}

TEST_F(AddSecurityFlowTest, WithoutPartiesTheFallbackStatementsRun) {
    const qint64 doc =
        Document(QStringLiteral("JSMITH"), QStringLiteral("JSMITH"), 1, {{"GROUP:LEGAL", 127}});
    admin().database().execute(
        QStringLiteral("UPDATE DOCSADM.PEOPLE SET PRIMARY_GROUP = NULL WHERE USER_ID = 'JSMITH'"));
    bool succeeded = true;
    engine->AddSecurity(doc, QLatin1String(kDefault), 1, succeeded);
    EXPECT_FALSE(succeeded);
    EXPECT_EQ(Trustees(doc), (std::map<QString, qint64>{{"LEGAL", 127}, {"#0", 255}}));
    EXPECT_EQ(DefaultRights(doc), 0);
    const QString d = QString::number(doc);
    const QStringList lines = Lines();
    EXPECT_TRUE(lines.contains(
        QStringLiteral("Warning: Unable to access profile author and typist information for document #") +
        d));
    EXPECT_TRUE(lines.contains(
        QStringLiteral("UPDATE DOCSADM.PROFILE SET DEFAULT_RIGHTS = 0 WHERE DOCNUMBER = ") + d));
    EXPECT_TRUE(
        lines.contains(QStringLiteral("INSERT INTO DOCSADM.SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) "
                                      "SELECT 0, 255, SYSTEM_ID FROM DOCSADM.PROFILE WHERE DOCNUMBER = ") +
                       d));
    EXPECT_FALSE(lines.contains(QStringLiteral("Opening Document #") + d +
                                QStringLiteral(" for processing trustees")));
}

TEST_F(AddSecurityFlowTest, EmptyTemplateOrNoDocumentIsRefusedAtOnce) {
    const qint64 doc = Document(QStringLiteral("JSMITH"), QStringLiteral("JSMITH"));
    for (const auto& [docNumber, text] :
         std::vector<std::pair<qint64, QString>>{{doc, QString()}, {0, QLatin1String(kDefault)}}) {
        bool succeeded = true;
        engine->AddSecurity(docNumber, text, 1, succeeded);
        EXPECT_FALSE(succeeded);
        EXPECT_EQ(program->harness.status.statusText(),
                  QStringLiteral("Error: Cannot add security for document #") + QString::number(docNumber));
    }
    EXPECT_TRUE(program->harness.status.busyChanges.empty());
    EXPECT_TRUE(Trustees(doc).empty());
}

} // namespace
