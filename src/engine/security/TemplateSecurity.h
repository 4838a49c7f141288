#pragma once

#include "common/Log.h"
#include "config/RuleTable.h"
#include "dm/SqlGateway.h"
#include "engine/security/ProfilePartiesLookup.h"
#include "engine/security/SecurityTemplate.h"
#include "engine/security/TrusteePosting.h"

namespace vantrelis::engine {

// Gives a document or folder profile the trustees of a security template through the object
// model: the profile goes into the session's current profile slot, every trustee is posted (and
// saved) one by one, the typist and author are made sure of full rights, and DOCS_USERS gets 127
// when the template grants nobody anything and does not name it.
class TemplateSecurity {
public:
    TemplateSecurity(dm::SqlGateway& gateway, Log& log, const RuleTable& rules, TrusteePosting& posting);

    // ruleIndex names the folder rule whose RULE_APPEND_TRUSTEES applies: 1 keeps the profile's
    // trustees, anything else replaces them. The current profile slot is empty again on return.
    // What a failed parties lookup does: the fallback (security off, trustee 0 with full rights),
    // or, for a document being filed, nothing.
    enum class PartiesMissing { Fallback, KeepSecurity };
    void AddSecurity(qint64 docNumber, const QString& securityTemplate, int ruleIndex, bool& succeeded,
                     PartiesMissing partiesMissing = PartiesMissing::Fallback);
    // Whether the last AddSecurity ended because the document's parties could not be found.
    bool partiesMissing() const { return m_partiesMissing; }

private:
    static constexpr int kSaveMode = 3;
    static constexpr int kOpenMode = 16 + kSaveMode;
    static constexpr qint64 kFullRights = 255;

    // What posting the table found out, for the steps after it.
    struct Posted {
        qint64 typistRights = -1; // -1: the template did not name the typist
        qint64 authorRights = -1;
        bool docsUsersNamed = false;
        bool positiveRights = false;
    };

    // Steps from the parties lookup to the final save; the posting-failure exit included.
    bool Assign(qint64 docNumber, const QString& securityTemplate, int ruleIndex,
                PartiesMissing partiesMissing);
    // Drops the profile's trustee list unless the rule appends; faults here are passed over.
    void ClearExisting(dm::DmProfile& profile, const QString& doc, int ruleIndex);
    // Posts the table; false when a grant was not stored.
    bool PostTable(qint64 docNumber, TrusteeTable& table, const ProfileParties& parties, const QString& user,
                   Posted& posted);
    // Raises the row of the typist or author to full rights; answers the rights it will be posted with.
    qint64 Guarantee(TrusteeRow& row, const QString& role);
    // A typist or author whom the template did not name; false as PostTable.
    bool PostParty(qint64 docNumber, const QString& status, const QString& userId, const QString& user);
    // Removes the trustee's entry, then grants rights; false when the grant was not stored.
    bool Post(qint64 docNumber, const QString& name, int kind, qint64 rights);
    // The posting-failure exit: ends the trustee edit, closes the profile, empties the slot; false.
    bool PostingFailed();
    // Closes the profile and empties the slot, restores the pointer and status text; never raises.
    void Finish(StatusView* view, bool wasBusy, const QString& status) noexcept;
    void Separator();

    dm::DmSession& m_session;
    Log& m_log;
    const RuleTable& m_rules;
    TrusteePosting& m_posting;
    ProfilePartiesLookup m_parties;
    bool m_partiesMissing = false;
};

} // namespace vantrelis::engine
