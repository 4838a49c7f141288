#pragma once

#include "common/Log.h"
#include "config/DefinitionEditorModel.h"
#include "config/ImportSetTable.h"
#include "dm/SqlGateway.h"

#include <QSet>

namespace vantrelis {

// Loads and saves the import set definitions of the current library (QORV_SETTINGS rows with
// SECTION_KEY "IMPORT_FOLDERS").
class ImportSets {
public:
    ImportSets(dm::SqlGateway& gateway, ImportSetTable& table, Log& log);

    // Rebuilds the import set table from the current library.
    void LoadImportSets();
    // Replaces the stored rows of the set at the editor's 0-based chooser index with what the
    // editor shows, and mirrors them in the import set table.
    void SaveDefinition(const DefinitionEditorModel& editor, int index);

    // The definition text of an editor column row: name:start:end:default:sort.
    static QString ColumnDefinition(const DefinitionColumnRow& row);
    // "Import Set NAME has no columns": a set without a column row cuts no value from a line.
    static QString NoColumnsText(const QString& setName);

private:
    // Sends one INSERT and mirrors it into the table; the table row it went to, 0 when the database
    // wrote no row.
    int Insert(const QString& name, const QString& key, const QString& definition, const QString& position);
    // Removes the set's rows of the current library that this save did not write.
    void DropUnwritten(const QString& name, const QSet<int>& written);

    dm::SqlGateway& m_gateway;
    ImportSetTable& m_table;
    Log& m_log;
};

} // namespace vantrelis
