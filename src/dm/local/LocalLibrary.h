#pragma once

#include "dm/DmLibrary.h"
#include "dm/local/LibraryDatabase.h"
#include "dm/local/LocalServer.h"

#include <QString>
#include <memory>

namespace vantrelis::dm::local {

class LocalParameters;
class LocalRunJournal;

// One library of the login: its database, opened through the server on first use, and the login
// user's row in its PEOPLE table. Folders and profiles keep their library alive.
class LocalLibrary : public DmLibrary, public std::enable_shared_from_this<LocalLibrary> {
public:
    LocalLibrary(std::shared_ptr<LocalServer> server, QString name);

    QString name() const override { return m_name; }
    // Opens the database (once) and reads the login user's PEOPLE row again.
    void prepare() override;
    QString userName() const override;
    QString primaryGroup() const override;
    QString errorText() const override { return lastError(); }
    bool errorIsPassing() const override;
    bool heldByAnotherWriter() const override;
    std::shared_ptr<DmParameters> parameters() override;
    std::shared_ptr<DmProfile> profile(qint64 docNumber) override;
    std::shared_ptr<DmFolder> newFolder() override;
    std::shared_ptr<DmFolder> folder(qint64 docNumber) override;
    // Looks for the journal tables on every call (an administrator may add them meanwhile); the
    // journal object stays the same while the store does.
    std::shared_ptr<DmRunJournal> runJournal() override;
    // The journal while a run is journalled here; nullptr otherwise. No lookup: for every save.
    LocalRunJournal* activeJournal() const;

    // For the library's folders and profiles. Both raise a Fault when the library is not connected.
    std::shared_ptr<LibraryStore> database() const;
    qint64 userSystemId() const;
    qint64 primaryGroupId() const;
    QString fullName() const;
    std::shared_ptr<LocalParameters> localParameters() const;
    int engineCode() const;
    // Why the library is not connected; empty when it is.
    QString lastError() const;

private:
    void connect() const;
    void requireConnected() const;

    std::shared_ptr<LocalServer> m_server;
    QString m_name;
    // Filled on first use (also from const readers, hence mutable).
    mutable bool m_prepared = false;
    mutable std::shared_ptr<LibraryStore> m_db;
    mutable QString m_userName;
    mutable QString m_fullName;
    mutable QString m_primaryGroup;
    mutable qint64 m_userSystemId = 0;
    mutable qint64 m_primaryGroupId = 0;
    mutable QString m_lastError;
    mutable qint64 m_lastErrorNumber = 0;
    std::shared_ptr<LocalRunJournal> m_journal;
};

} // namespace vantrelis::dm::local
