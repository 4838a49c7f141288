// A document filed with the default rule (inherit security, append trustees) whose author or typist
// cannot be found: its security stays as it was and it is not filed.

#include "SecurityFixture.h"
#include "config/FolderRuleDefinition.h"
#include "engine/folders/FolderEngine.h"

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

struct PartiesCase {
    const char* label;
    const char* breakParty; // SQL run on the document (?1 = its number) before filing; empty: none
    bool filed;
};

class FilingSecurityTest : public SecurityFixture, public ::testing::WithParamInterface<PartiesCase> {};

TEST_P(FilingSecurityTest, MissingPartiesNeverWeakenTheDocumentsSecurity) {
    const PartiesCase& c = GetParam();
    RuleTable& rules = program->context.rules();
    rules.setField(1, RuleTable::kSecurity, FolderRuleDefinition::DefaultSecurity());
    rules.setField(1, RuleTable::kInheritSecurity, QStringLiteral("1"));
    rules.setField(1, RuleTable::kAppendTrustees, QStringLiteral("1"));
    rules.setField(1, RuleTable::kInheritMetadata, QStringLiteral("0"));
    engine::FolderEngine folders(program->context.gateway(), log(), rules, *engine);

    dm::local::FolderSpec spec;
    spec.name = QStringLiteral("Matter");
    spec.owner = QStringLiteral("JSMITH");
    const qint64 folder = admin().addFolder(spec);
    admin().addTrustee(folder, QStringLiteral("GROUP:DOCS_USERS"), 0);
    admin().addTrustee(folder, QStringLiteral("GROUP:LEGAL"), 127);
    const qint64 doc = Document(QStringLiteral("JSMITH"), QStringLiteral("MJONES"), 1,
                                {{QStringLiteral("GROUP:CLERKS"), 63}});
    if (*c.breakParty)
        admin().database().execute(QLatin1String(c.breakParty), {doc});
    const auto trusteesBefore = Trustees(doc);
    program->harness.Mark();

    EXPECT_EQ(folders.AddFolderItem(qint32(doc), qint32(folder), QStringLiteral("P"), 1, 0), c.filed);

    const QStringList lines = Lines();
    const qint64 items =
        admin()
            .database()
            .scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE DOCNUMBER = ?1"), {doc})
            .toLongLong();
    EXPECT_EQ(items, c.filed ? 1 : 0);
    EXPECT_EQ(lines.contains(QStringLiteral("Folder Item successfully added to folder.")), c.filed);
    if (c.filed) {
        EXPECT_EQ(Trustees(doc).at(QStringLiteral("DOCS_USERS")), kDeny) << "the folder's denial is kept";
        EXPECT_EQ(DefaultRights(doc), 1);
        return;
    }
    EXPECT_EQ(Trustees(doc), trusteesBefore);
    EXPECT_EQ(DefaultRights(doc), 1);
    EXPECT_TRUE(lines.contains(QStringLiteral("Error: Unable to access profile author and typist information "
                                              "for document #") +
                               QString::number(doc) +
                               QStringLiteral(" - its security is left as it was and it is not filed")))
        << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Error: Adding Folder Item to folder")));
    EXPECT_TRUE(lines.filter(QStringLiteral("Warning: Unable to access profile author")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FilingSecurityTest,
    ::testing::Values(
        PartiesCase{"found", "", true},
        PartiesCase{"typist without primary group",
                    "UPDATE DOCSADM.PEOPLE SET PRIMARY_GROUP = NULL WHERE SYSTEM_ID = (SELECT TYPIST FROM "
                    "DOCSADM.PROFILE WHERE DOCNUMBER = ?1)",
                    false},
        PartiesCase{"author without person row",
                    "UPDATE DOCSADM.PROFILE SET AUTHOR = 987654 WHERE DOCNUMBER = ?1", false}),
    [](const ::testing::TestParamInfo<PartiesCase>& info) {
        QString name = QLatin1String(info.param.label);
        name.replace(QLatin1Char(' '), QLatin1Char('_'));
        return name.toStdString();
    });

} // namespace
