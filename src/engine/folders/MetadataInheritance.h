#pragma once

#include "common/Log.h"
#include "config/RuleTable.h"
#include "dm/SqlGateway.h"
#include "engine/folders/ForeignColumnList.h"

#include <QString>
#include <utility>
#include <vector>

namespace vantrelis::engine {

// Shares the foreign (lookup) columns of a profile between a folder and an item just linked into
// it: the item's empty columns take the folder's values, then the folder's empty columns take the
// item's. Values set on both sides stay. Works by SQL on PROFILE alone.
class MetadataInheritance {
public:
    MetadataInheritance(dm::SqlGateway& gateway, Log& log, const RuleTable& rules,
                        const ForeignColumnList& columns);

    // Runs when the rule's RULE_PROFILE_INHERIT_METADATA is set. Each case that stops is logged;
    // a fault goes on to the caller.
    void Inherit(qint64 itemDocNumber, qint64 parentFolder, int ruleIndex);

private:
    // (column name, value) of one query's first row, both trimmed of blanks.
    using ResultList = std::vector<std::pair<QString, QString>>;

    // Sends "SELECT columns FROM PROFILE WHERE DOCNUMBER = docNumber"; `hasColumns` tells whether
    // the answer had any column.
    ResultList Read(const QString& columns, qint64 docNumber, bool& hasColumns);
    // Fills the empty columns of `target` from `source`; the texts name the two sides.
    void Fill(const ResultList& targetValues, qint64 target, qint64 source, const QString& noEmptyText,
              const QString& noValuesText, const QString& onlyEmptyText);

    static QString EmptyNames(const ResultList& values);
    static QString SetList(const ResultList& values);

    dm::SqlGateway& m_gateway;
    Log& m_log;
    const RuleTable& m_rules;
    const ForeignColumnList& m_columns;
};

} // namespace vantrelis::engine
