#pragma once

#include <QString>

namespace vantrelis::dm::local {

// One entry of a profile's trustee list: a SECURITY row seen through the object model.
struct TrusteeEntry {
    qint64 id = 0; // SECURITY.PERSONORGROUP: a PEOPLE or GROUPS SYSTEM_ID, or 0
    QString name;  // USER_ID or GROUP_ID as stored; empty for trustee 0 or an unknown id
    bool isGroup = false;
    qint64 rights = 0; // ACCESSRIGHTS; a denial is kDeniedRights
};

} // namespace vantrelis::dm::local
