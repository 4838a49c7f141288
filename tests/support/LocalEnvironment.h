#pragma once

#include "dm/local/LibraryAdmin.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>

namespace vantrelis::testing {

// A DM server of the local backend in a temporary folder: libraries built with LibraryAdmin,
// the login user known to each, and the server file naming them.
class LocalEnvironment {
public:
    static constexpr const char* kUser = "TESTER";

    LocalEnvironment();

    // Creates a library file with the login user (a member of DOCS_SUPERVISORS, universal
    // access 255), optionally with the settings table, and lists it in the server file.
    dm::local::LibraryAdmin& AddLibrary(const QString& name, int engineCode, bool settingsTable);
    dm::local::LibraryAdmin& admin(const QString& name) { return m_admins.at(name); }

    // Writes the server file; the current library is the first one added unless named.
    QString WriteServerFile(const QString& currentLibrary = QString());
    const QString& serverFile() const { return m_serverFile; }
    QString folder() const { return m_folder.path(); }

private:
    struct Entry {
        QString name;
        QString file;
        int engineCode;
    };

    QTemporaryDir m_folder;
    QString m_serverFile;
    std::vector<Entry> m_entries;
    std::map<QString, dm::local::LibraryAdmin> m_admins;
};

} // namespace vantrelis::testing
