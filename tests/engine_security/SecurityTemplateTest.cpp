#include "engine/security/SecurityTemplate.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantrelis::engine;

namespace {

// Rows as "NAME RIGHTS KIND", in table order.
QStringList Rows(const TrusteeTable& table) {
    QStringList rows;
    for (const TrusteeRow& row : table)
        rows << QStringLiteral("%1 %2 %3").arg(row.name).arg(row.rights).arg(row.kind);
    return rows;
}

struct TemplateCase {
    TemplateCase(const char* text, QStringList rows, QStringList added = {})
        : text(text), rows(std::move(rows)), added(std::move(added)) {}
    const char* text;
    QStringList rows;
    QStringList added; // rows as the caller heard of them, before later entries merged in
};

const ProfileParties kParties{QStringLiteral("JSMITH"), QStringLiteral("MJONES"), QStringLiteral("LEGAL"),
                              QStringLiteral("CLERKS")};
const ProfileParties kSamePerson{QStringLiteral("JSMITH"), QStringLiteral("JSMITH"), QStringLiteral("LEGAL"),
                                 QStringLiteral("LEGAL")};
const char* const kDefault = "%AUTHOR.PRIMARY_GROUP% = 127; %TYPIST.PRIMARY_GROUP% = 127; "
                             "GROUP:DOCS_SUPERVISORS = 255; GROUP:DOCS_USERS = 0";

class SecurityTemplateTest : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(SecurityTemplateTest, ResolvesIntoTheTrusteeTable) {
    const TemplateCase& c = GetParam();
    QStringList added;
    const TrusteeTable table = SecurityTemplate::Resolve(
        QString::fromUtf8(c.text), kParties, [&](const TrusteeRow& row) { added << Rows({row}); });
    EXPECT_EQ(Rows(table), c.rows) << c.text;
    EXPECT_EQ(added, c.added.isEmpty() ? c.rows : c.added) << c.text;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, SecurityTemplateTest, ::testing::Values(
    TemplateCase{kDefault, {"LEGAL 127 2", "CLERKS 127 2", "DOCS_SUPERVISORS 255 2", "DOCS_USERS 0 2"}},
    TemplateCase{"GROUP:DOCS_USERS = 0; group:docs_users = 63", {"DOCS_USERS 63 2"}, {"DOCS_USERS 0 2"}},
    TemplateCase{"GROUP:X = 200, GROUP:X = 100", {"X 200 2"}},
    TemplateCase{"Users: jsmith = 5; PEOPLE:A = 1; person:B = 2; USERID:C = 3; GROUPS:D = 4",
                 {"JSMITH 5 1", "A 1 1", "B 2 1", "C 3 1", "D 4 2"}},
    TemplateCase{"DOCS_USERS = 127; ROLE:X = 5; %CLIENT% = 5; PERSONS:Y = 1; %% = 1", {}},
    TemplateCase{"%%author% = 255; % typist.user_id % = 7; %TYPIST.PRIMARY_GROUP.GROUP_ID% = 9",
                 {"JSMITH 255 1", "MJONES 7 1", "CLERKS 9 2"}},
    TemplateCase{"GROUP:X = abc; GROUP:Y = 127.6; GROUP:Z =; GROUP:W = -4x", {"X 0 2", "Y 128 2", "Z 0 2", "W -4 2"}},
    TemplateCase{"; ;GROUP:A = 1,, GROUP:B = 2;", {"A 1 2", "B 2 2"}},
    TemplateCase{" ;, ;; ,", {}},
    TemplateCase{"", {}},
    TemplateCase{"GROUP:A = 1; GROUP:B; GROUP:C = 3", {"A 1 2", "C 3 2"}},
    TemplateCase{"= 5; GROUP: = 5; GROUP:A = 1", {"A 1 2"}},
    // Separator runs in either order: ",;" must not glue the entries after it together.
    TemplateCase{"GROUP:A = 1;,;GROUP:B = 2;GROUP:C = 3", {"A 1 2", "B 2 2", "C 3 2"}},
    TemplateCase{",;GROUP:A = 1,;GROUP:B = 0", {"A 1 2", "B 0 2"}},
    // A person and a group of one name share the first one's row.
    TemplateCase{"USER:LEGAL = 1; %AUTHOR.PRIMARY_GROUP% = 9", {"LEGAL 9 1"}, {"LEGAL 1 1"}}));
// clang-format on

TEST(SecurityTemplateMergeTest, AuthorAndTypistOfOnePersonShareTheAuthorsGroupRow) {
    const TrusteeTable table = SecurityTemplate::Resolve(QString::fromUtf8(kDefault), kSamePerson);
    EXPECT_EQ(Rows(table), (QStringList{"LEGAL 127 2", "DOCS_SUPERVISORS 255 2", "DOCS_USERS 0 2"}));
}

TEST(SecurityTemplateMergeTest, PartiesTheLookupDidNotSupplyAreSkipped) {
    const TrusteeTable table = SecurityTemplate::Resolve(
        QStringLiteral("%AUTHOR% = 255; %TYPIST.PRIMARY_GROUP% = 3"), ProfileParties{});
    EXPECT_TRUE(table.empty());
}

} // namespace
