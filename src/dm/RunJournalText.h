#pragma once

#include <QString>
#include <utility>
#include <vector>

namespace vantrelis::dm {

// The compact JSON texts of the run journal's before and after values.
namespace RunJournalText {

// Profile columns by name and value; a null value: the column has none.
using ColumnList = std::vector<std::pair<QString, QString>>;

// {"NAME":"value",...} in the order given; a null value (a column without one) as null.
QString ColumnValues(const ColumnList& values);
// [[trustee SYSTEM_ID,rights],...] in the order given.
QString Trustees(const std::vector<std::pair<qint64, qint64>>& trustees);
// Reads Trustees' text; false when the text is not such a list.
bool ReadTrustees(const QString& text, std::vector<std::pair<qint64, qint64>>& trustees);

// A chain row's links: its FOLDER_ITEM row, whether it heads the chain, the row after it.
struct ChainLink {
    qint64 row = 0;
    bool isFirst = false;
    qint64 next = 0;
};
// [[row,"Y"|"N",next],...] in the order given.
QString ChainRows(const std::vector<ChainLink>& links);
// Reads ChainRows' text; false when the text is not such a list.
bool ReadChainRows(const QString& text, std::vector<ChainLink>& links);

} // namespace RunJournalText

} // namespace vantrelis::dm
