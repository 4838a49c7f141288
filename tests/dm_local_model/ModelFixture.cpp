#include "ModelFixture.h"

#include "dm/local/LocalApplication.h"

namespace vantrelis::dm::local::test {

namespace {

void Seed(LibraryDatabase& db, qint64& gary, qint64& mary, qint64& users) {
    const qint64 supervisors = db.nextKey(QStringLiteral("SYSTEMKEY"));
    users = db.nextKey(QStringLiteral("SYSTEMKEY"));
    db.execute(
        QStringLiteral("INSERT INTO DOCSADM.GROUPS (SYSTEM_ID, GROUP_ID, GROUP_NAME, UNIV_ACCESS) VALUES "
                       "(?1, 'DOCS_SUPERVISORS', 'Supervisors', 255), (?2, 'DOCS_USERS', 'Users', 0)"),
        {supervisors, users});
    gary = db.nextKey(QStringLiteral("SYSTEMKEY"));
    mary = db.nextKey(QStringLiteral("SYSTEMKEY"));
    db.execute(QStringLiteral(
                   "INSERT INTO DOCSADM.PEOPLE (SYSTEM_ID, USER_ID, FULL_NAME, PRIMARY_GROUP, ALLOW_LOGIN) "
                   "VALUES (?1, 'GARY', 'Gary Gray', ?3, 'Y'), (?2, 'MARY', 'Mary O''Neil', ?3, 'Y')"),
               {gary, mary, users});
    db.execute(QStringLiteral("INSERT INTO DOCSADM.PEOPLEGROUPS (PEOPLE_SYSTEM_ID, GROUPS_SYSTEM_ID) VALUES "
                              "(?1, ?2), (?1, ?3), (?4, ?3)"),
               {gary, supervisors, users, mary});
    db.execute(
        QStringLiteral("INSERT INTO DOCSADM.DOCUMENTTYPES (SYSTEM_ID, TYPE_ID, DESCRIPTION) VALUES (?1, "
                       "'MEMO', 'Memo')"),
        {db.nextKey(QStringLiteral("SYSTEMKEY"))});
    db.execute(QStringLiteral("INSERT INTO DOCSADM.APPS (SYSTEM_ID, APPLICATION, APPDESCRIPTION) VALUES (?1, "
                              "'MS WORD', 'Word')"),
               {db.nextKey(QStringLiteral("SYSTEMKEY"))});
    db.execute(
        QStringLiteral("INSERT INTO DOCSADM.FORMS (SYSTEM_ID, FORM_NAME, FORM_TITLE) VALUES (?1, 'DEF_PROF', "
                       "'Default'), (?2, 'FOLDER_PROF', 'Folder')"),
        {db.nextKey(QStringLiteral("SYSTEMKEY")), db.nextKey(QStringLiteral("SYSTEMKEY"))});
    const qint64 c100 = db.nextKey(QStringLiteral("SYSTEMKEY"));
    const qint64 c200 = db.nextKey(QStringLiteral("SYSTEMKEY"));
    db.execute(QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID, CLIENT_NAME) VALUES "
                              "(?1, 'C100', 'Acme'), (?2, 'C200', 'Bolt')"),
               {c100, c200});
    // M1 exists under both clients, M2 only under C100.
    db.execute(
        QStringLiteral("INSERT INTO DOCSADM.MATTER (SYSTEM_ID, MATTER_ID, MATTER_NAME, CLIENT_ID) VALUES "
                       "(?1, 'M1', 'Acme one', ?4), (?2, 'M1', 'Bolt one', ?5), (?3, 'M2', 'Acme two', ?4)"),
        {db.nextKey(QStringLiteral("SYSTEMKEY")), db.nextKey(QStringLiteral("SYSTEMKEY")),
         db.nextKey(QStringLiteral("SYSTEMKEY")), c100, c200});
}

} // namespace

void ModelFixture::SetUp() {
    for (const auto& [name, engine] : {std::pair{QStringLiteral("LIB_A"), kEngineMssql},
                                       std::pair{QStringLiteral("LIB_B"), kEngineOracle}}) {
        auto db = m_environment.CreateDatabase(name, engine);
        Seed(*db, m_garyId, m_maryId, m_usersGroupId);
    }
    m_environment.setPrimaryLibrary(QStringLiteral("LIB_A"));
    writeServerFile();
}

QString ModelFixture::file(const QString& name) const {
    return m_environment.libraryFile(name);
}

void ModelFixture::writeServerFile(const QString& user) {
    m_environment.setUser(user);
    m_serverFile = m_environment.WriteServerFile(QStringLiteral("LIB_B"));
    ASSERT_FALSE(m_serverFile.isEmpty());
}

std::shared_ptr<DmApplication> ModelFixture::login() {
    m_server = LocalServer::Load(m_serverFile);
    m_app = std::make_shared<LocalApplication>(m_server);
    EXPECT_FALSE(m_app->dst().isEmpty()) << m_server->lastError().toStdString();
    return m_app;
}

std::shared_ptr<DmLibrary> ModelFixture::library(const QString& name) {
    if (!m_app)
        login();
    auto libraries = m_app->libraries();
    for (int i = 1; libraries && i <= libraries->count(); ++i) {
        auto item = libraries->item(i);
        if (item->name() == name) {
            item->prepare();
            return item;
        }
    }
    ADD_FAILURE() << "no library " << name.toStdString();
    return nullptr;
}

std::shared_ptr<LibraryDatabase> ModelFixture::direct(const QString& name) {
    return LibraryDatabase::Open(file(name), name == QLatin1String("LIB_B") ? kEngineOracle : kEngineMssql);
}

qint64 ModelFixture::count(const QString& sql, const QVariantList& params, const QString& lib) {
    return direct(lib)->scalar(sql, params).toLongLong();
}

qint64 ModelFixture::id(const QString& sql, const QVariantList& params, const QString& lib) {
    return count(sql, params, lib);
}

} // namespace vantrelis::dm::local::test
