#pragma once

#include "dm/local/LibraryDatabase.h"
#include "dm/local/LocalServer.h"
#include "dm/local/LocalSql.h"
#include "support/LocalEnvironment.h"

#include <memory>

namespace vantrelis::dm::local::test {

// A fresh library (schema only) with the person GARY, a server file naming it, GARY logged in and an
// SQL object bound to it.
class TestLibrary {
public:
    explicit TestLibrary(int engineCode, const QString& name = QStringLiteral("TESTLIB"));

    QString path(const QString& fileName) const { return m_environment.filePath(fileName); }
    const QString& file() const { return m_file; }
    const QString& name() const { return m_name; }
    LocalServer& server() { return *m_server; }
    std::shared_ptr<LocalServer> serverPtr() { return m_server; }
    LocalSql& sql() { return *m_sql; }
    std::shared_ptr<LibraryDatabase> db() { return m_server->library(m_name); }

    // Executes through the SQL object: column 1 of row 1, or "ERROR <number>" when rejected.
    QString first(const QString& instruction);

    // Writes a server file for the given [Library.*] sections and answers its path.
    static QString WriteServerFile(const QString& path, const QString& text);

private:
    testing::LocalEnvironment m_environment;
    QString m_name;
    QString m_file;
    std::shared_ptr<LocalServer> m_server;
    std::shared_ptr<LocalSql> m_sql;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

} // namespace vantrelis::dm::local::test
