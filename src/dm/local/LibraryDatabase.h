#pragma once

#include "dm/DmConstants.h"
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

// A buffered result: column names and rows of values (NULL as an invalid QVariant).
struct QueryResult {
    QStringList columns;
    std::vector<std::vector<QVariant>> rows;
};

// A buffered result as the SQL object keeps it: every value as text (NULL as empty text, integral
// numbers without a fraction), row after row in one flat vector.
struct TextResult {
    std::vector<QString> columns;
    std::vector<QString> values;
    qint64 changes = 0;
    void clear() {
        columns.clear();
        values.clear();
        changes = 0;
    }
};

class SqlTrace;

// One library: its SQLite database attached as DOCSADM to an in-memory main database, with the
// engine flavour's views and functions on the connection. The only place that talks to SQLite.
// Every failure raises vantrelis::Fault with the backend's own error number and a clear text.
class LibraryDatabase {
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

    ~LibraryDatabase();
    LibraryDatabase(const LibraryDatabase&) = delete;
    LibraryDatabase& operator=(const LibraryDatabase&) = delete;

    const QString& file() const { return m_file; }
    int engineCode() const { return m_engineCode; }
    sqlite3* handle() const { return m_db; }

    // Runs one statement with positional parameters (?1, ?2, ...) and buffers its rows.
    QueryResult query(const QString& sql, const QVariantList& params = {});
    // Runs one statement; answers the number of rows it changed.
    qint64 execute(const QString& sql, const QVariantList& params = {});
    // The first column of the first row, or an invalid QVariant.
    QVariant scalar(const QString& sql, const QVariantList& params = {});

    // Next value of a named key counter, unique across processes and never 0.
    qint64 nextKey(const QString& counterName);

    // Transactions for multi-row object-model writes (all or nothing). begin() takes the write
    // lock at once (BEGIN IMMEDIATE), so a busy library fails here rather than half way through.
    void begin();
    void commit();
    void rollback() noexcept;
    bool inTransaction() const;

    // What this connection has done to the library by a given moment inside a transaction of
    // begin(), for objects that keep what they read. Only such a transaction shuts other writers
    // out, so outside one (and after any rollback) no stamp counts as unchanged.
    struct ChangeStamp {
        quint64 transaction = 0; // 0: taken outside a transaction, never unchanged
        qint64 changes = 0;
    };
    ChangeStamp changeStamp() const;
    // Whether nothing in the library can have changed since `stamp` was taken.
    bool unchangedSince(const ChangeStamp& stamp) const;

    // A person (USER_ID) or group (GROUP_ID) by name, as the library's collation matches it: its
    // SYSTEM_ID and the name as stored. Inside a transaction of begin() the answers are kept until
    // a statement of this connection writes to PEOPLE or GROUPS or another connection writes at all.
    using Trustee = TrusteeName;
    std::optional<TrusteeName> findTrustee(bool isGroup, const QString& name);

    // Runs one statement and buffers its result as text (the SQL object's path). Raises Fault.
    // Statements on this path may not reach outside the library or manage its transactions:
    // attaching or detaching files, VACUUM, pragmas that change anything, BEGIN, COMMIT and
    // savepoints fail with kErrorNotAuthorized. begin()/commit() and the other calls are not bound.
    void queryText(const QString& sql, TextResult& result);

    // Whether the library has a table (any case), e.g. the optional QORV_SETTINGS.
    bool hasTable(const QString& tableName);

    // The name statements are traced under (see Open; a new library: the file's base name upper-cased).
    const QString& libraryName() const { return m_libraryName; }
    // Shares one trace file between the libraries of a server; without it the database opens its
    // own when VANTRELIS_SQL_TRACE is set.
    void setTrace(std::shared_ptr<SqlTrace> trace);

    // Records a statement the backend answers without SQLite (server commands) in the trace.
    void traceStatement(const QString& sql) { trace(sql); }

    // The fault for a text that holds more than one statement.
    [[noreturn]] static void RaiseSeveralStatements(const QString& sql);

    // Busy timeout in milliseconds: VANTRELIS_BUSY_TIMEOUT_MS, else 5000.
    static int BusyTimeoutMs();

    // Whether the file at the library's path turned out not to be the one this connection has open
    // (replaced or deleted while in use). Nothing more runs here; the library is opened again.
    bool replaced() const { return m_replaced; }

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
    int m_busyTimeoutMs = 5000;
    StatementCache m_statements;
    StatementAuthorizer m_authorizer;
    std::shared_ptr<SqlTrace> m_trace;
    bool m_traceChecked = false;
    int m_transactionDepth = 0;
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
    // The fault's number and text once the library was found damaged.
    qint64 m_damageNumber = 0;
    QString m_damage;
};

} // namespace vantrelis::dm::local
