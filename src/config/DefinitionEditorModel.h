#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace vantrelis {

// One row of the import set editor's column list, as the cells show it.
struct DefinitionColumnRow {
    QString columnName;
    QString startPos;
    QString endPos;
    QString defaultValue;
    QString sort;
};

// What the import set editor holds: the set chooser's entries, the delimiter box and the column list.
struct DefinitionEditorModel {
    QStringList setNames;
    QString delimiter;
    std::vector<DefinitionColumnRow> columns;
};

} // namespace vantrelis
