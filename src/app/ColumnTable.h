#pragma once

#include "config/ImportSetTable.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace vantrelis::app {

// One column definition of an import set. Start, end, default and sort are kept exactly as stored;
// numbers are read from them with their leading numeric value.
struct ImportColumn {
    QString name;  // trimmed, upper case: the template token is "%" + name + "%"
    QString start; // fixed columns: first character (1-based); delimited lines: field number
    QString end;   // fixed columns: last character
    QString defaultValue;
    QString sort;  // "1": sort the folder of this level after linking
    QString value; // the current line's value
};

// The column table of an import set: its columns in definition order and its delimiter (empty for
// fixed columns). Rebuilt for every run.
class ColumnTable {
public:
    // Loads the definitions of `setName` in `libraryName`, both names compared exactly.
    static ColumnTable Load(const ImportSetTable& importSets, const QString& libraryName,
                            const QString& setName);

    int count() const { return static_cast<int>(m_columns.size()); }
    const ImportColumn& column(int index) const { return m_columns.at(static_cast<size_t>(index)); }
    const std::vector<ImportColumn>& columns() const { return m_columns; }
    const QString& delimiter() const { return m_delimiter; }

    // Appends a column from a definition's name and the text after its first ":".
    void AddColumn(const QString& name, const QString& rest);
    void setDelimiter(const QString& delimiter) { m_delimiter = delimiter; }

    // The log lines that describe the definition, the rule's template, security and form.
    QStringList DefinitionLines(const QString& setName, const QString& templateText,
                                const QString& securityText, const QString& formName) const;

    // Fills every column's value from one import line (trailing blanks already removed): defaults
    // first, then the fixed positions or the delimited fields, then apostrophes and double quotes
    // taken out.
    void CutLine(const QString& line);

    // Sort flag of folder level `level` (1-based): the sort of column `level`, 1 beyond the last.
    bool SortFlag(int level) const;

private:
    void CutFixed(const QString& line);
    void CutDelimited(const QString& line);
    bool Incomplete(const ImportColumn& column) const;

    std::vector<ImportColumn> m_columns;
    QString m_delimiter;
};

} // namespace vantrelis::app
