#include "TestLibrary.h"

#include <gtest/gtest.h>

namespace vantrelis::dm::local::test {
namespace {

// Trustee names are kept inside a transaction until something may have changed them; what tells
// is the statement SQLite prepared, not the words in its text.
TEST(TrusteeNameCacheTest, AnswersAreForgottenWhenPeopleOrGroupsMayHaveChanged) {
    TestLibrary lib(kEngineMssql);
    const auto db = lib.db();
    // A person arrives through a trigger: the statement's text names neither PEOPLE nor GROUPS.
    db->execute(QStringLiteral(
        "CREATE TRIGGER DOCSADM.CLIENT_PERSON AFTER INSERT ON CLIENT BEGIN "
        "INSERT INTO PEOPLE (SYSTEM_ID, USER_ID) VALUES (NEW.SYSTEM_ID + 1000, NEW.CLIENT_ID); "
        "END"));
    const auto newbie = [&] { return db->findTrustee(false, QStringLiteral("NEWBIE")).has_value(); };

    db->begin();
    EXPECT_FALSE(newbie());
    db->execute(QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (5, 'NEWBIE')"));
    EXPECT_TRUE(newbie()) << "a write to PEOPLE by a trigger forgets what was found";
    db->rollback();

    db->begin();
    EXPECT_FALSE(newbie()) << "the rollback undid the person, and what was read with it";
    db->execute(QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (6, 'OTHER')"));
    EXPECT_FALSE(newbie());
    // The same statement again, from the cache of prepared statements, forgets again.
    db->execute(QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (5, 'NEWBIE')"));
    EXPECT_TRUE(newbie());
    db->commit();
}

} // namespace
} // namespace vantrelis::dm::local::test
