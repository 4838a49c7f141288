#pragma once

#include "dm/local/LibraryAdmin.h"
#include "support/LocalEnvironment.h"

#include <gtest/gtest.h>

namespace vantrelis::dm::local::test {

// A fresh library in a temporary folder with a few people, groups, one client and matter.
class AdminFixture : public ::testing::Test {
protected:
    void SetUp() override;

    QString path(const QString& fileName) const { return m_environment.filePath(fileName); }
    LibraryAdmin& admin() { return *m_admin; }
    LibraryDatabase& db() { return m_admin->database(); }
    qint64 count(const QString& sql, const QVariantList& params = {});
    // A document of matter C1/M1 by GARY.
    qint64 addDocument(const QString& name, const QString& type = QStringLiteral("MEMO"));
    qint64 addFolder(const QString& name, qint64 parent = 0, bool isPublic = true);

    testing::LocalEnvironment m_environment;
    QString m_file;
    LibraryAdmin* m_admin = nullptr;
};

} // namespace vantrelis::dm::local::test
