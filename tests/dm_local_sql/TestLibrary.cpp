#include "TestLibrary.h"

#include <QFile>
#include <gtest/gtest.h>

namespace vantrelis::dm::local::test {

TestLibrary::TestLibrary(int engineCode, const QString& name) : m_name(name) {
    m_file = m_environment.libraryFile(name);
    {
        const auto created = m_environment.CreateDatabase(name, engineCode);
        created->execute(
            QStringLiteral("INSERT INTO DOCSADM.PEOPLE (SYSTEM_ID, USER_ID, FULL_NAME) VALUES (?1, ?2, ?3)"),
            {created->nextKey(QStringLiteral("SYSTEMKEY")), QStringLiteral("GARY"),
             QStringLiteral("Gary O'Neil")});
    }
    // The login user is named in another letter case than its PEOPLE row: user names ignore case.
    m_environment.setUser(QStringLiteral("gary"));
    m_server = LocalServer::Load(m_environment.WriteServerFile());
    const QString token = m_server->login();
    EXPECT_FALSE(token.isEmpty()) << m_server->lastError().toStdString();
    m_sql = std::make_shared<LocalSql>(m_server);
    m_sql->setToken(token);
    m_sql->setLibrary(name);
}

QString TestLibrary::first(const QString& instruction) {
    const qint64 answer = m_sql->execute(instruction);
    if (answer != 0)
        return QStringLiteral("ERROR %1").arg(m_sql->errorNumber());
    return m_sql->columnValue(1);
}

QString TestLibrary::WriteServerFile(const QString& path, const QString& text) {
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(text.toUtf8());
    return path;
}

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value)
    : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name)) {
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv() {
    if (m_had)
        qputenv(m_name, m_old);
    else
        qunsetenv(m_name);
}

} // namespace vantrelis::dm::local::test
