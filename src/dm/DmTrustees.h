#pragma once

#include "dm/DmObject.h"

#include <QString>

namespace vantrelis::dm {

// A profile's trustee list. Changes take effect on the database when the profile is saved.
class DmTrustees : public DmObject {
public:
    virtual void beginEdit() = 0;
    // Raise a Fault for a person or group that the library does not know.
    virtual void addPerson(const QString& userId, qint64 rights) = 0;
    virtual void addGroup(const QString& groupId, qint64 rights) = 0;
    // Raise a Fault when the trustee holds no entry.
    virtual void removePerson(const QString& userId) = 0;
    virtual void removeGroup(const QString& groupId) = 0;
    virtual void endEdit(bool commit) = 0;
};

} // namespace vantrelis::dm
