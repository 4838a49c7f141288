#include "pg/TestStores.h"

#include "dm/local/LibraryDatabase.h"
#include "dm/local/PgLibraryStore.h"

namespace vantrelis::testing {

using dm::local::LibraryDatabase;
using dm::local::PgLibraryStore;

TestStores::TestStores(StoreKind kind, int engineCode, const QString& name)
    : m_kind(kind), m_engineCode(engineCode), m_name(name) {
    if (kind == StoreKind::Sqlite) {
        m_database = m_folder.filePath(name.toLower() + QStringLiteral(".db"));
        m_store = LibraryDatabase::Create(m_database, engineCode, name);
        return;
    }
    PgCluster* cluster = PgCluster::Shared();
    m_databaseName = cluster->createDatabase(name);
    m_database = cluster->uri(m_databaseName);
    m_store = PgLibraryStore::Create(m_database, engineCode, name);
}

std::shared_ptr<dm::local::LibraryStore> TestStores::openAgain(LibraryDatabase::Access access) const {
    if (m_kind == StoreKind::Sqlite)
        return LibraryDatabase::Open(m_database, m_engineCode, access, m_name);
    return PgLibraryStore::Open(m_database, m_engineCode, m_name, access);
}

const char* KindName(StoreKind kind) {
    return kind == StoreKind::Sqlite ? "Sqlite" : "Postgres";
}

} // namespace vantrelis::testing
