#pragma once

#include "config/FolderRuleDefinition.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LibraryDatabase.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <vector>

namespace vantrelis::testing {

// The one builder of test libraries: a DM server of the local backend in a temporary folder, its
// library files (<name in lower case>.db) and the server file naming them.
class LocalEnvironment {
public:
    static constexpr const char* kUser = "TESTER";

    LocalEnvironment();

    // A library with the base rows every library has (apps, document types, forms, its own
    // REMOTE_LIBRARIES row), and nothing else.
    dm::local::LibraryAdmin& CreateLibrary(const QString& name, int engineCode);
    // CreateLibrary plus the login user (a member of DOCS_SUPERVISORS, universal access 255),
    // DOCS_USERS and optionally the settings table.
    dm::local::LibraryAdmin& AddLibrary(const QString& name, int engineCode, bool settingsTable);
    // A library database with the schema alone, for tests that fill it statement by statement.
    std::shared_ptr<dm::local::LibraryDatabase> CreateDatabase(const QString& name, int engineCode);
    dm::local::LibraryAdmin& admin(const QString& name) { return m_admins.at(name); }

    // The login user and primary library the server file names (kUser and none unless set).
    void setUser(const QString& user) { m_user = user; }
    void setPrimaryLibrary(const QString& name) { m_primaryLibrary = name; }
    // A folder rule of that name with the default values.
    static FolderRuleDefinition Rule(const QString& name);

    // Writes the server file; the current library is the first one added unless named.
    QString WriteServerFile(const QString& currentLibrary = QString());
    const QString& serverFile() const { return m_serverFile; }
    QString folder() const { return m_folder.path(); }
    QString filePath(const QString& fileName) const { return m_folder.filePath(fileName); }
    // The file of a library, whether or not it was made yet.
    QString libraryFile(const QString& name) const;

private:
    struct Entry {
        QString name;
        QString file;
        int engineCode;
    };

    QTemporaryDir m_folder;
    QString m_serverFile;
    QString m_user = QLatin1String(kUser);
    QString m_primaryLibrary;
    std::vector<Entry> m_entries;
    std::map<QString, dm::local::LibraryAdmin> m_admins;
};

// The CHAR_VAL texts of an import set's stored rows, the delimiter row first, then the columns in
// their list order.
QStringList StoredImportSet(dm::local::LibraryAdmin& admin, const QString& setName);

} // namespace vantrelis::testing
