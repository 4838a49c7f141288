#pragma once

#include "common/Log.h"
#include "dm/DmConstants.h"
#include "dm/DmSession.h"

namespace vantrelis::engine {

// One change to the trustee list of the profile in the session's current profile slot, saved at
// once: a removal, a grant, or a denial.
class TrusteePosting {
public:
    // What a denial is posted with (hex 7FFF0000).
    static constexpr qint32 kDenyRights = static_cast<qint32>(dm::kDeniedRights);
    // trusteeAction value that removes the trustee's entry.
    static constexpr int kRemove = -1;

    TrusteePosting(dm::DmSession& session, Log& log);

    // trusteeKind 1 is a person, anything else a group; trusteeAction -1 removes the entry (a
    // trustee without one is passed over), any other value adds it with `rights`, or denies it when
    // rights are 0 or less. `succeeded` tells whether the profile was saved after the change.
    void PostPOG(qint64 docNumber, const QString& trusteeName, int trusteeKind, int trusteeAction,
                 qint32 rights, bool& succeeded);

private:
    dm::DmSession& m_session;
    Log& m_log;
};

} // namespace vantrelis::engine
