#pragma once

#include <QString>
#include <utility>
#include <vector>

namespace vantrelis::dm {

// The compact JSON texts of the run journal's before and after values.
namespace RunJournalText {

// {"NAME":"value",...} in the order given.
QString ColumnValues(const std::vector<std::pair<QString, QString>>& values);
// [[trustee SYSTEM_ID,rights],...] in the order given.
QString Trustees(const std::vector<std::pair<qint64, qint64>>& trustees);

} // namespace RunJournalText

} // namespace vantrelis::dm
