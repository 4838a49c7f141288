#include "ModelFixture.h"

#include "common/Fault.h"
#include "dm/local/LocalSql.h"

#include <map>

namespace vantrelis::dm::local::test {
namespace {

// The folder and security engines drive the object model and the SQL object in a fixed order. These
// tests make exactly those calls, on both engine flavours, and check the rows they leave behind.

struct SequenceCase {
    const char* library;
    bool isPublic;
    bool withParent;
};

struct Post {
    const char* name;
    int kind; // 1 person, otherwise group
    qint64 rights;
};

class EngineSequenceTest : public ModelFixture, public ::testing::WithParamInterface<SequenceCase> {
public:
    QString lib() const { return QString::fromLatin1(GetParam().library); }

    std::shared_ptr<DmSql> sqlObject() {
        auto sql = std::make_shared<LocalSql>(m_server);
        sql->setToken(m_app->dst());
        sql->setLibrary(lib());
        return sql;
    }

    // Sends one statement as the engines do and answers its rows affected (-1 when rejected).
    qint64 send(DmSql& sql, const QString& statement) {
        const qint64 rc = sql.execute(statement);
        EXPECT_EQ(rc, 0) << statement.toStdString() << ": " << sql.errorText().toStdString();
        const qint64 affected = rc == 0 ? sql.rowsAffected() : -1;
        sql.releaseResults();
        return affected;
    }

    // A parent folder holding a matter, a retention, an abstract, MARY as author and one item.
    qint64 makeParent(DmLibrary& library) {
        auto folder = library.newFolder();
        folder->setName(QStringLiteral("Acme"));
        folder->setPublic(true);
        auto profile = folder->profile();
        profile->columns()->fillDefaults();
        auto columns = profile->columns();
        columns->item(QStringLiteral("TYPE_ID"))->setValue(QStringLiteral("FOLDER"));
        columns->item(QStringLiteral("AUTHOR_ID"))->setValue(QStringLiteral("MARY"));
        columns->item(QStringLiteral("CLIENT_ID"))->setValue(QStringLiteral("C100"));
        columns->item(QStringLiteral("MATTER_ID"))->setValue(QStringLiteral("M2"));
        columns->item(QStringLiteral("RETENTION"))->setValue(QStringLiteral("90"));
        columns->item(QStringLiteral("ABSTRACT"))->setValue(QStringLiteral("parent abstract"));
        columns->item(QStringLiteral("FORM"))->setValue(QStringLiteral("FOLDER_PROF"));
        EXPECT_TRUE(folder->save(3)) << folder->errorText().toStdString();
        direct(lib())->execute(
            QStringLiteral(
                "INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, NODE_TYPE, PARENT, ISFIRST, \"NEXT\", "
                "DOCNUMBER, DISPLAYNAME, LIBRARY) VALUES (90001, 'P', ?1, 'Y', 0, 77, 'Old item', 0)"),
            {folder->docNumber()});
        return folder->docNumber();
    }

    // The object-model part of folder creation, in the folder engine's order; 0 when a save failed.
    qint64 createFolder(DmLibrary& library, const QString& folderName, qint64 parentFolder, bool isPublic) {
        std::shared_ptr<DmFolder> currentFolder;
        std::shared_ptr<DmProfile> currentProfile;
        QList<QPair<QString, QString>> parentColumns;
        if (parentFolder != 0) {
            currentFolder = library.folder(parentFolder);
            EXPECT_NE(currentFolder, nullptr);
            if (!currentFolder)
                return 0;
            EXPECT_EQ(currentFolder->name(), QStringLiteral("Acme"));
            EXPECT_EQ(currentFolder->itemCount() + 1, 2) << "subfolder number shown in the log";
            auto columns = currentFolder->profile()->columns();
            for (int i = 1; i <= columns->count(); ++i)
                parentColumns.append({columns->item(i)->name(), columns->item(i)->value()});
        }
        currentFolder.reset();
        currentProfile.reset();

        currentFolder = library.newFolder();
        EXPECT_NE(currentFolder, nullptr);
        currentFolder->setSecondaryName(folderName);
        currentFolder->setName(folderName);
        currentFolder->setPublic(isPublic);
        currentProfile = currentFolder->profile();
        EXPECT_NE(currentProfile, nullptr);
        currentProfile->columns()->fillDefaults();

        auto columns = currentProfile->columns();
        for (int i = 1; i <= columns->count(); ++i) {
            auto column = columns->item(i);
            const QString name = column->name().toUpper();
            QString value;
            if (name == QLatin1String("DOCNAME")) {
                value = folderName;
            } else if (name == QLatin1String("AUTHOR_ID") || name == QLatin1String("TYPIST_ID")) {
                value = library.userName();
            } else if (name == QLatin1String("TYPE_ID") || name == QLatin1String("APP_ID")) {
                value = QStringLiteral("FOLDER");
            } else if (!parentColumns.isEmpty() && !column->isProtected()) {
                for (const auto& pair : parentColumns) {
                    if (pair.first == column->name()) {
                        value = pair.second;
                        break;
                    }
                }
            }
            if (!value.isEmpty() && !column->isProtected() && column->value().isEmpty())
                column->setValue(value);
        }

        if (!currentProfile->save(3)) {
            ADD_FAILURE() << "profile save: " << currentFolder->errorText().toStdString();
            return 0;
        }
        EXPECT_NE(currentProfile, nullptr);
        if (!currentFolder->save(3)) {
            ADD_FAILURE() << "folder save: " << currentFolder->errorText().toStdString();
            return 0;
        }
        return currentFolder->docNumber();
    }

    // One trustee change on the profile in the slot, saved at once; false when it was not stored.
    static bool PostPOG(const std::shared_ptr<DmProfile>& slot, const QString& name, int kind, int action,
                        qint64 rights) {
        if (!slot)
            return false;
        try {
            auto trustees = slot->trustees();
            if (action == -1) {
                try {
                    if (kind == 1)
                        trustees->removePerson(name);
                    else
                        trustees->removeGroup(name);
                } catch (const Fault&) {
                    // no entry to remove: skipped, the save still runs
                }
            } else {
                if (rights <= 0)
                    rights = kDeniedRights;
                if (kind == 1)
                    trustees->addPerson(name, rights);
                else
                    trustees->addGroup(name, rights);
            }
            return slot->save(3);
        } catch (const Fault&) {
            return false;
        }
    }

    // The object-model part of security by template: clear what the profile holds, then post
    // every trustee (remove, then add), each followed by a save while the edit stays open.
    bool addSecurity(DmLibrary& library, qint64 docNumber, const std::vector<Post>& posts) {
        std::shared_ptr<DmProfile> slot = library.profile(docNumber);
        if (!slot)
            return false;
        EXPECT_EQ(slot->open(19), 1) << slot->errorText().toStdString();
        auto rights = slot->columns()->item(QStringLiteral("$DEFAULT_RIGHTS"));
        if (slot->trustees() && rights->value().toLongLong() != 0) {
            rights->setValue(QStringLiteral("0"));
            EXPECT_TRUE(slot->save(3)) << slot->errorText().toStdString();
        }
        rights->setValue(QStringLiteral("1"));
        slot->trustees()->beginEdit();
        for (const Post& post : posts) {
            const QString name = QString::fromLatin1(post.name);
            PostPOG(slot, name, post.kind, -1, 0);
            if (!PostPOG(slot, name, post.kind, 1, post.rights)) {
                ADD_FAILURE() << "posting " << post.name << ": " << slot->errorText().toStdString();
                slot->trustees()->endEdit(true);
                slot->close();
                return false;
            }
        }
        slot->trustees()->endEdit(true);
        const bool saved = slot->save(3);
        slot->close();
        return saved;
    }

    std::map<qint64, qint64> securityRows(qint64 doc) {
        std::map<qint64, qint64> result;
        const QueryResult rows = direct(lib())->query(
            QStringLiteral(
                "SELECT S.PERSONORGROUP, S.ACCESSRIGHTS FROM DOCSADM.SECURITY S JOIN DOCSADM.PROFILE P "
                "ON P.SYSTEM_ID = S.THING WHERE P.DOCNUMBER = ?1"),
            {doc});
        for (const auto& row : rows.rows)
            result[row[0].toLongLong()] = row[1].toLongLong();
        EXPECT_EQ(rows.rows.size(), result.size()) << "one row per trustee";
        return result;
    }

    qint64 supervisorsId() {
        return id(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.GROUPS WHERE GROUP_ID = 'DOCS_SUPERVISORS'"),
                  {}, lib());
    }
};

TEST_P(EngineSequenceTest, CreateFolderThenSecurityByTemplate) {
    const SequenceCase& c = GetParam();
    auto library = this->library(lib());
    ASSERT_NE(library, nullptr);
    const qint64 parent = c.withParent ? makeParent(*library) : 0;
    const QString name = QStringLiteral("Matter O'Brien");

    const qint64 doc = createFolder(*library, name, parent, c.isPublic);
    ASSERT_NE(doc, 0);
    ASSERT_NE(doc, parent);

    // What the two saves wrote: one PROFILE, FOLDER and VERSIONS row each, a root entry only for a
    // public folder, no trustees.
    auto db = direct(lib());
    const QueryResult profile = db->query(
        QStringLiteral(
            "SELECT P.SYSTEM_ID, P.DOCNAME, A.USER_ID, T.USER_ID, D.TYPE_ID, X.APPLICATION, P.MATTER, "
            "P.RETENTION, P.ABSTRACT, P.DEFAULT_RIGHTS FROM DOCSADM.PROFILE P "
            "JOIN DOCSADM.PEOPLE A ON A.SYSTEM_ID = P.AUTHOR JOIN DOCSADM.PEOPLE T ON T.SYSTEM_ID = P.TYPIST "
            "JOIN DOCSADM.DOCUMENTTYPES D ON D.SYSTEM_ID = P.DOCUMENTTYPE "
            "JOIN DOCSADM.APPS X ON X.SYSTEM_ID = P.APPLICATION WHERE P.DOCNUMBER = ?1"),
        {doc});
    ASSERT_EQ(profile.rows.size(), 1u);
    const auto& row = profile.rows.front();
    const qint64 systemId = row[0].toLongLong();
    EXPECT_EQ(row[1].toString(), name);
    EXPECT_EQ(row[2].toString(), QStringLiteral("GARY")) << "the default came before the parent's MARY";
    EXPECT_EQ(row[3].toString(), QStringLiteral("GARY"));
    EXPECT_EQ(row[4].toString(), QStringLiteral("FOLDER"));
    EXPECT_EQ(row[5].toString(), QStringLiteral("FOLDER"));
    const qint64 parentMatter =
        c.withParent
            ? id(QStringLiteral("SELECT MATTER FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {parent}, lib())
            : 0;
    EXPECT_EQ(row[6].toLongLong(), parentMatter);
    EXPECT_EQ(row[7].toLongLong(), c.withParent ? 90 : 0);
    EXPECT_EQ(row[8].toString(), c.withParent ? QStringLiteral("parent abstract") : QString());
    EXPECT_EQ(row[9].toLongLong(), 0);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER WHERE DOCNUMBER = ?1 AND IS_PUBLIC = ?2"),
              {doc, c.isPublic ? QStringLiteral("Y") : QStringLiteral("N")}, lib()),
        1);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VERSIONS WHERE DOCNUMBER = ?1 AND VERSION = 1"),
              {doc}, lib()),
        1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ?1 AND "
                                   "DISPLAYNAME = ''"),
                    {doc}, lib()),
              c.isPublic ? 1 : 0);
    EXPECT_TRUE(securityRows(doc).empty());

    // The SQL steps that follow on the same library.
    auto sql = sqlObject();
    const QString escaped = QStringLiteral("Matter O''Brien");
    const QString docText = QString::number(doc);
    if (c.isPublic) {
        const qint64 affected =
            c.withParent
                ? send(*sql, QStringLiteral("DELETE FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ") + docText)
                : send(*sql, QStringLiteral("UPDATE DOCSADM.ROOT_OBJECT SET DISPLAYNAME = '") + escaped +
                                 QStringLiteral("' WHERE DISPLAYNAME = '' AND DOCNUMBER = ") + docText);
        EXPECT_EQ(affected, 1);
    }
    if (c.withParent) {
        ASSERT_EQ(sql->execute(QStringLiteral("SELECT STORAGETYPE, PATH, RETENTION, AUTHOR, TYPIST, FORM, "
                                              "DOCUMENTTYPE FROM DOCSADM.PROFILE WHERE DOCNUMBER = ") +
                               QString::number(parent)),
                  0);
        const QString storageType = sql->columnValue(1);
        const QString path = sql->columnValue(2);
        const QString retention = QString::number(sql->columnValue(3).toLongLong());
        const QString author = sql->columnValue(4);
        const QString typist = sql->columnValue(5);
        const QString form = sql->columnValue(6);
        const QString documentType = sql->columnValue(7);
        EXPECT_EQ(author.toLongLong(), m_maryId);
        sql->releaseResults();
        EXPECT_EQ(send(*sql, QStringLiteral("UPDATE DOCSADM.PROFILE SET DOCNAME = '") + escaped +
                                 QStringLiteral("', ABSTRACT = '") + escaped +
                                 QStringLiteral(" created 2024/05/06 10:15 AM', AUTHOR = ") + author +
                                 QStringLiteral(", TYPIST = ") + typist +
                                 QStringLiteral(", DOCUMENTTYPE = ") + documentType +
                                 QStringLiteral(", FORM = ") + form + QStringLiteral(", PATH = '") + path +
                                 QStringLiteral("', STORAGETYPE = '") + storageType +
                                 QStringLiteral("', RETENTION = ") + retention +
                                 QStringLiteral(", FULLTEXT= 'Y', DEFAULT_RIGHTS = 1 WHERE DOCNUMBER = ") +
                                 docText),
                  1);
        // A stale trustee row: the template's security replaces the profile's list.
        EXPECT_EQ(
            send(*sql, QStringLiteral("INSERT INTO DOCSADM.SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) "
                                      "SELECT 0, 63, SYSTEM_ID FROM DOCSADM.PROFILE WHERE DOCNUMBER = ") +
                           docText),
            1);
    }

    // Security by the template "GROUP:DOCS_SUPERVISORS = 255; GROUP:DOCS_USERS = 0": the running
    // user GARY is the typist and is not posted; the author MARY (taken over from the parent) is.
    std::vector<Post> posts = {{"DOCS_SUPERVISORS", 2, 255}, {"DOCS_USERS", 2, 0}};
    if (c.withParent)
        posts.push_back({"MARY", 1, 255});
    ASSERT_TRUE(addSecurity(*library, doc, posts));

    std::map<qint64, qint64> expected = {{supervisorsId(), 255}, {m_usersGroupId, kDeniedRights}};
    if (c.withParent)
        expected[m_maryId] = 255;
    EXPECT_EQ(securityRows(doc), expected);
    EXPECT_EQ(count(QStringLiteral("SELECT DEFAULT_RIGHTS FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {doc},
                    lib()),
              1);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.SECURITY WHERE THING = ?1"), {systemId}, lib()),
        qint64(expected.size()));

    // The rows that stay: the SQL's profile values survived the trustee saves.
    const QueryResult after = db->query(
        QStringLiteral(
            "SELECT DOCNAME, ABSTRACT, AUTHOR, RETENTION FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"),
        {doc});
    ASSERT_EQ(after.rows.size(), 1u);
    EXPECT_EQ(after.rows[0][0].toString(), name);
    if (c.withParent) {
        EXPECT_EQ(after.rows[0][1].toString(), QStringLiteral("Matter O'Brien created 2024/05/06 10:15 AM"));
        EXPECT_EQ(after.rows[0][2].toLongLong(), m_maryId);
        EXPECT_EQ(after.rows[0][3].toLongLong(), 90);
    }
    const QueryResult root =
        db->query(QStringLiteral("SELECT DISPLAYNAME FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ?1"), {doc});
    if (c.isPublic && !c.withParent) {
        ASSERT_EQ(root.rows.size(), 1u);
        EXPECT_EQ(root.rows[0][0].toString(), name);
    } else {
        EXPECT_TRUE(root.rows.empty());
    }
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER WHERE DOCNUMBER = ?1"), {doc}, lib()),
              1);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VERSIONS WHERE DOCNUMBER = ?1"), {doc}, lib()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Flavours, EngineSequenceTest,
    ::testing::Values(SequenceCase{"LIB_A", true, true}, SequenceCase{"LIB_A", false, true},
                      SequenceCase{"LIB_A", true, false}, SequenceCase{"LIB_A", false, false},
                      SequenceCase{"LIB_B", true, true}, SequenceCase{"LIB_B", false, true},
                      SequenceCase{"LIB_B", true, false}),
    [](const ::testing::TestParamInfo<SequenceCase>& info) {
        return std::string(info.param.library) + (info.param.isPublic ? "_public" : "_private") +
               (info.param.withParent ? "_sub" : "_top");
    });

} // namespace
} // namespace vantrelis::dm::local::test
