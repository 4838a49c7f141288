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

void ImportSetTable::RemoveIf(const std::function<bool(int, const ImportSetRow&)>& drop) {
    std::vector<ImportSetRow> kept;
    kept.reserve(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (!drop(static_cast<int>(i) + 1, m_rows[i]))
            kept.push_back(std::move(m_rows[i]));
    m_rows = std::move(kept);
}

} // namespace vantrelis
