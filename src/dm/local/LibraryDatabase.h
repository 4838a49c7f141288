#pragma once

#include "dm/DmConstants.h"
#include "dm/local/LibraryStore.h"
#include "dm/local/StatementAuthorizer.h"
#include "dm/local/StatementCache.h"
#include "dm/local/TrusteeNameCache.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vantrelis::dm::local {

class SqlTrace;

// The SQLite store of a library: its database file attached as DOCSADM to an in-memory main database, with
// the engine flavour's views and functions on the connection. The only place that talks to SQLite. Every
// failure raises vantrelis::Fault with the backend's own error number and a clear text.
class LibraryDatabase : public LibraryStore {
public:
    enum class Access { ReadWrite, ReadOnly };

    // Opens an existing library file. Raises when the file is missing, unreadable, not a database,
    // or lacks the tables a library needs (the text names what is missing). A file that is no
    // library is left exactly as it was: nothing is created or switched before the schema check.
    // Read-only access never writes to the file; statements that would write fail. `libraryName` is
    // the name statements are traced under (the server's name for the library); without it, the
    // library's own REMOTE_LIBRARIES row names it.
    static std::shared_ptr<LibraryDatabase> Open(const QString& file, int engineCode,
                                                 Access access = Access::ReadWrite,
                                                 const QString& libraryName = QString());
    // Creates a new, empty library file with the full schema for the engine flavour; its own
    // REMOTE_LIBRARIES row and the trace take `libraryName` (default: the file's base name upper-cased).
    static std::shared_ptr<LibraryDatabase> Create(const QString& file, int engineCode,
                                                   const QString& libraryName = QString());

    ~LibraryDatabase() override;
    LibraryDatabase(const LibraryDatabase&) = delete;
    LibraryDatabase& operator=(const LibraryDatabase&) = delete;

    const QString& file() const { return m_file; }
    // SQLite's own connection, for tests and tools that look beneath the store.
    sqlite3* handle() const { return m_db; }

    // The store's calls (LibraryStore), on SQLite. Statements of begin()/commit() and key counters
    // use BEGIN IMMEDIATE, so two processes never hold the write lock or a key at once. The SQL
    // object's statements are checked by SQLite's authorizer (attaching or detaching files, VACUUM,
    // pragmas that change anything, BEGIN, COMMIT and savepoints are refused).
    int engineCode() const override { return m_engineCode; }
    // The name statements are traced under (see Open; a new library: the file's base name upper-cased).
    const QString& libraryName() const override { return m_libraryName; }
    QueryResult query(const QString& sql, const QVariantList& params = {}) override;
    qint64 execute(const QString& sql, const QVariantList& params = {}) override;
    QVariant scalar(const QString& sql, const QVariantList& params = {}) override;
    void queryText(const QString& sql, TextResult& result) override;
    bool hasTable(const QString& tableName) override;
    qint64 nextKey(const QString& counterName) override;
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override;
    ChangeStamp changeStamp() const override;
    bool unchangedSince(const ChangeStamp& stamp) const override;
    // Inside a transaction of begin() the answers are kept until a statement of this connection
    // writes to PEOPLE or GROUPS, another connection commits, or the transaction rolls back.
    std::optional<TrusteeName> findTrustee(bool isGroup, const QString& name) override;
    // Kept the same way as findTrustee's answers.
    QVariant lookupKey(const QString& sql, const QVariantList& params) override;
    // Without a shared trace the database opens its own when VANTRELIS_SQL_TRACE is set.
    void setTrace(std::shared_ptr<SqlTrace> trace) override;
    void traceStatement(const QString& sql) override { trace(sql); }
    // The file at the library's path is not the one this connection has open.
    bool replaced() const override { return m_replaced; }

    // Whether this connection waited its whole limit for another writer's lock, no write of its own
    // got through since, and the lock is still taken (tried once, without waiting): statements that
    // need the lock then fail at once.
    bool lockWaitSpent() override;

    // The longest a connection waits for another writer's lock in all, in milliseconds, before its
    // statements fail with kErrorLocked: VANTRELIS_BUSY_TIMEOUT_MS, else kLockWaitLimitMs. The wait
    // adds up over the statements that find the library locked, and starts again from nothing once
    // a write of the connection commits (or nothing has waited for as long as the limit).
    static int BusyTimeoutMs();
    static constexpr int kLockWaitLimitMs = 60000;
    // How long a spent wait still counts as the library's state, at least.
    static constexpr int kLockRecentMs = 1000;

private:
    LibraryDatabase(QString file, int engineCode);

    // A file's device and inode: what tells a file from another put at the same path.
    struct FileIdentity {
        quint64 device = 0;
        quint64 inode = 0;
        bool valid = false;
        bool operator==(const FileIdentity&) const = default;
    };
    static FileIdentity IdentityOf(const QString& path);
    // Refuses, with the reason, a path that cannot be a library file: missing, a folder, a device, a
    // symbolic link loop, unreadable, or (for writing) a file, folder or journal file it cannot write.
    static void CheckLibraryFile(const QString& file, Access access);
    void recordJournalIdentity();
    // Deletes the -wal and -shm files at the path when they are still the ones this connection made.
    void removeOwnJournal() noexcept;
    // Raises (and stops the library) when the file at the path is no longer the one open.
    void checkFileUnchanged();
    // Checks the file before a statement that begins a write transaction of its own.
    void guardWrite(sqlite3_stmt* statement);
    [[noreturn]] void raiseDamage(qint64 number, const QString& message);
    // SQLite's busy handler and commit hook: the wait for another writer's lock, within its limit.
    static int BusyHandler(void* self, int count);
    static int CommitHook(void* self);
    bool waitForLock(int count);

    enum class OpenMode { Create, ReadWrite, ReadOnly };
    void openConnection(OpenMode mode);
    // WAL journal and its sync level, once the file is known to be a library it may write.
    void setJournal();
    void validateSchema();
    // LIBRARY_NAME of the library's own REMOTE_LIBRARIES row (SYSTEM_ID 0), read without tracing, as
    // the schema check is; raises when the row is missing.
    QString ownLibraryName();
    sqlite3_stmt* prepare(const QString& sql);
    void bind(sqlite3_stmt* statement, const QVariantList& params);
    // A corrupt or not-a-database answer raises dm::LibraryDamaged and marks the database damaged.
    [[noreturn]] void raise(int resultCode, const QString& sql);
    // Raises the damage again once it was seen: nothing more runs on a damaged library.
    void ensureUsable() const;
    // Ends a transaction without raising, damaged or not.
    void runQuietly(const QString& sql) noexcept;
    void trace(const QString& sql, const QVariantList& params = {});
    void execRaw(const char* sql);

    QString m_file;
    int m_engineCode;
    sqlite3* m_db = nullptr;
    QString m_libraryName;
    int m_busyTimeoutMs = kLockWaitLimitMs;
    // The wait for another writer's lock (milliseconds of the steady clock): waited so far in all,
    // waited before the current locking event, when that event began, and the last moment waited.
    qint64 m_lockWaitedMs = 0;
    qint64 m_lockWaitedBefore = 0;
    qint64 m_lockWaitStart = 0;
    qint64 m_lastLockWaitAt = -1;
    // lockWaitSpent() tries the lock once, without waiting.
    bool m_probingLock = false;
    StatementCache m_statements;
    StatementAuthorizer m_authorizer;
    std::shared_ptr<SqlTrace> m_trace;
    bool m_traceChecked = false;
    int m_transactionDepth = 0;
    // Nested levels whose SAVEPOINT has been sent: level1 .. level<m_savepointsSent>. A nested
    // level's savepoint goes out just before the first write inside it, so a unit that only reads
    // (a filing that finds its document already in the folder) costs no SAVEPOINT and no RELEASE.
    int m_savepointsSent = 0;
    void sendPendingSavepoints();
    // Numbers the outermost transactions; a rollback at any level starts a new number.
    quint64 m_transactionSerial = 0;
    // findTrustee's answers: forgotten when a statement that writes PEOPLE or GROUPS runs, when a
    // transaction begins after another connection's commit, and on a rollback.
    TrusteeNameCache m_trusteeNames;
    unsigned m_ownDataVersion = 0;
    unsigned dataVersion() const;
    FileIdentity m_fileIdentity;
    QString m_journalBase;
    FileIdentity m_walIdentity;
    FileIdentity m_shmIdentity;
    bool m_replaced = false;
    // Opened for reading only: a write is refused (kErrorReadOnly).
    bool m_readOnly = false;
    // A malformed page was once taken for another writer's passing change.
    bool m_malformedSeen = false;
    // The fault's number and text once the library was found damaged.
    qint64 m_damageNumber = 0;
    QString m_damage;
};

} // namespace vantrelis::dm::local
