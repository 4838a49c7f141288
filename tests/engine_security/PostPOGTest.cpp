#include "SecurityFixture.h"

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

struct PostCase {
    const char* label;
    const char* name;
    int kind;
    int action;
    qint32 rights;
    const char* status;                 // "#D" stands for the document number
    std::map<QString, qint64> expected; // starting from LEGAL 127
    bool succeeded;
};

class PostPOGTest : public SecurityFixture, public ::testing::WithParamInterface<PostCase> {};

TEST_P(PostPOGTest, MakesOneChangeAndSaves) {
    const PostCase& c = GetParam();
    const qint64 doc =
        Document(QStringLiteral("JSMITH"), QStringLiteral("JSMITH"), 1, {{"GROUP:LEGAL", 127}});
    program->context.session().currentProfile = program->context.session().currentLibrary->profile(doc);
    ASSERT_NE(program->context.session().currentProfile, nullptr);
    ASSERT_EQ(program->context.session().currentProfile->open(19), 1);

    bool succeeded = !c.succeeded;
    engine->PostPOG(doc, QLatin1String(c.name), c.kind, c.action, c.rights, succeeded);

    EXPECT_EQ(succeeded, c.succeeded);
    EXPECT_EQ(StatusTexts(doc), QStringList{QLatin1String(c.status)});
    EXPECT_EQ(Trustees(doc), c.expected);
    EXPECT_EQ(
        Lines().contains(QStringLiteral("Problem: Posting this trustee change to profile for Document #") +
                         QString::number(doc)),
        !c.succeeded);
    program->context.session().currentProfile->close();
    program->context.session().currentProfile.reset();
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, PostPOGTest, ::testing::Values(
    PostCase{"rights 0 deny a group", "CLERKS", 2, 1, 0, "Enhanced ACL enabled - Denying access to Group CLERKS",
             {{"LEGAL", 127}, {"CLERKS", SecurityFixture::kDeny}}, true},
    PostCase{"rights -5 deny a person", "MJONES", 1, 1, -5, "Enhanced ACL enabled - Denying access to User MJONES",
             {{"LEGAL", 127}, {"MJONES", SecurityFixture::kDeny}}, true},
    PostCase{"rights 1 are a grant", "MJONES", 1, 1, 1, "Adding Security for Document #D User MJONES Rights 1",
             {{"LEGAL", 127}, {"MJONES", 1}}, true},
    PostCase{"kind 0 is a group", "CLERKS", 0, 1, 7, "Adding Security for Document #D Group CLERKS Rights 7",
             {{"LEGAL", 127}, {"CLERKS", 7}}, true},
    PostCase{"kind 7 is a group", "LEGAL", 7, 1, 9, "Adding Security for Document #D Group LEGAL Rights 9",
             {{"LEGAL", 9}}, true},
    PostCase{"removal ignores the rights", "LEGAL", 2, -1, 0,
             "Removing any existing Security for Document #D PersonOrGroup LEGAL", {}, true},
    PostCase{"removal of no entry still saves", "MJONES", 1, -1, 5,
             "Removing any existing Security for Document #D PersonOrGroup MJONES", {{"LEGAL", 127}}, true},
    PostCase{"a person the library lacks", "NOBODY", 1, 1, 5, "Adding Security for Document #D User NOBODY Rights 5",
             {{"LEGAL", 127}}, false}),
    [](const ::testing::TestParamInfo<PostCase>& info) { return std::to_string(info.index); });
// clang-format on

TEST_F(SecurityFixture, PostPOGWithoutAProfileChangesNothing) {
    const qint64 doc =
        Document(QStringLiteral("JSMITH"), QStringLiteral("JSMITH"), 1, {{"GROUP:LEGAL", 127}});
    bool succeeded = true;
    engine->PostPOG(doc, QStringLiteral("LEGAL"), 2, -1, 0, succeeded);
    EXPECT_FALSE(succeeded);
    EXPECT_TRUE(program->harness.status.texts.isEmpty());
    EXPECT_EQ(Lines().last(),
              QStringLiteral("Problem: Posting this trustee change to profile for Document #") +
                  QString::number(doc));
    EXPECT_EQ(Trustees(doc), (std::map<QString, qint64>{{"LEGAL", 127}}));
}

} // namespace
