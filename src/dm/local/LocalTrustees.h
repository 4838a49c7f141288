#pragma once

#include "dm/DmTrustees.h"
#include "dm/local/TrusteeEntry.h"

#include <memory>
#include <vector>

namespace vantrelis::dm::local {

class LocalProfile;

// A profile's trustee list. The list and its edits live in the profile; its save writes them.
class LocalTrustees : public DmTrustees {
public:
    explicit LocalTrustees(std::shared_ptr<LocalProfile> profile);

    void beginEdit() override;
    void addPerson(const QString& userId, qint64 rights) override;
    void addGroup(const QString& groupId, qint64 rights) override;
    void removePerson(const QString& userId) override;
    void removeGroup(const QString& groupId) override;
    void endEdit(bool commit) override;

    // The list as it stands, pending edits included (for the admin tool and tests).
    const std::vector<TrusteeEntry>& entries() const;

private:
    std::shared_ptr<LocalProfile> m_profile;
};

} // namespace vantrelis::dm::local
