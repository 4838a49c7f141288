#include "config/ImportSetTable.h"

namespace vantrelis {

std::vector<QString> ImportSetTable::Definitions(const QString& libraryName, const QString& setName) const {
    std::vector<QString> definitions;
    for (const ImportSetRow& row : m_rows)
        if (row.library.compare(libraryName, Qt::CaseInsensitive) == 0 &&
            row.setName.compare(setName, Qt::CaseInsensitive) == 0)
            definitions.push_back(row.definition);
    return definitions;
}

} // namespace vantrelis
