#include "AdminFixture.h"

namespace vantrelis::dm::local::test {

void AdminFixture::SetUp() {
    qputenv("VANTRELIS_BUSY_TIMEOUT_MS", "200");
    m_admin = &m_environment.CreateLibrary(QStringLiteral("TESTLIB"), kEngineMssql);
    m_file = m_environment.libraryFile(QStringLiteral("TESTLIB"));
    admin().addGroup(QStringLiteral("DOCS_SUPERVISORS"), QString(), 255);
    admin().addGroup(QStringLiteral("DOCS_USERS"), QString(), 0);
    admin().addGroup(QStringLiteral("LEGAL"), QStringLiteral("Legal"), 0);
    admin().addPerson(QStringLiteral("GARY"), QStringLiteral("Gary"), QStringLiteral("LEGAL"));
    admin().addPerson(QStringLiteral("ANNA"), QStringLiteral("Anna"), QStringLiteral("DOCS_USERS"));
    admin().addMember(QStringLiteral("GARY"), QStringLiteral("DOCS_SUPERVISORS"));
    admin().addClient(QStringLiteral("C1"), QStringLiteral("O'Brien Holdings"));
    admin().addMatter(QStringLiteral("C1"), QStringLiteral("M1"), QStringLiteral("Lease"));
}

qint64 AdminFixture::count(const QString& sql, const QVariantList& params) {
    return db().scalar(sql, params).toLongLong();
}

qint64 AdminFixture::addDocument(const QString& name, const QString& type) {
    DocumentSpec spec;
    spec.name = name;
    spec.author = QStringLiteral("GARY");
    spec.typist = QStringLiteral("ANNA");
    spec.typeId = type;
    spec.clientId = QStringLiteral("C1");
    spec.matterId = QStringLiteral("M1");
    return admin().addDocument(spec);
}

qint64 AdminFixture::addFolder(const QString& name, qint64 parent, bool isPublic) {
    FolderSpec spec;
    spec.name = name;
    spec.parent = parent;
    spec.owner = QStringLiteral("GARY");
    spec.isPublic = isPublic;
    spec.clientId = QStringLiteral("C1");
    spec.matterId = QStringLiteral("M1");
    return admin().addFolder(spec);
}

} // namespace vantrelis::dm::local::test
