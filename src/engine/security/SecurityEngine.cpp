#include "engine/security/SecurityEngine.h"

namespace vantrelis::engine {

SecurityEngine::SecurityEngine(dm::SqlGateway& gateway, Log& log, const RuleTable& rules)
    : m_inheritance(gateway, log), m_posting(gateway.session(), log),
      m_templates(gateway, log, rules, m_posting) {}

void SecurityEngine::InheritSecurity(qint64 docNumber, qint64 parentFolder, bool& succeeded) {
    m_inheritance.InheritSecurity(docNumber, parentFolder, succeeded);
}

void SecurityEngine::AddSecurity(qint64 docNumber, const QString& securityTemplate, int ruleIndex,
                                 bool& succeeded) {
    m_templates.AddSecurity(docNumber, securityTemplate, ruleIndex, succeeded);
}

void SecurityEngine::AddDocumentSecurity(qint64 docNumber, const QString& securityTemplate, int ruleIndex,
                                         bool& succeeded, bool& partiesFound) {
    m_templates.AddSecurity(docNumber, securityTemplate, ruleIndex, succeeded,
                            TemplateSecurity::PartiesMissing::KeepSecurity);
    partiesFound = !m_templates.partiesMissing();
}

void SecurityEngine::PostPOG(qint64 docNumber, const QString& trusteeName, int trusteeKind, int trusteeAction,
                             qint32 rights, bool& succeeded) {
    m_posting.PostPOG(docNumber, trusteeName, trusteeKind, trusteeAction, rights, succeeded);
}

} // namespace vantrelis::engine
