#include "engine/security/TemplateSecurity.h"

#include "common/Fault.h"
#include "common/FaultReport.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"

#include <limits>

namespace vantrelis::engine {

namespace {

const QString kDocsUsers = QStringLiteral("DOCS_USERS");

[[noreturn]] void ObjectNotSet(const QString& what) {
    throw Fault(kObjectNotSetNumber, QStringLiteral("AddSecurity"),
                QStringLiteral("Object variable not set (") + what + QLatin1Char(')'));
}

// Runs one call whose fault is to be passed over.
template <class Call> void Ignoring(Call call) noexcept {
    try {
        call();
    } catch (...) {
    }
}

std::shared_ptr<dm::DmColumn> DefaultRights(dm::DmProfile& profile) {
    const auto columns = profile.columns();
    return columns ? columns->item(QStringLiteral("$DEFAULT_RIGHTS")) : nullptr;
}

// Rights are posted as 32-bit numbers; a template asking for more is refused before anything is
// posted, rather than posting a value the library would read as something else.
void CheckRange(const TrusteeTable& table) {
    for (const TrusteeRow& row : table) {
        if (row.rights > std::numeric_limits<qint32>::max() ||
            row.rights < std::numeric_limits<qint32>::min())
            throw Fault(kOverflowNumber, QStringLiteral("AddSecurity"),
                        QStringLiteral("Overflow: rights ") + FormatWhole(row.rights) +
                            QStringLiteral(" for trustee ") + row.name + QStringLiteral(" are out of range"));
    }
}

} // namespace

TemplateSecurity::TemplateSecurity(dm::SqlGateway& gateway, Log& log, const RuleTable& rules,
                                   TrusteePosting& posting)
    : m_session(gateway.session()), m_log(log), m_rules(rules), m_posting(posting), m_parties(gateway, log) {}

void TemplateSecurity::Separator() {
    m_log.WriteLog(StandardLines::StepSeparator());
}

void TemplateSecurity::AddSecurity(qint64 docNumber, const QString& securityTemplate, int ruleIndex,
                                   bool& succeeded, PartiesMissing partiesMissing) {
    m_partiesMissing = false;
    if (securityTemplate.isEmpty() || docNumber == 0) {
        m_log.ShowStatus(QStringLiteral("Error: Cannot add security for document #") +
                         FormatWhole(docNumber));
        succeeded = false;
        return;
    }
    StatusView* view = m_log.statusView();
    const QString status = m_log.StatusLabel();
    bool wasBusy = false;
    try {
        if (view) {
            wasBusy = view->isBusy();
            view->setBusy(true);
        }
        succeeded = Assign(docNumber, securityTemplate, ruleIndex, partiesMissing);
    } catch (...) {
        ReportCurrentFault(m_log);
        m_log.ShowStatus(QStringLiteral("Error: Adding security to item"));
        succeeded = false;
    }
    Finish(view, wasBusy, status);
}

bool TemplateSecurity::Assign(qint64 docNumber, const QString& securityTemplate, int ruleIndex,
                              PartiesMissing partiesMissing) {
    const QString doc = FormatWhole(docNumber);
    m_log.ShowStatus(QStringLiteral("Assigning security for document using template ") + securityTemplate);
    Separator();

    ProfileParties parties;
    if (partiesMissing == PartiesMissing::KeepSecurity) {
        if (!m_parties.LookupKeepingSecurity(docNumber, parties)) {
            m_partiesMissing = true;
            return false;
        }
    } else if (!m_parties.Lookup(docNumber, parties)) {
        return false;
    }
    TrusteeTable table = SecurityTemplate::Resolve(securityTemplate, parties, [this](const TrusteeRow& row) {
        m_log.WriteLog(QStringLiteral("Adding trustee ") + row.name + QStringLiteral(" with rights ") +
                       FormatWhole(row.rights));
    });
    if (table.empty()) {
        m_log.WriteLog(QStringLiteral("No trustees identified for this template"));
        return true;
    }
    CheckRange(table);
    m_log.WriteLog(FormatWhole(static_cast<qint64>(table.size())) +
                   QStringLiteral(" trustees identified for this document"));
    Separator();
    m_log.WriteLog(QStringLiteral("Opening Document #") + doc + QStringLiteral(" for processing trustees"));

    const std::shared_ptr<dm::DmLibrary> library = m_session.currentLibrary;
    if (!library)
        ObjectNotSet(QStringLiteral("current library"));
    m_session.currentProfile = library->profile(docNumber);
    const std::shared_ptr<dm::DmProfile> profile = m_session.currentProfile;
    if (!profile)
        return false;
    if (profile->open(kOpenMode) != 1) {
        m_log.WriteLog(QStringLiteral("Error: Unable to open Document #") + doc);
        return false;
    }

    ClearExisting(*profile, doc, ruleIndex);

    m_log.WriteLog(QStringLiteral("Commencing edit of trustees for Document #") + doc);
    const auto rights = DefaultRights(*profile);
    if (!rights)
        ObjectNotSet(QStringLiteral("$DEFAULT_RIGHTS"));
    rights->setValue(QStringLiteral("1"));
    const std::shared_ptr<dm::DmTrustees> trustees = profile->trustees();
    if (!trustees)
        ObjectNotSet(QStringLiteral("trustee list"));
    trustees->beginEdit();
    m_log.WriteLog(QStringLiteral("Trustees object opened for edit"));
    Separator();

    const QString user = library->userName();
    Posted posted;
    if (!PostTable(docNumber, table, parties, user, posted))
        return PostingFailed();
    if (posted.typistRights == -1 &&
        !PostParty(docNumber, QStringLiteral("Processing Security for Typist "), parties.typistId, user))
        return PostingFailed();
    if (posted.authorRights == -1 && parties.authorId != parties.typistId &&
        !PostParty(docNumber, QStringLiteral("Processing Security for Author "), parties.authorId, user))
        return PostingFailed();
    if (!posted.docsUsersNamed && !posted.positiveRights) {
        m_log.ShowStatus(QStringLiteral("Processing Security for DOCS_USERS"));
        if (!Post(docNumber, kDocsUsers, SecurityTemplate::kGroup, 127))
            return PostingFailed();
        Separator();
    }

    m_log.ShowStatus(QStringLiteral("Finished adding trustees for Document #") + doc);
    trustees->endEdit(true);
    m_log.ShowStatus(QStringLiteral("Saving Security changes for Document #") + doc);
    if (profile->save(kSaveMode))
        return true;
    m_log.WriteLog(QStringLiteral("Problem: Saving trustee changes to profile for Document #") + doc);
    return false;
}

void TemplateSecurity::ClearExisting(dm::DmProfile& profile, const QString& doc, int ruleIndex) {
    if (LeadingNumber(m_rules.field(ruleIndex, RuleTable::kAppendTrustees)) == 1)
        return;
    m_log.ShowStatus(QStringLiteral("Checking Existing Security for Document #") + doc);
    std::shared_ptr<dm::DmColumn> rights;
    bool secured = false;
    Ignoring([&] {
        rights = DefaultRights(profile);
        secured = profile.trustees() && rights && LeadingNumber(rights->value()) != 0;
    });
    if (secured) {
        m_log.WriteLog(QStringLiteral("Removing Existing Security for Document #") + doc);
        Ignoring([&] { rights->setValue(QStringLiteral("0")); });
        m_log.WriteLog(QStringLiteral("Saving changes to profile for Document #") + doc);
        bool saved = false;
        Ignoring([&] { saved = profile.save(kSaveMode); });
        m_log.WriteLog((saved ? QStringLiteral("Changes saved to profile for Document #")
                              : QStringLiteral("Problem: Saving changes to profile for Document #")) +
                       doc);
    }
    Separator();
}

bool TemplateSecurity::PostTable(qint64 docNumber, TrusteeTable& table, const ProfileParties& parties,
                                 const QString& user, Posted& posted) {
    const QString upperUser = user.toUpper();
    for (TrusteeRow& row : table) {
        if (row.rights > 0)
            posted.positiveRights = true;
        if (row.name == kDocsUsers)
            posted.docsUsersNamed = true;
        if (row.name == parties.typistId)
            posted.typistRights = Guarantee(row, QStringLiteral(" is the Typist - assigning "));
        if (row.name == parties.authorId)
            posted.authorRights = Guarantee(row, QStringLiteral(" is the Author - assigning "));
        // The running user's own entry stays as it is.
        if (row.name.toUpper() == upperUser)
            continue;
        if (!Post(docNumber, row.name, row.kind, row.rights))
            return false;
        Separator();
    }
    return true;
}

qint64 TemplateSecurity::Guarantee(TrusteeRow& row, const QString& role) {
    if (row.rights < kFullRights) {
        m_log.WriteLog(row.name + role + FormatWhole(kFullRights) + QStringLiteral(" rights"));
        row.rights = kFullRights;
    }
    return row.rights;
}

bool TemplateSecurity::PostParty(qint64 docNumber, const QString& status, const QString& userId,
                                 const QString& user) {
    if (user == userId)
        return true;
    m_log.ShowStatus(status + userId);
    if (!Post(docNumber, userId, SecurityTemplate::kPerson, kFullRights))
        return false;
    Separator();
    return true;
}

bool TemplateSecurity::Post(qint64 docNumber, const QString& name, int kind, qint64 rights) {
    bool removed = false;
    m_posting.PostPOG(docNumber, name, kind, TrusteePosting::kRemove, 0, removed);
    bool granted = false;
    m_posting.PostPOG(docNumber, name, kind, 1, static_cast<qint32>(rights), granted);
    return granted;
}

bool TemplateSecurity::PostingFailed() {
    Ignoring([this] {
        if (const auto profile = m_session.currentProfile) {
            if (const auto trustees = profile->trustees())
                trustees->endEdit(true);
            profile->close();
        }
    });
    m_session.currentProfile.reset();
    return false;
}

void TemplateSecurity::Finish(StatusView* view, bool wasBusy, const QString& status) noexcept {
    Ignoring([this] {
        if (const auto profile = m_session.currentProfile)
            profile->close();
    });
    m_session.currentProfile.reset();
    Separator();
    Ignoring([&] {
        if (view)
            view->setBusy(wasBusy);
    });
    m_log.SetStatusLabel(status);
    m_log.Yield();
}

} // namespace vantrelis::engine
