#pragma once

#include "dm/local/LibraryDatabase.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

namespace vantrelis::dm::local {

// The "DM server": the server file (login user, libraries and their databases) and the open
// library databases, shared by every object the local backend hands out.
class LocalServer {
public:
    // VANTRELIS_DM_SERVER, else $XDG_CONFIG_HOME/vantrelis/dm-server.ini.
    static QString DefaultServerFile();
    // Reads the server file. A missing or unreadable file gives a server whose login fails.
    static std::shared_ptr<LocalServer> Load(const QString& serverFile);

    const QString& serverFile() const { return m_serverFile; }
    // Why the last login or library open failed (for the admin tool and the log).
    const QString& lastError() const { return m_lastError; }

    const QString& userId() const { return m_userId; }
    // Upper case, in collection order.
    const QStringList& libraryNames() const { return m_libraryNames; }
    const QString& currentLibrary() const { return m_currentLibrary; }
    const QString& primaryLibrary() const { return m_primaryLibrary; }

    // Logs the user in: the server file must name the user and its libraries, and one library must
    // open and know the user. Empty token on failure. A library that cannot be used fails on its own
    // when it is connected. Libraries are checked and closed again; each opens for good when used.
    QString login();
    bool isValidToken(const QString& token) const;

    // Engine code of a library (by name, ignoring case); 0 when unknown.
    int engineCode(const QString& libraryName) const;
    // Database file of a library, resolved against the server file's folder (a postgresql:// URI
    // as written).
    QString databaseFile(const QString& libraryName) const;
    // The library's open store, SQLite or PostgreSQL (opened once, then shared; again when its
    // file was replaced or its connection lost). Raises Fault when it cannot be opened.
    std::shared_ptr<LibraryStore> store(const QString& libraryName);
    // store() for a library in an SQLite file; raises for one on a database server.
    std::shared_ptr<LibraryDatabase> library(const QString& libraryName);
    // How libraries are opened from now on; read-only for tools that only look.
    void setAccess(LibraryDatabase::Access access) { m_access = access; }

private:
    // Why a library (upper-case name) cannot be used for the login user; empty when it can.
    QString checkLibrary(const QString& name);
    // Opens a library's database (upper-case name) without keeping it.
    std::shared_ptr<LibraryStore> openLibrary(const QString& name);

    struct LibraryEntry {
        QString file;
        int engineCode = 10;
    };

    QString m_serverFile;
    QString m_lastError;
    QString m_userId;
    QStringList m_libraryNames;
    QString m_currentLibrary;
    QString m_primaryLibrary;
    QString m_token;
    QHash<QString, LibraryEntry> m_entries;
    QHash<QString, std::shared_ptr<LibraryStore>> m_open;
    LibraryDatabase::Access m_access = LibraryDatabase::Access::ReadWrite;
    // One trace file for every library the server opens.
    std::shared_ptr<SqlTrace> m_trace;
    bool m_traceChecked = false;
};

} // namespace vantrelis::dm::local
