#pragma once

#include "common/Log.h"
#include "dm/SqlGateway.h"
#include "engine/security/SecurityTemplate.h"

namespace vantrelis::engine {

// Reads a document's author and typist and their primary groups from the library, the parties
// that a security template's "%" tokens name.
class ProfilePartiesLookup {
public:
    ProfilePartiesLookup(dm::SqlGateway& gateway, Log& log);

    // True with the four parties. Without a row (no profile, or an author or typist that has no
    // person row or primary group) the document is given a warning, its security is switched off
    // and trustee 0 is given full rights on it; the answer is then false.
    bool Lookup(qint64 docNumber, ProfileParties& parties);
    // As Lookup, but without a row nothing is written: an error line names the document, whose
    // security stays as it is.
    bool LookupKeepingSecurity(qint64 docNumber, ProfileParties& parties);

private:
    // The one query; false when it gives no row.
    bool Read(const QString& doc, ProfileParties& parties);

    dm::SqlGateway& m_gateway;
    Log& m_log;
};

} // namespace vantrelis::engine
