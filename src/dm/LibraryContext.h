#pragma once

#include "dm/DmConstants.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace vantrelis::dm {

// Facts about the current library and the cached per-library facts of the login: the engine,
// the library table, the settings-table flag and the library's general settings.
class LibraryContext {
public:
    // Fields of a library table row that the program fills.
    static constexpr int kFieldName = 1;
    static constexpr int kFieldSettingsTable = 2;    // "-1" or "0", empty until tested
    static constexpr int kFieldQuotedIdentifier = 4; // empty until tested
    static constexpr int kFieldCount = 17;

    int engineCode() const { return m_engineCode; }
    const QString& engineName() const { return m_engineName; }
    // Sets the code and chooses the name with it.
    void setEngine(int engineCode);

    // The library table: rows 1..libraryCount(), built once per program run.
    int libraryCount() const { return static_cast<int>(m_libraries.size()) - 1; }
    void BuildLibraryTable(const QStringList& names);
    // Empty text outside the table.
    QString libraryField(int row, int field) const;
    void setLibraryField(int row, int field, const QString& value);
    // Row whose name equals the given one, ignoring case; 0 when there is none.
    int FindLibrary(const QString& name) const;

    bool settingsTablePresent() const { return m_settingsTablePresent; }
    void setSettingsTablePresent(bool present) { m_settingsTablePresent = present; }

    // The one reader of the library's general settings rows of QORV_SETTINGS, wherever they are
    // read: SUB_KEY in any letter case and without surrounding blanks, CHAR_VAL trimmed, and
    // PARENT_FOLDER a whole number from 1 to 2147483647 (empty or 0: none). A PARENT_FOLDER that is
    // no folder number leaves none and answers a warning line, once per library connection;
    // otherwise the answer is empty.
    QString ApplySetting(const QString& subKey, const QString& charValue, const QString& intValue);
    // Forgets the general settings (and the warnings given): a key the next library does not set
    // must not keep this library's value.
    void ClearSettings();

    // General settings of the current library (settings rows of QORV_SETTINGS).
    const QString& profileExcludeColumn() const { return m_profileExcludeColumn; }
    void setProfileExcludeColumn(const QString& column) { m_profileExcludeColumn = column; }
    const QString& rootFolder() const { return m_rootFolder; }
    void setRootFolder(const QString& folder) { m_rootFolder = folder; }
    qint64 parentFolder() const { return m_parentFolder; }
    void setParentFolder(qint64 docNumber) { m_parentFolder = docNumber; }

private:
    using Row = std::array<QString, kFieldCount>;

    int m_engineCode = 0;
    QString m_engineName = EngineName(0);
    // Row 0 stays empty so that rows are numbered from 1.
    std::vector<Row> m_libraries{Row{}};
    bool m_settingsTablePresent = false;
    QString m_profileExcludeColumn;
    QString m_rootFolder;
    qint64 m_parentFolder = 0;
    QStringList m_settingWarnings;
};

} // namespace vantrelis::dm
