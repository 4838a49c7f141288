#pragma once

#include "dm/local/LibraryStore.h"
#include "dm/local/TrusteeEntry.h"

#include <QString>
#include <vector>

namespace vantrelis::dm::local {

// Lists the trustees (SECURITY rows) of a document or folder profile for an administrator.
class TrusteeLister {
public:
    // Rows in the order they were stored, names resolved through PEOPLE and GROUPS.
    // Raises a Fault when the document number has no profile.
    static std::vector<TrusteeEntry> List(LibraryStore& database, qint64 docNumber);
    // "DENY" for a denial, else the number.
    static QString RightsText(qint64 rights);
    // "person", "group", "trustee 0" or "unknown" (a number that names nobody).
    static QString KindText(const TrusteeEntry& entry);
};

} // namespace vantrelis::dm::local
