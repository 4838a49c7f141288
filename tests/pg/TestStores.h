#pragma once

#include "dm/local/LibraryDatabase.h"
#include "dm/local/LibraryStore.h"
#include "pg/PgCluster.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace vantrelis::testing {

enum class StoreKind { Sqlite, Postgres };

// A fresh library in either store, and further connections to it.
class TestStores {
public:
    TestStores(StoreKind kind, int engineCode, const QString& name = QStringLiteral("CONTRACT"));

    std::shared_ptr<dm::local::LibraryStore> store() const { return m_store; }
    // Another connection to the same library (another client).
    std::shared_ptr<dm::local::LibraryStore> openAgain(
        dm::local::LibraryDatabase::Access access = dm::local::LibraryDatabase::Access::ReadWrite) const;
    // The Database= of a server file for the library.
    const QString& database() const { return m_database; }
    // The PostgreSQL database's name (empty for SQLite).
    const QString& databaseName() const { return m_databaseName; }

private:
    StoreKind m_kind;
    int m_engineCode;
    QString m_name;
    QTemporaryDir m_folder;
    QString m_database;
    QString m_databaseName;
    std::shared_ptr<dm::local::LibraryStore> m_store;
};

const char* KindName(StoreKind kind);

} // namespace vantrelis::testing

// Skips a PostgreSQL test, with the reason, when the server programs are not installed.
#define VANTRELIS_REQUIRE_PG()                                                                               \
    do {                                                                                                     \
        if (!vantrelis::testing::PgCluster::Shared())                                                        \
            GTEST_SKIP() << vantrelis::testing::PgCluster::SkipReason().toStdString();                       \
    } while (false)
