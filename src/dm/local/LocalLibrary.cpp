#include "dm/local/LocalLibrary.h"

#include "common/Fault.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/LocalFolder.h"
#include "dm/local/LocalParameters.h"
#include "dm/local/LocalProfile.h"
#include "dm/local/LocalRunJournal.h"

namespace vantrelis::dm::local {

LocalLibrary::LocalLibrary(std::shared_ptr<LocalServer> server, QString name)
    : m_server(std::move(server)), m_name(name.trimmed().toUpper()) {}

void LocalLibrary::prepare() {
    m_prepared = false;
    connect();
}

void LocalLibrary::connect() const {
    if (m_prepared)
        return;
    m_prepared = true;
    m_userName.clear();
    m_fullName.clear();
    m_primaryGroup.clear();
    m_userSystemId = 0;
    m_primaryGroupId = 0;
    m_lastError.clear();
    m_lastErrorNumber = 0;
    try {
        if (!m_db || m_db->replaced())
            m_db = m_server->store(m_name);
        const QueryResult rows = m_db->query(
            QStringLiteral(
                "SELECT P.SYSTEM_ID, P.USER_ID, P.FULL_NAME, P.PRIMARY_GROUP, G.GROUP_ID "
                "FROM DOCSADM.PEOPLE P LEFT JOIN DOCSADM.GROUPS G ON G.SYSTEM_ID = P.PRIMARY_GROUP "
                "WHERE UPPER(P.USER_ID) = UPPER(?1)"),
            {m_server->userId()});
        if (rows.rows.empty()) {
            m_lastError = QStringLiteral("User '%1' is not in library %2").arg(m_server->userId(), m_name);
            m_lastErrorNumber = kErrorNotConnected;
            return;
        }
        const auto& row = rows.rows.front();
        m_userSystemId = row.at(0).toLongLong();
        m_userName = row.at(1).toString();
        m_fullName = row.at(2).toString();
        m_primaryGroupId = row.at(3).toLongLong();
        m_primaryGroup = row.at(4).toString();
    } catch (const Fault& fault) {
        m_lastError = fault.description();
        m_lastErrorNumber = fault.number();
    }
}

bool LocalLibrary::errorIsPassing() const {
    connect();
    return IsPassingError(m_lastErrorNumber);
}

bool LocalLibrary::heldByAnotherWriter() const {
    return m_db && m_db->lockWaitSpent();
}

void LocalLibrary::requireConnected() const {
    connect();
    if (!m_db || m_userName.isEmpty()) {
        throw Fault(kErrorNotConnected, QString::fromLatin1(kModelFaultSource),
                    QStringLiteral("Library %1 is not connected: %2").arg(m_name, m_lastError));
    }
}

QString LocalLibrary::userName() const {
    connect();
    return m_userName;
}

QString LocalLibrary::primaryGroup() const {
    connect();
    return m_primaryGroup;
}

QString LocalLibrary::fullName() const {
    connect();
    return m_fullName;
}

qint64 LocalLibrary::userSystemId() const {
    requireConnected();
    return m_userSystemId;
}

qint64 LocalLibrary::primaryGroupId() const {
    requireConnected();
    return m_primaryGroupId;
}

QString LocalLibrary::lastError() const {
    connect();
    return m_lastError;
}

int LocalLibrary::engineCode() const {
    return m_server->engineCode(m_name);
}

std::shared_ptr<LibraryStore> LocalLibrary::database() const {
    requireConnected();
    return m_db;
}

std::shared_ptr<LocalParameters> LocalLibrary::localParameters() const {
    requireConnected();
    return LocalParameters::Load(*this);
}

std::shared_ptr<DmParameters> LocalLibrary::parameters() {
    return localParameters();
}

std::shared_ptr<DmProfile> LocalLibrary::profile(qint64 docNumber) {
    requireConnected();
    return LocalProfile::Load(shared_from_this(), docNumber);
}

std::shared_ptr<DmFolder> LocalLibrary::newFolder() {
    return std::make_shared<LocalFolder>(LocalProfile::CreateNew(shared_from_this()));
}

std::shared_ptr<DmRunJournal> LocalLibrary::runJournal() {
    const std::shared_ptr<LibraryStore> store = database();
    if (!LocalRunJournal::Present(*store))
        return nullptr;
    if (!m_journal || m_journal->store() != store)
        m_journal = std::make_shared<LocalRunJournal>(store);
    return m_journal;
}

LocalRunJournal* LocalLibrary::activeJournal() const {
    return m_journal && m_journal->active() && m_journal->store() == m_db ? m_journal.get() : nullptr;
}

std::shared_ptr<DmFolder> LocalLibrary::folder(qint64 docNumber) {
    requireConnected();
    auto profile = LocalProfile::Load(shared_from_this(), docNumber);
    if (!profile || !profile->isFolder())
        return nullptr;
    return std::make_shared<LocalFolder>(profile);
}

} // namespace vantrelis::dm::local
