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

private:
    dm::SqlGateway& m_gateway;
    Log& m_log;
};

} // namespace vantrelis::engine
