#pragma once

#include "dm/DmApplication.h"
#include "dm/local/LibraryDatabase.h"
#include "dm/local/LocalServer.h"
#include "support/LocalEnvironment.h"

#include <gtest/gtest.h>
#include <memory>

namespace vantrelis::dm::local::test {

// Two fresh libraries in a temporary folder (LIB_A MSSQL-flavoured, LIB_B Oracle-flavoured), a
// server file naming them, and people, groups and lookup rows inserted by SQL.
class ModelFixture : public ::testing::Test {
public:
    void SetUp() override;

    // Writes the server file; `user` is the login user.
    void writeServerFile(const QString& user = QStringLiteral("GARY"));
    // A new server and application on the server file, logged in.
    std::shared_ptr<DmApplication> login();
    std::shared_ptr<DmLibrary> library(const QString& name = QStringLiteral("LIB_A"));

    // A second connection to a library's file, for checks and set-up SQL beside the backend.
    std::shared_ptr<LibraryDatabase> direct(const QString& name = QStringLiteral("LIB_A"));
    qint64 count(const QString& sql, const QVariantList& params = {},
                 const QString& lib = QStringLiteral("LIB_A"));
    qint64 id(const QString& sql, const QVariantList& params = {},
              const QString& lib = QStringLiteral("LIB_A"));

    QString file(const QString& name) const;

    testing::LocalEnvironment m_environment;
    QString m_serverFile;
    std::shared_ptr<LocalServer> m_server;
    std::shared_ptr<DmApplication> m_app;
    qint64 m_garyId = 0;
    qint64 m_maryId = 0;
    qint64 m_usersGroupId = 0;
};

} // namespace vantrelis::dm::local::test
