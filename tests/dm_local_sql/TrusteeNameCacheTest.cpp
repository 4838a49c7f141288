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

namespace vantrelis::dm::local::test {
namespace {

// The keys of lookup rows (a profile's application, type, form, client, matter) are kept like
// trustee names: inside a transaction, until a write to a lookup table, a rollback or another
// connection's commit may have changed them; outside one, every lookup reads the library.
TEST(TrusteeNameCacheTest, LookupKeysAreReadAgainWhenTheyMayHaveChanged) {
    TestLibrary lib(kEngineMssql);
    const auto db = lib.db();
    const QString lookup = QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.APPS WHERE APPLICATION = ?1");
    const auto word = [&] { return db->lookupKey(lookup, {QStringLiteral("WORD")}); };
    db->execute(QStringLiteral("INSERT INTO DOCSADM.APPS (SYSTEM_ID, APPLICATION) VALUES (501, 'WORD')"));

    db->begin();
    EXPECT_EQ(word().toLongLong(), 501);
    db->execute(QStringLiteral("UPDATE DOCSADM.APPS SET SYSTEM_ID = 502 WHERE APPLICATION = 'WORD'"));
    EXPECT_EQ(word().toLongLong(), 502) << "a write to APPS forgets the keys found";
    // A trigger writing MATTER, from a statement on another table, forgets them too.
    db->execute(QStringLiteral("CREATE TRIGGER DOCSADM.FORM_MATTER AFTER INSERT ON FORMS BEGIN "
                               "UPDATE APPS SET SYSTEM_ID = 503 WHERE APPLICATION = 'WORD'; "
                               "INSERT INTO MATTER (SYSTEM_ID, MATTER_ID) VALUES (NEW.SYSTEM_ID, 'M'); END"));
    EXPECT_EQ(word().toLongLong(), 502);
    db->execute(QStringLiteral("INSERT INTO DOCSADM.FORMS (SYSTEM_ID, FORM_NAME) VALUES (601, 'F')"));
    EXPECT_EQ(word().toLongLong(), 503);
    db->rollback();

    db->begin();
    EXPECT_EQ(word().toLongLong(), 501) << "the rollback undid the changes, and what was read with them";
    db->commit();

    // Another connection's commit, outside and then between transactions.
    auto other = LibraryDatabase::Open(db->file(), kEngineMssql);
    other->execute(QStringLiteral("UPDATE DOCSADM.APPS SET SYSTEM_ID = 504 WHERE APPLICATION = 'WORD'"));
    EXPECT_EQ(word().toLongLong(), 504);
    db->begin();
    EXPECT_EQ(word().toLongLong(), 504);
    db->commit();
    other->execute(QStringLiteral("UPDATE DOCSADM.APPS SET SYSTEM_ID = 505 WHERE APPLICATION = 'WORD'"));
    db->begin();
    EXPECT_EQ(word().toLongLong(), 505);
    EXPECT_FALSE(db->lookupKey(lookup, {QStringLiteral("EXCEL")}).isValid());
    db->commit();
}

} // namespace
} // namespace vantrelis::dm::local::test
