#include "AdminFixture.h"

#include "common/Fault.h"
#include "dm/local/TrusteeLister.h"
#include "support/ExpectFault.h"

using vantrelis::testing::ExpectFault;

namespace vantrelis::dm::local::test {
namespace {

using TrusteeListerTest = AdminFixture;

TEST_F(TrusteeListerTest, ListsNamesKindsAndRightsInStoredOrder) {
    const qint64 doc = addDocument(QStringLiteral("secured"));
    admin().addTrustee(doc, QStringLiteral("GARY"), 255);
    admin().addTrustee(doc, QStringLiteral("GROUP:LEGAL"), 127);
    admin().addTrustee(doc, QStringLiteral("docs_users"), 0); // a group found by name, denied
    admin().addTrustee(doc, QStringLiteral("USER:anna"), -5);
    const qint64 thing = admin().profileId(doc);
    db().execute(QStringLiteral(
                     "INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) VALUES (?1, 0, 63)"),
                 {thing});
    db().execute(
        QStringLiteral(
            "INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) VALUES (?1, 777777, 1)"),
        {thing});

    struct Expected {
        const char* name;
        const char* kind;
        const char* rights;
    };
    const Expected expected[] = {{"GARY", "person", "255"},       {"LEGAL", "group", "127"},
                                 {"DOCS_USERS", "group", "DENY"}, {"ANNA", "person", "DENY"},
                                 {"", "trustee 0", "63"},         {"", "unknown", "1"}};
    const auto entries = TrusteeLister::List(db(), doc);
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].name, QLatin1String(expected[i].name));
        EXPECT_EQ(TrusteeLister::KindText(entries[i]), QLatin1String(expected[i].kind));
        EXPECT_EQ(TrusteeLister::RightsText(entries[i].rights), QLatin1String(expected[i].rights));
    }
    EXPECT_EQ(entries[2].rights, kDeniedRights);

    // Giving a trustee rights again replaces the old row.
    admin().addTrustee(doc, QStringLiteral("GROUP:DOCS_USERS"), 63);
    const auto again = TrusteeLister::List(db(), doc);
    EXPECT_EQ(again.size(), entries.size());
    EXPECT_EQ(std::count_if(again.begin(), again.end(),
                            [](const TrusteeEntry& e) {
                                return e.name == QLatin1String("DOCS_USERS") && e.rights == 63;
                            }),
              1);
}

TEST_F(TrusteeListerTest, OtherProfilesRowsAreNotListed) {
    const qint64 a = addDocument(QStringLiteral("a"));
    const qint64 b = addDocument(QStringLiteral("b"));
    admin().addTrustee(a, QStringLiteral("GARY"), 255);
    EXPECT_EQ(TrusteeLister::List(db(), a).size(), 1u);
    EXPECT_TRUE(TrusteeLister::List(db(), b).empty());
}

TEST_F(TrusteeListerTest, UnknownDocumentsAndTrusteesAreFaults) {
    ExpectFault(kAdminUnknownName, [&] { TrusteeLister::List(db(), 987654); });
    const qint64 doc = addDocument(QStringLiteral("x"));
    EXPECT_TRUE(ExpectFault(kAdminUnknownName, [&] {
                    admin().addTrustee(doc, QStringLiteral("NOBODY"), 255);
                }).contains(QStringLiteral("NOBODY")));
    EXPECT_TRUE(TrusteeLister::List(db(), doc).empty());
}

TEST(TrusteeRights, OnlyTheDenialValueReadsDeny) {
    EXPECT_EQ(TrusteeLister::RightsText(2147418112), QStringLiteral("DENY"));
    EXPECT_EQ(TrusteeLister::RightsText(2147418111), QStringLiteral("2147418111"));
    EXPECT_EQ(TrusteeLister::RightsText(0), QStringLiteral("0"));
}

} // namespace
} // namespace vantrelis::dm::local::test
