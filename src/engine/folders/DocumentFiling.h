#pragma once

#include "common/Log.h"
#include "config/RuleTable.h"
#include "dm/SqlGateway.h"
#include "engine/FolderOperations.h"

#include <QString>
#include <QStringList>

namespace vantrelis::engine {

// Turns a folder rule's path template into the statement that selects the documents belonging in
// a folder: those whose profile reaches the folder's own values through the same lookup tables.
// The statements built for a rule are kept in its working fields until the rules are loaded again.
class DocumentFiling {
public:
    DocumentFiling(dm::SqlGateway& gateway, Log& log, RuleTable& rules);

    // The documents statement for the folder, or an empty text when there is nothing to file or a
    // step failed. Never raises.
    QString AddDocsSQL(qint64 folderDocNumber, int ruleIndex);
    // The documents statement for a folder a check-only run plans: the folder's values query is
    // answered with the planned profile's values in place of its PROFILE columns. Never raises.
    QString PlannedDocsSQL(const PlannedProfile& profile, int ruleIndex);

private:
    struct Statements {
        QString valuesQuery;
        QString documentsQuery;
        QString matchList;
    };
    struct Lists {
        QStringList select;
        QStringList from;
        QStringList joins;
        QStringList matches;
        bool foldersExcluded = false;
    };

    // The rule's statements, built on the first call for it.
    Statements RuleStatements(int ruleIndex);
    // Sends the folder's values query and answers the documents statement; empty without a row.
    QString Documents(const Statements& statements, const QString& valuesQuery);
    // The values query with the planned profile's values written in place of its PROFILE columns.
    QString PlannedValuesQuery(const QString& valuesQuery, const PlannedProfile& profile);
    Statements Build(const QString& pathTemplate);
    void AddToken(const QString& token, Lists& lists);
    // Adds one column path ("MATTER.CLIENT_ID.CLIENT_ID"), walked from PROFILE through DOCSCOLUMN,
    // to the statements' lists.
    void AddColumnPath(const QString& token, Lists& lists);

    dm::SqlGateway& m_gateway;
    Log& m_log;
    RuleTable& m_rules;
};

} // namespace vantrelis::engine
