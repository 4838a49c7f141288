#pragma once

#include "common/Log.h"
#include "config/RuleTable.h"
#include "dm/SqlGateway.h"
#include "dm/SqlRows.h"

namespace vantrelis {

// Reads the folder rules and the settings rows of the current library's QORV_SETTINGS table.
class FolderRules {
public:
    static QString DefaultRuleName() { return QStringLiteral("***DEFAULT RULE***"); }

    FolderRules(dm::SqlGateway& gateway, RuleTable& rules, Log& log);

    // Rebuilds the rule table and the library's general settings. A library without the settings
    // table has no rules; one whose table holds no rule rows gets the default rule.
    void LoadRules();

    // Fills a row with the default rule of a library.
    static void SetDefaultRule(RuleTable& rules, int row, const QString& libraryName);

private:
    void ReadRow(const dm::SqlRows& rows, const QString& libraryName);

    dm::SqlGateway& m_gateway;
    RuleTable& m_rules;
    Log& m_log;
};

} // namespace vantrelis
