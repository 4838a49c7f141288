#include "engine/security/TrusteePosting.h"

#include "common/Fault.h"
#include "common/FaultReport.h"
#include "common/Text.h"

namespace vantrelis::engine {

TrusteePosting::TrusteePosting(dm::DmSession& session, Log& log) : m_session(session), m_log(log) {}

void TrusteePosting::PostPOG(qint64 docNumber, const QString& trusteeName, int trusteeKind, int trusteeAction,
                             qint32 rights, bool& succeeded) {
    const QString doc = FormatWhole(docNumber);
    const bool person = trusteeKind == 1;
    try {
        const std::shared_ptr<dm::DmProfile> profile = m_session.currentProfile;
        if (profile) {
            if (trusteeAction == kRemove) {
                m_log.ShowStatus(QStringLiteral("Removing any existing Security for Document #") + doc +
                                 QStringLiteral(" PersonOrGroup ") + trusteeName);
                try {
                    if (const auto trustees = profile->trustees()) {
                        if (person)
                            trustees->removePerson(trusteeName);
                        else
                            trustees->removeGroup(trusteeName);
                    }
                } catch (...) {
                    // Nothing to remove: the save below still runs and decides.
                }
            } else {
                if (rights <= 0) {
                    rights = kDenyRights;
                    m_log.ShowStatus(
                        (person ? QStringLiteral("Enhanced ACL enabled - Denying access to User ")
                                : QStringLiteral("Enhanced ACL enabled - Denying access to Group ")) +
                        trusteeName);
                } else {
                    m_log.ShowStatus(QStringLiteral("Adding Security for Document #") + doc +
                                     (person ? QStringLiteral(" User ") : QStringLiteral(" Group ")) +
                                     trusteeName + QStringLiteral(" Rights ") + FormatWhole(rights));
                }
                const auto trustees = profile->trustees();
                if (!trustees)
                    throw Fault(kObjectNotSetNumber, QStringLiteral("PostPOG"),
                                QStringLiteral("Object variable not set (trustee list)"));
                if (person)
                    trustees->addPerson(trusteeName, rights);
                else
                    trustees->addGroup(trusteeName, rights);
            }
            if (profile->save(3)) {
                succeeded = true;
                return;
            }
        }
    } catch (...) {
        // Reported as a problem below, as every other failure of the change.
    }
    m_log.WriteLog(QStringLiteral("Problem: Posting this trustee change to profile for Document #") + doc);
    succeeded = false;
}

} // namespace vantrelis::engine
