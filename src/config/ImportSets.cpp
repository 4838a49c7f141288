#include "config/ImportSets.h"

#include "common/FaultReport.h"
#include "common/LibraryQueries.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/StatusView.h"
#include "common/Text.h"
#include "dm/LibraryDamaged.h"
#include "dm/SqlRows.h"

#include <QSet>

namespace vantrelis {

namespace {
// The text the database keeps of an escaped literal.
QString StoredText(const QString& text) {
    return EscapeSQLText(text).replace(QLatin1String("''"), QLatin1String("'"));
}
} // namespace

ImportSets::ImportSets(dm::SqlGateway& gateway, ImportSetTable& table, Log& log)
    : m_gateway(gateway), m_table(table), m_log(log) {}

void ImportSets::LoadImportSets() {
    try {
        m_table.Clear();
        const QString libraryName = m_gateway.session().LibraryName();
        m_log.WriteLog(QStringLiteral("Retrieving any existing import sets from library ") + libraryName);
        // The connection has found no settings table: the query could only fail and log an error.
        if (!m_gateway.library().settingsTablePresent())
            return;
        dm::SqlRows rows(m_gateway,
                         QStringLiteral("SELECT SUB_KEY, CHAR_VAL FROM ") + SettingsRowsWhere() +
                             QStringLiteral(" AND SECTION_KEY = 'IMPORT_FOLDERS' ORDER BY SUB_KEY"));
        for (bool more = rows.rowCount() != 0; more; more = rows.next()) {
            const QString setName = rows.value(1);
            if (!setName.isEmpty())
                m_table.Append({libraryName, setName, rows.value(2)});
        }
    } catch (const dm::LibraryDamaged&) {
        throw; // the connection reports it and fails
    } catch (...) {
        ReportCurrentFault(m_log);
    }
}

QString ImportSets::ColumnDefinition(const DefinitionColumnRow& row) {
    const QString colon = QStringLiteral(":");
    return TrimBlanks(TrimBlanks(row.columnName) + colon + FormatWhole(LeadingWhole(row.startPos)) + colon +
                      FormatWhole(LeadingWhole(row.endPos)) + colon + TrimBlanks(row.defaultValue) + colon +
                      FormatWhole(LeadingWhole(row.sort)));
}

QString ImportSets::NoColumnsText(const QString& setName) {
    return QStringLiteral("Import Set ") + setName + QStringLiteral(" has no columns");
}

void ImportSets::SaveDefinition(const DefinitionEditorModel& editor, int index) {
    if (index < 0 || index >= editor.setNames.size())
        return;
    const QString name = editor.setNames.at(index);
    if (name.isEmpty())
        return;
    StatusView* view = m_log.statusView();
    try {
        if (view)
            view->setBusy(true);
        m_log.Yield();
        m_log.WriteLog(QStringLiteral("Saving Settings for Import Set ") + name);
        m_log.WriteLog(StandardLines::StepSeparator());
        bool deleted = false;
        {
            const dm::SqlRows removed(m_gateway, QStringLiteral("DELETE FROM ") + SettingsRowsWhere() +
                                                     QStringLiteral(" AND SECTION_KEY = 'IMPORT_FOLDERS' AND "
                                                                    "SUB_KEY = '") +
                                                     EscapeSQLText(name) + QLatin1Char('\''));
            deleted = removed.ok();
        }
        int rejected = 0;
        QSet<int> written;
        const auto insert = [&](const QString& key, const QString& definition, const QString& position) {
            if (const int row = Insert(name, key, definition, position))
                written.insert(row);
            else
                ++rejected;
        };
        if (!editor.delimiter.isEmpty()) {
            const QString key = QStringLiteral("DELIMITER");
            insert(key, key + QLatin1Char(':') + editor.delimiter, QStringLiteral("NULL"));
        }
        for (size_t i = 0; i < editor.columns.size(); ++i) {
            const DefinitionColumnRow& row = editor.columns[i];
            insert(TrimBlanks(row.columnName), ColumnDefinition(row),
                   FormatWhole(static_cast<qint64>(i) + 1));
        }
        // The table shows the set as the database now holds it: a delimiter that was emptied or a
        // column the rule dropped would otherwise still cut the next run's lines.
        if (deleted)
            DropUnwritten(name, written);
        if (view)
            view->setBusy(false);
        if (rejected != 0) {
            // A row the database refused is not saved: saying so keeps the user from trusting it.
            m_log.WriteLog(QStringLiteral("Error: ") + FormatWhole(rejected) +
                           QStringLiteral(" row(s) of Import Set ") + name +
                           QStringLiteral(" were not saved in library ") + m_gateway.session().LibraryName());
            m_log.ShowStatus(QStringLiteral("Error: Unable to complete this process"));
            return;
        }
        // Saved, but a run of it could not cut a line: the log says so where the save is.
        if (editor.columns.empty())
            m_log.WriteLog(NoColumnsText(name));
        m_log.WriteLog(QStringLiteral("Settings for Import Set ") + name +
                       QStringLiteral(" have been saved"));
        m_log.WriteLog(StandardLines::SectionEnd());
    } catch (...) {
        ReportCurrentFault(m_log);
        m_log.ShowStatus(QStringLiteral("Error: Unable to complete this process"));
        if (view)
            view->setBusy(false);
    }
}

void ImportSets::DropUnwritten(const QString& name, const QSet<int>& written) {
    const QString libraryName = m_gateway.session().LibraryName();
    m_table.RemoveIf([&](int row, const ImportSetRow& existing) {
        return !written.contains(row) && existing.setName == name &&
               existing.library.compare(libraryName, Qt::CaseInsensitive) == 0;
    });
}

int ImportSets::Insert(const QString& name, const QString& key, const QString& definition,
                       const QString& position) {
    {
        const dm::SqlRows inserted(
            m_gateway,
            QStringLiteral("INSERT INTO ") + OwnerPrefix() + QStringLiteral("QORV_SETTINGS (MASTER_KEY, ") +
                QStringLiteral("SECTION_KEY, SUB_KEY, ") + QStringLiteral("CHAR_VAL, INT_VAL, KEY_TYPE) ") +
                QStringLiteral("VALUES('") + QLatin1String(kSettingsMasterKey) +
                QStringLiteral("', 'IMPORT_FOLDERS', '") + EscapeSQLText(name) + QStringLiteral("', '") +
                EscapeSQLText(definition) + QStringLiteral("', ") + position + QStringLiteral(", 1)"));
        if (!inserted.sent() || inserted.rowsAffected() == 0)
            return 0;
    }

    // The row of this column is matched by its whole name, so that a column whose name begins
    // with another column's name keeps its own row.
    const QString libraryName = m_gateway.session().LibraryName();
    const QString prefix = key + QLatin1Char(':');
    const ImportSetRow mirrored{libraryName, name, StoredText(definition)};
    for (int row = 1; row <= m_table.count(); ++row) {
        const ImportSetRow& existing = m_table.row(row);
        if (existing.library.compare(libraryName, Qt::CaseInsensitive) == 0 && existing.setName == name &&
            existing.definition.startsWith(prefix)) {
            m_table.setRow(row, mirrored);
            return row;
        }
    }
    m_table.Append(mirrored);
    return m_table.count();
}

} // namespace vantrelis
