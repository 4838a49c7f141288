#pragma once

#include <QString>

namespace vantrelis::engine {

// The security engine as the folder engine calls it: a new folder or a filed document gets its
// parent folder's security, or the trustees of the rule's security template. Either answer is in
// `succeeded`; neither call lets a fault escape.
class DocumentSecurity {
public:
    virtual ~DocumentSecurity() = default;

    // Replaces docNumber's trustees with its author and typist (255) and a copy of parentFolder's
    // other trustees, and switches its security on.
    virtual void InheritSecurity(qint64 docNumber, qint64 parentFolder, bool& succeeded) = 0;
    // Posts the trustees of securityTemplate to docNumber's profile; ruleIndex names the folder
    // rule whose RULE_APPEND_TRUSTEES applies.
    virtual void AddSecurity(qint64 docNumber, const QString& securityTemplate, int ruleIndex,
                             bool& succeeded) = 0;
    // AddSecurity for a document being filed. When its author or typist cannot be found, nothing
    // weakens its security: partiesFound is false, succeeded false, and nothing is written (the
    // caller undoes what the filing wrote before).
    virtual void AddDocumentSecurity(qint64 docNumber, const QString& securityTemplate, int ruleIndex,
                                     bool& succeeded, bool& partiesFound) {
        partiesFound = true;
        AddSecurity(docNumber, securityTemplate, ruleIndex, succeeded);
    }
};

} // namespace vantrelis::engine
