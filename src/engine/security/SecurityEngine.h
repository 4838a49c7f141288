#pragma once

#include "common/Log.h"
#include "config/RuleTable.h"
#include "dm/SqlGateway.h"
#include "engine/DocumentSecurity.h"
#include "engine/security/SecurityInheritance.h"
#include "engine/security/TemplateSecurity.h"
#include "engine/security/TrusteePosting.h"

namespace vantrelis::engine {

// The security engine: security copied from a folder, trustees by template, and single trustee
// changes on the profile in the session's current profile slot. Works on the current library of
// the gateway's session; no call lets a fault escape.
class SecurityEngine : public DocumentSecurity {
public:
    SecurityEngine(dm::SqlGateway& gateway, Log& log, const RuleTable& rules);

    void InheritSecurity(qint64 docNumber, qint64 parentFolder, bool& succeeded) override;
    void AddSecurity(qint64 docNumber, const QString& securityTemplate, int ruleIndex,
                     bool& succeeded) override;
    void AddDocumentSecurity(qint64 docNumber, const QString& securityTemplate, int ruleIndex,
                             bool& succeeded, bool& partiesFound) override;
    void PostPOG(qint64 docNumber, const QString& trusteeName, int trusteeKind, int trusteeAction,
                 qint32 rights, bool& succeeded);

private:
    SecurityInheritance m_inheritance;
    TrusteePosting m_posting;
    TemplateSecurity m_templates;
};

} // namespace vantrelis::engine
