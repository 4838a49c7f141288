// Saves made while a trustee edit is open are written when the edit ends, in one go. Whatever the
// postings, the SECURITY rows they leave (and their order) must be those that writing every save at
// once leaves: each save deletes the rows of the trustees it touched and adds the entry each keeps.
#include "ModelFixture.h"

#include "common/Fault.h"
#include "dm/local/LocalLibrary.h"
#include "dm/local/SqlTrace.h"

#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <random>
#include <set>

namespace vantrelis::dm::local::test {
namespace {

struct Posting {
    enum Kind { Add, Remove, Save } kind = Save;
    bool isGroup = false;
    QString name;
    qint64 rights = 0;
};

class HeldSavesTest : public ModelFixture {
public:
    qint64 makeFolder(const QString& name) {
        auto folder = library()->newFolder();
        folder->setName(name);
        folder->profile()->columns()->fillDefaults();
        EXPECT_TRUE(folder->save(3)) << folder->errorText().toStdString();
        return folder->docNumber();
    }
    qint64 thing(qint64 doc) {
        return id(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {doc});
    }
    void insertRow(qint64 doc, qint64 trustee, qint64 rights) {
        direct()->execute(QStringLiteral("INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) "
                                         "VALUES (?1, ?2, ?3)"),
                          {thing(doc), trustee, rights});
    }
    // The document's SECURITY rows in their stored order, and its DEFAULT_RIGHTS.
    QStringList rows(qint64 doc) {
        QStringList seen;
        for (const auto& row :
             direct()
                 ->query(
                     QStringLiteral("SELECT PERSONORGROUP, ACCESSRIGHTS FROM DOCSADM.SECURITY WHERE THING = "
                                    "?1 ORDER BY ROWID"),
                     {thing(doc)})
                 .rows)
            seen << QStringLiteral("%1:%2").arg(row[0].toLongLong()).arg(row[1].toLongLong());
        seen << QStringLiteral("rights %1")
                    .arg(count(
                        QStringLiteral("SELECT DEFAULT_RIGHTS FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"),
                        {doc}));
        return seen;
    }
    qint64 trusteeId(bool isGroup, const QString& name) {
        return isGroup
                   ? id(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.GROUPS WHERE GROUP_ID = ?1"), {name})
                   : id(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.PEOPLE WHERE USER_ID = ?1"), {name});
    }

    // The postings written the plain way, by SQL on another connection: a save deletes the rows of
    // every trustee touched since the last one (in key order) and inserts the entry each keeps.
    void writePlainly(qint64 doc, const std::vector<Posting>& postings) {
        std::vector<std::pair<qint64, qint64>> list; // one entry per trustee, as the object model lists them
        for (const auto& row :
             direct()
                 ->query(QStringLiteral("SELECT PERSONORGROUP, ACCESSRIGHTS FROM DOCSADM.SECURITY "
                                        "WHERE THING = ?1 ORDER BY ROWID"),
                         {thing(doc)})
                 .rows) {
            bool known = false;
            for (const auto& entry : list)
                known = known || entry.first == row[0].toLongLong();
            if (!known)
                list.emplace_back(row[0].toLongLong(), row[1].toLongLong());
        }
        std::set<qint64> touched;
        auto save = [&] {
            for (const qint64 trustee : touched) {
                direct()->execute(
                    QStringLiteral("DELETE FROM DOCSADM.SECURITY WHERE THING = ?1 AND PERSONORGROUP = ?2"),
                    {thing(doc), trustee});
                for (const auto& entry : list)
                    if (entry.first == trustee)
                        insertRow(doc, trustee, entry.second);
            }
            touched.clear();
        };
        direct()->execute(
            QStringLiteral("UPDATE DOCSADM.PROFILE SET DEFAULT_RIGHTS = 1 WHERE DOCNUMBER = ?1"), {doc});
        for (const Posting& posting : postings) {
            if (posting.kind == Posting::Save) {
                save();
                continue;
            }
            const qint64 trustee = trusteeId(posting.isGroup, posting.name);
            auto at =
                std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.first == trustee; });
            if (posting.kind == Posting::Remove) {
                if (at == list.end())
                    continue; // no entry: the removal raises and touches nothing
                list.erase(at);
            } else if (at != list.end()) {
                at->second = posting.rights;
            } else {
                list.emplace_back(trustee, posting.rights);
            }
            touched.insert(trustee);
        }
        save();
    }

    // The postings through the object model, with the trustee edit open from the first to the last.
    void post(const std::shared_ptr<DmProfile>& profile, const std::vector<Posting>& postings) {
        ASSERT_EQ(profile->open(19), 1);
        profile->columns()->item(QStringLiteral("$DEFAULT_RIGHTS"))->setValue(QStringLiteral("1"));
        auto trustees = profile->trustees();
        trustees->beginEdit();
        for (const Posting& posting : postings) {
            try {
                if (posting.kind == Posting::Save)
                    ASSERT_TRUE(profile->save(3)) << profile->errorText().toStdString();
                else if (posting.kind == Posting::Remove && posting.isGroup)
                    trustees->removeGroup(posting.name);
                else if (posting.kind == Posting::Remove)
                    trustees->removePerson(posting.name);
                else if (posting.isGroup)
                    trustees->addGroup(posting.name, posting.rights);
                else
                    trustees->addPerson(posting.name, posting.rights);
            } catch (const Fault&) {
                // a removal of a trustee without an entry
            }
        }
        trustees->endEdit(true);
        ASSERT_TRUE(profile->save(3)) << profile->errorText().toStdString();
        profile->close();
    }

    // Random postings: the security engine's remove-and-add pairs with a save after each half,
    // mixed with lone removals, additions and saves.
    static std::vector<Posting> RandomPostings(std::mt19937& random) {
        const std::pair<bool, QString> names[] = {{false, QStringLiteral("GARY")},
                                                  {false, QStringLiteral("MARY")},
                                                  {true, QStringLiteral("DOCS_USERS")},
                                                  {true, QStringLiteral("DOCS_SUPERVISORS")}};
        const qint64 rights[] = {63, 127, 255, kDeniedRights};
        std::vector<Posting> postings;
        const int count = int(random() % 12);
        for (int i = 0; i < count; ++i) {
            const auto& [isGroup, name] = names[random() % 4];
            const qint64 right = rights[random() % 4];
            switch (random() % 4) {
            case 0:
                postings.push_back({Posting::Remove, isGroup, name, 0});
                postings.push_back({Posting::Save, false, {}, 0});
                postings.push_back({Posting::Add, isGroup, name, right});
                postings.push_back({Posting::Save, false, {}, 0});
                break;
            case 1:
                postings.push_back({Posting::Remove, isGroup, name, 0});
                break;
            case 2:
                postings.push_back({Posting::Add, isGroup, name, right});
                break;
            default:
                postings.push_back({Posting::Save, false, {}, 0});
                break;
            }
        }
        return postings;
    }
};

// The stored rows a document starts with: none, the folder's own trustees as inheritance copies them,
// duplicates, a trustee 0 row, in several orders.
const std::vector<std::vector<std::pair<const char*, qint64>>> kStartingRows = {
    {},
    {{"GARY", 255}, {"DOCS_USERS", 127}, {"DOCS_SUPERVISORS", 255}},
    {{"MARY", 63}, {"DOCS_USERS", 127}, {"MARY", 63}, {"0", 63}},
    {{"0", 255}, {"DOCS_SUPERVISORS", 255}, {"GARY", 127}, {"DOCS_USERS", kDeniedRights}},
};

TEST_F(HeldSavesTest, HeldSavesLeaveTheRowsOfSavesWrittenOneByOne) {
    auto db = std::dynamic_pointer_cast<LocalLibrary>(library())->database();
    std::mt19937 random(20261208);
    for (int round = 0; round < 60; ++round) {
        const auto& start = kStartingRows[std::size_t(round) % kStartingRows.size()];
        const std::vector<Posting> postings = RandomPostings(random);
        // Inside a transaction the stored rows are known; outside one every save is written as it came.
        for (const bool inside : {true, false}) {
            SCOPED_TRACE(
                QStringLiteral("round %1, %2").arg(round).arg(inside ? "inside" : "outside").toStdString());
            const qint64 held = makeFolder(QStringLiteral("Held"));
            const qint64 plain = makeFolder(QStringLiteral("Plain"));
            for (const auto& [name, rights] : start) {
                const QString trustee = QString::fromLatin1(name);
                const qint64 key = trustee == QLatin1String("0")                ? 0
                                   : trustee.startsWith(QLatin1String("DOCS_")) ? trusteeId(true, trustee)
                                                                                : trusteeId(false, trustee);
                insertRow(held, key, rights);
                insertRow(plain, key, rights);
            }
            if (inside)
                db->begin();
            post(library()->profile(held), postings);
            if (inside)
                db->commit();
            writePlainly(plain, postings);
            ASSERT_EQ(rows(held), rows(plain));
        }
    }
}

TEST_F(HeldSavesTest, SavesHeldDuringAnEditAreWrittenWhenItEnds) {
    const qint64 doc = makeFolder(QStringLiteral("Held"));
    insertRow(doc, m_garyId, 255);
    auto profile = library()->profile(doc);
    ASSERT_EQ(profile->open(19), 1);
    auto trustees = profile->trustees();
    trustees->beginEdit();
    trustees->addGroup(QStringLiteral("DOCS_USERS"), 127);
    ASSERT_TRUE(profile->save(3));
    EXPECT_EQ(rows(doc), (QStringList{QStringLiteral("%1:255").arg(m_garyId), QStringLiteral("rights 0")}))
        << "held until the edit ends";
    trustees->endEdit(true);
    const QStringList written{QStringLiteral("%1:255").arg(m_garyId),
                              QStringLiteral("%1:127").arg(m_usersGroupId), QStringLiteral("rights 0")};
    EXPECT_EQ(rows(doc), written);
    ASSERT_TRUE(profile->save(3));
    EXPECT_EQ(rows(doc), written);

    // A profile closed with its edit still open (a posting failed) writes what it had saved.
    auto failed = library()->profile(doc);
    ASSERT_EQ(failed->open(19), 1);
    failed->trustees()->beginEdit();
    failed->trustees()->addPerson(QStringLiteral("MARY"), 63);
    ASSERT_TRUE(failed->save(3));
    EXPECT_THROW(failed->trustees()->addPerson(QStringLiteral("NOBODY"), 63), Fault); // never saved
    failed->close();
    EXPECT_EQ(rows(doc), (QStringList{QStringLiteral("%1:255").arg(m_garyId),
                                      QStringLiteral("%1:127").arg(m_usersGroupId),
                                      QStringLiteral("%1:63").arg(m_maryId), QStringLiteral("rights 0")}));
}

// The postings of a document whose trustees end as they were stored write no SECURITY row: one
// UPDATE of the profile is all the saves leave to do.
TEST_F(HeldSavesTest, PostingsThatChangeNothingWriteOnlyTheProfile) {
    QTemporaryDir folder;
    const QString traceFile = folder.filePath(QStringLiteral("trace.sql"));
    const qint64 doc = makeFolder(QStringLiteral("Held"));
    insertRow(doc, m_garyId, 255);
    insertRow(doc, m_usersGroupId, 127);
    direct()->execute(QStringLiteral("UPDATE DOCSADM.PROFILE SET DEFAULT_RIGHTS = 1 WHERE DOCNUMBER = ?1"),
                      {doc});
    const QStringList before = rows(doc);
    auto db = std::dynamic_pointer_cast<LocalLibrary>(library())->database();
    db->begin();
    db->setTrace(std::make_shared<SqlTrace>(traceFile));
    post(library()->profile(doc), {{Posting::Remove, true, QStringLiteral("DOCS_USERS"), 0},
                                   {Posting::Save, false, {}, 0},
                                   {Posting::Add, true, QStringLiteral("DOCS_USERS"), 127},
                                   {Posting::Save, false, {}, 0}});
    db->setTrace(nullptr);
    db->commit();
    EXPECT_EQ(rows(doc), before);
    QFile trace(traceFile);
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QStringList statements =
        QString::fromUtf8(trace.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Besides the login and the first lookup of the group's name: one read of the profile with its
    // trustees, and at most the UPDATE of LAST_EDIT_DATE (none when the stored one is this second's).
    int reads = 0;
    for (const QString& statement : statements) {
        SCOPED_TRACE(statement.toStdString());
        if (statement.contains(QLatin1String("LEFT JOIN DOCSADM.SECURITY S"))) {
            ++reads;
        } else if (!statement.contains(QLatin1String("\tSELECT "))) {
            EXPECT_TRUE(
                statement.contains(QLatin1String("UPDATE DOCSADM.PROFILE SET LAST_EDIT_DATE = ?1 WHERE")));
        }
    }
    EXPECT_EQ(reads, 1);
    EXPECT_LE(statements.size(), 4);
}

// The rows a profile keeps are trusted only while nothing else can have written: a trustee row
// another connection adds after the read must survive the held saves, as a plain save keeps it.
TEST_F(HeldSavesTest, RowsAddedByAnotherWriterAfterTheReadAreKept) {
    const qint64 held = makeFolder(QStringLiteral("Held"));
    const qint64 plain = makeFolder(QStringLiteral("Plain"));
    for (const qint64 doc : {held, plain})
        insertRow(doc, m_garyId, 255);
    const std::vector<Posting> postings = {{Posting::Remove, false, QStringLiteral("GARY"), 0},
                                           {Posting::Save, false, {}, 0},
                                           {Posting::Add, false, QStringLiteral("GARY"), 255},
                                           {Posting::Save, false, {}, 0}};
    auto profile = library()->profile(held);
    ASSERT_EQ(profile->open(19), 1);
    // Another writer, between the read and the saves.
    insertRow(held, m_usersGroupId, 63);
    insertRow(plain, m_usersGroupId, 63);
    post(profile, postings);
    writePlainly(plain, postings);
    EXPECT_EQ(rows(held), rows(plain));
    EXPECT_EQ(rows(held), (QStringList{QStringLiteral("%1:63").arg(m_usersGroupId),
                                       QStringLiteral("%1:255").arg(m_garyId), QStringLiteral("rights 1")}));
}

} // namespace
} // namespace vantrelis::dm::local::test
