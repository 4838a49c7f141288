#include "ModelFixture.h"

#include "common/Fault.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/LocalLibrary.h"
#include "dm/local/LocalTrustees.h"
#include "support/ExpectFault.h"

#include <map>

using vantrelis::testing::ExpectFault;

namespace vantrelis::dm::local::test {
namespace {

class TrusteeTest : public ModelFixture {
public:
    qint64 makeFolder(const QString& lib = QStringLiteral("LIB_A")) {
        auto folder = library(lib)->newFolder();
        folder->setName(QStringLiteral("Secured"));
        folder->profile()->columns()->fillDefaults();
        EXPECT_TRUE(folder->save(3)) << folder->errorText().toStdString();
        return folder->docNumber();
    }
    // SECURITY rows of a document: trustee id -> rights.
    std::map<qint64, qint64> rows(qint64 doc, const QString& lib = QStringLiteral("LIB_A")) {
        std::map<qint64, qint64> result;
        const QueryResult found = direct(lib)->query(
            QStringLiteral(
                "SELECT S.PERSONORGROUP, S.ACCESSRIGHTS FROM DOCSADM.SECURITY S JOIN DOCSADM.PROFILE P "
                "ON P.SYSTEM_ID = S.THING WHERE P.DOCNUMBER = ?1"),
            {doc});
        for (const auto& row : found.rows)
            result[row[0].toLongLong()] = row[1].toLongLong();
        EXPECT_EQ(found.rows.size(), result.size()) << "one row per trustee";
        return result;
    }
    void setRights(const std::shared_ptr<DmProfile>& profile, const char* value) {
        profile->columns()->item(QStringLiteral("$DEFAULT_RIGHTS"))->setValue(QString::fromLatin1(value));
    }
};

TEST_F(TrusteeTest, EditsBecomeSecurityRowsOnSave) {
    const qint64 doc = makeFolder();
    auto profile = library()->profile(doc);
    ASSERT_EQ(profile->open(19), 1);
    auto trustees = profile->trustees();
    ASSERT_NE(trustees, nullptr);
    setRights(profile, "1");
    trustees->beginEdit();
    trustees->addPerson(QStringLiteral("MARY"), 255);
    trustees->addGroup(QStringLiteral("DOCS_USERS"), kDeniedRights);
    trustees->endEdit(true);
    EXPECT_TRUE(rows(doc).empty()) << "nothing written before the save";
    ASSERT_TRUE(profile->save(3)) << profile->errorText().toStdString();
    EXPECT_EQ(rows(doc), (std::map<qint64, qint64>{{m_maryId, 255}, {m_usersGroupId, kDeniedRights}}));
    EXPECT_EQ(count(QStringLiteral("SELECT DEFAULT_RIGHTS FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {doc}),
              1);

    // A second profile object sees the list, replaces an entry, removes another.
    auto again = library()->profile(doc);
    ASSERT_EQ(again->open(19), 1);
    auto list = std::dynamic_pointer_cast<LocalTrustees>(again->trustees());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->entries().size(), 2u);
    list->beginEdit();
    list->addPerson(QStringLiteral("mary"), 63); // MSSQL library: names in any case
    list->removeGroup(QStringLiteral("DOCS_USERS"));
    list->endEdit(true);
    ASSERT_TRUE(again->save(3));
    EXPECT_EQ(rows(doc), (std::map<qint64, qint64>{{m_maryId, 63}}));
}

TEST_F(TrusteeTest, PostingOneTrusteeAtATimeWithTheEditOpen) {
    // The security engine's order: open, clear, then per trustee remove + save, add + save; end edit, save.
    const qint64 doc = makeFolder();
    direct()->execute(
        QStringLiteral("INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) SELECT "
                       "SYSTEM_ID, ?2, 255 FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"),
        {doc, m_maryId});
    direct()->execute(QStringLiteral("UPDATE DOCSADM.PROFILE SET DEFAULT_RIGHTS = 1 WHERE DOCNUMBER = ?1"),
                      {doc});
    auto profile = library()->profile(doc);
    ASSERT_EQ(profile->open(19), 1);
    auto rightsColumn = profile->columns()->item(QStringLiteral("$DEFAULT_RIGHTS"));
    ASSERT_EQ(rightsColumn->value(), QStringLiteral("1"));
    rightsColumn->setValue(QStringLiteral("0"));
    ASSERT_TRUE(profile->save(3));
    EXPECT_TRUE(rows(doc).empty());

    rightsColumn->setValue(QStringLiteral("1"));
    auto trustees = profile->trustees();
    trustees->beginEdit();
    ExpectFault(kErrorNotATrustee, [&] { trustees->removeGroup(QStringLiteral("DOCS_USERS")); }); // no entry
    ASSERT_TRUE(profile->save(3));
    trustees->addGroup(QStringLiteral("DOCS_USERS"), kDeniedRights);
    ASSERT_TRUE(profile->save(3));
    ExpectFault(kErrorNotATrustee, [&] { trustees->removePerson(QStringLiteral("MARY")); }); // cleared
    // The saves made with the edit open are written as it ends.
    trustees->endEdit(true);
    EXPECT_EQ(rows(doc), (std::map<qint64, qint64>{{m_usersGroupId, kDeniedRights}}));
    ASSERT_TRUE(profile->save(3));
    EXPECT_EQ(count(QStringLiteral("SELECT DEFAULT_RIGHTS FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {doc}),
              1);
}

TEST_F(TrusteeTest, UnknownOrAbsentTrusteesRaise) {
    const qint64 doc = makeFolder();
    auto profile = library()->profile(doc);
    auto trustees = profile->trustees();
    trustees->beginEdit();
    struct Case {
        const char* what;
        std::function<void()> call;
        qint64 number;
    };
    const std::vector<Case> cases = {
        {"unknown person", [&] { trustees->addPerson(QStringLiteral("NOBODY"), 255); }, kErrorUnknownTrustee},
        {"unknown group", [&] { trustees->addGroup(QStringLiteral("NO_GROUP"), 255); }, kErrorUnknownTrustee},
        {"person as group", [&] { trustees->addGroup(QStringLiteral("MARY"), 255); }, kErrorUnknownTrustee},
        {"remove unknown", [&] { trustees->removePerson(QStringLiteral("O'NOBODY")); }, kErrorUnknownTrustee},
        {"remove absent person", [&] { trustees->removePerson(QStringLiteral("MARY")); }, kErrorNotATrustee},
        {"remove absent group", [&] { trustees->removeGroup(QStringLiteral("DOCS_USERS")); },
         kErrorNotATrustee},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectFault(c.number, c.call);
        EXPECT_EQ(profile->errorNumber(), c.number);
    }
    trustees->endEdit(true);
    ASSERT_TRUE(profile->save(3));
    EXPECT_TRUE(rows(doc).empty());
}

TEST_F(TrusteeTest, OracleLibraryMatchesTrusteeNamesWithCase) {
    const qint64 doc = makeFolder(QStringLiteral("LIB_B"));
    auto profile = library(QStringLiteral("LIB_B"))->profile(doc);
    auto trustees = profile->trustees();
    trustees->beginEdit();
    ExpectFault(kErrorUnknownTrustee, [&] { trustees->addPerson(QStringLiteral("mary"), 255); });
    trustees->addPerson(QStringLiteral("MARY"), 255);
    trustees->endEdit(true);
    ASSERT_TRUE(profile->save(3));
    EXPECT_EQ(rows(doc, QStringLiteral("LIB_B")).size(), 1u);
}

TEST_F(TrusteeTest, EndEditWithoutCommitRevertsTheEdit) {
    const qint64 doc = makeFolder();
    auto profile = library()->profile(doc);
    auto trustees = profile->trustees();
    trustees->beginEdit();
    trustees->addPerson(QStringLiteral("MARY"), 255);
    trustees->endEdit(true);
    trustees->beginEdit();
    trustees->addGroup(QStringLiteral("DOCS_USERS"), 127);
    trustees->endEdit(false);
    ASSERT_TRUE(profile->save(3));
    EXPECT_EQ(rows(doc), (std::map<qint64, qint64>{{m_maryId, 255}}));
}

TEST_F(TrusteeTest, NewFolderSavesItsTrusteesWithIt) {
    auto folder = library()->newFolder();
    folder->setName(QStringLiteral("Born secured"));
    auto profile = folder->profile();
    profile->columns()->fillDefaults();
    setRights(profile, "1");
    auto trustees = profile->trustees();
    ASSERT_NE(trustees, nullptr);
    trustees->beginEdit();
    trustees->addPerson(QStringLiteral("GARY"), 255);
    trustees->addGroup(QStringLiteral("DOCS_USERS"), 0);
    trustees->endEdit(true);
    ASSERT_TRUE(folder->save(3)) << folder->errorText().toStdString();
    EXPECT_EQ(rows(folder->docNumber()), (std::map<qint64, qint64>{{m_garyId, 255}, {m_usersGroupId, 0}}));
    EXPECT_EQ(count(QStringLiteral("SELECT DEFAULT_RIGHTS FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"),
                    {folder->docNumber()}),
              1);
}

TEST_F(TrusteeTest, TrusteeZeroRowsSurviveEditsOfOthers) {
    const qint64 doc = makeFolder();
    direct()->execute(
        QStringLiteral("INSERT INTO DOCSADM.SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) SELECT 0, "
                       "63, SYSTEM_ID FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"),
        {doc});
    auto profile = library()->profile(doc);
    auto trustees = profile->trustees();
    trustees->beginEdit();
    trustees->addPerson(QStringLiteral("MARY"), 127);
    trustees->endEdit(true);
    ASSERT_TRUE(profile->save(3));
    EXPECT_EQ(rows(doc), (std::map<qint64, qint64>{{0, 63}, {m_maryId, 127}}));
}

// Inside a transaction a saved profile keeps what it wrote instead of reading it back; whatever else
// changes the library (a statement, a rolled-back savepoint) must make the next open read it again.
TEST_F(TrusteeTest, HeldProfileSeesWhatChangedAfterItsSave) {
    struct Case {
        const char* what;
        std::function<void(LibraryStore&, qint64 doc)> after; // runs with the save's savepoint open
    };
    const std::vector<Case> cases = {
        {"nothing else", [](LibraryStore& db, qint64) { db.commit(); }},
        {"a statement adds a trustee",
         [this](LibraryStore& db, qint64 doc) {
             db.commit();
             db.execute(QStringLiteral("INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) "
                                       "SELECT SYSTEM_ID, ?2, 63 FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"),
                        {doc, m_usersGroupId});
         }},
        {"a statement renames it",
         [](LibraryStore& db, qint64 doc) {
             db.commit();
             db.execute(QStringLiteral("UPDATE DOCSADM.PROFILE SET DOCNAME = 'Renamed' WHERE DOCNUMBER = ?1"),
                        {doc});
         }},
        {"the save is rolled back", [](LibraryStore& db, qint64) { db.rollback(); }},
    };
    auto shown = [](const std::shared_ptr<DmProfile>& profile) {
        QStringList seen{profile->columns()->item(QStringLiteral("DOCNAME"))->value(),
                         profile->columns()->item(QStringLiteral("$DEFAULT_RIGHTS"))->value()};
        for (const auto& e : std::dynamic_pointer_cast<LocalTrustees>(profile->trustees())->entries())
            seen << QStringLiteral("%1 %2 %3").arg(e.name).arg(e.isGroup).arg(e.rights);
        return seen;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const qint64 doc = makeFolder();
        auto held = library()->profile(doc);
        auto db = std::dynamic_pointer_cast<LocalLibrary>(library())->database();
        db->begin();
        ASSERT_EQ(held->open(19), 1);
        setRights(held, "1");
        held->trustees()->addGroup(QStringLiteral("DOCS_USERS"), 127);
        held->trustees()->addPerson(QStringLiteral("MARY"), 255);
        ASSERT_TRUE(held->save(3));
        db->begin();
        held->trustees()->addGroup(QStringLiteral("DOCS_USERS"), kDeniedRights); // now after MARY
        ASSERT_TRUE(held->save(3));
        c.after(*db, doc);
        ASSERT_EQ(held->open(19), 1);
        auto fresh = library()->profile(doc);
        ASSERT_EQ(fresh->open(19), 1);
        EXPECT_EQ(shown(held), shown(fresh));
        db->commit();
    }
}

// Inside a transaction a save writes only the rows that differ from the stored list; the same postings
// saved one by one must leave the same rows, in the same order, as outside one, where every touched
// trustee is rewritten.
TEST_F(TrusteeTest, PostingsInsideATransactionLeaveWhatTheyLeaveOutsideOne) {
    using Step = std::function<void(DmTrustees&)>;
    const std::vector<Step> steps = {
        [](DmTrustees& t) { t.removeGroup(QStringLiteral("DOCS_USERS")); }, // holds no entry
        [](DmTrustees& t) { t.addGroup(QStringLiteral("DOCS_USERS"), 127); },
        [](DmTrustees& t) { t.removePerson(QStringLiteral("MARY")); },
        [](DmTrustees& t) { t.addPerson(QStringLiteral("MARY"), 63); },
        [](DmTrustees& t) { t.addPerson(QStringLiteral("GARY"), 255); },
        [](DmTrustees& t) { t.addGroup(QStringLiteral("DOCS_USERS"), 127); }, // the same rights again
        [](DmTrustees& t) { t.removeGroup(QStringLiteral("DOCS_USERS")); },
    };
    auto shown = [this](qint64 doc) {
        QStringList seen;
        auto profile = library()->profile(doc);
        for (const auto& e : std::dynamic_pointer_cast<LocalTrustees>(profile->trustees())->entries())
            seen << QStringLiteral("%1 %2").arg(e.name).arg(e.rights);
        return seen;
    };
    auto db = std::dynamic_pointer_cast<LocalLibrary>(library())->database();
    QStringList outcome[2];
    for (const bool inside : {false, true}) {
        SCOPED_TRACE(inside ? "inside a transaction" : "outside");
        const qint64 doc = makeFolder();
        auto profile = library()->profile(doc);
        ASSERT_EQ(profile->open(19), 1);
        setRights(profile, "1");
        profile->trustees()->addPerson(QStringLiteral("MARY"), 255);
        ASSERT_TRUE(profile->save(3));
        if (inside)
            db->begin();
        for (const Step& step : steps) {
            try {
                step(*profile->trustees());
            } catch (const Fault&) {
                // removing a trustee without an entry raises; the save still runs
            }
            ASSERT_TRUE(profile->save(3)) << profile->errorText().toStdString();
        }
        if (inside)
            db->commit();
        outcome[inside] = shown(doc);
    }
    EXPECT_EQ(outcome[1], outcome[0]);
    EXPECT_EQ(outcome[0], (QStringList{QStringLiteral("MARY 63"), QStringLiteral("GARY 255")}));
}

// Group names found once in a transaction are not looked up again; a change to the groups, by this
// connection or another one, must be seen by the next lookup.
TEST_F(TrusteeTest, GroupsChangedAfterALookupAreSeen) {
    struct Case {
        const char* what;
        std::function<void(LibraryStore& db)> change; // runs with a transaction open on `db`
    };
    const QString rename =
        QStringLiteral("UPDATE DOCSADM.GROUPS SET GROUP_ID = 'FORMER' WHERE GROUP_ID = 'DOCS_USERS'");
    const std::vector<Case> cases = {
        {"renamed here", [&](LibraryStore& db) { db.execute(rename); }},
        {"every group deleted here",
         [](LibraryStore& db) { db.execute(QStringLiteral("DELETE FROM DOCSADM.GROUPS")); }},
        {"renamed by another connection",
         [&](LibraryStore& db) {
             db.commit();
             direct()->execute(rename);
             db.begin();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const qint64 doc = makeFolder();
        auto db = std::dynamic_pointer_cast<LocalLibrary>(library())->database();
        auto profile = library()->profile(doc);
        db->begin();
        profile->trustees()->addGroup(QStringLiteral("DOCS_USERS"), 127);
        c.change(*db);
        ExpectFault(kErrorUnknownTrustee,
                    [&] { profile->trustees()->addGroup(QStringLiteral("DOCS_USERS"), 63); });
        db->rollback();
        direct()->execute(
            QStringLiteral("UPDATE DOCSADM.GROUPS SET GROUP_ID = 'DOCS_USERS' WHERE GROUP_ID = 'FORMER'"));
    }
}

} // namespace
} // namespace vantrelis::dm::local::test
