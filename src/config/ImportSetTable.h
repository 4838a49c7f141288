#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace vantrelis {

// One stored row of an import set: its library, the set name (SUB_KEY) and one definition text
// (CHAR_VAL): "DELIMITER:" + delimiter, or name:start:end:default:sort of a column.
struct ImportSetRow {
    QString library;
    QString setName;
    QString definition;
};

// The import set table of the current library: rows 1..count() in the order the database gave them.
class ImportSetTable {
public:
    int count() const { return static_cast<int>(m_rows.size()); }
    // 1-based.
    const ImportSetRow& row(int index) const { return m_rows.at(static_cast<size_t>(index - 1)); }
    void setRow(int index, const ImportSetRow& row) { m_rows.at(static_cast<size_t>(index - 1)) = row; }
    void Clear() { m_rows.clear(); }
    void Append(const ImportSetRow& row) { m_rows.push_back(row); }
    // Removes every row for which drop(row number, row) is true; the others keep their order.
    void RemoveIf(const std::function<bool(int, const ImportSetRow&)>& drop);

    // The definitions of one set of a library, in table order; names compared ignoring case.
    std::vector<QString> Definitions(const QString& libraryName, const QString& setName) const;

private:
    std::vector<ImportSetRow> m_rows;
};

} // namespace vantrelis
