#include "dm/local/LocalTrustees.h"

#include "dm/local/LocalProfile.h"

namespace vantrelis::dm::local {

LocalTrustees::LocalTrustees(std::shared_ptr<LocalProfile> profile) : m_profile(std::move(profile)) {}

void LocalTrustees::beginEdit() {
    m_profile->beginTrusteeEdit();
}

void LocalTrustees::addPerson(const QString& userId, qint64 rights) {
    m_profile->addTrustee(userId, false, rights);
}

void LocalTrustees::addGroup(const QString& groupId, qint64 rights) {
    m_profile->addTrustee(groupId, true, rights);
}

void LocalTrustees::removePerson(const QString& userId) {
    m_profile->removeTrustee(userId, false);
}

void LocalTrustees::removeGroup(const QString& groupId) {
    m_profile->removeTrustee(groupId, true);
}

void LocalTrustees::endEdit(bool commit) {
    m_profile->endTrusteeEdit(commit);
}

const std::vector<TrusteeEntry>& LocalTrustees::entries() const {
    return m_profile->trusteeEntries();
}

} // namespace vantrelis::dm::local
