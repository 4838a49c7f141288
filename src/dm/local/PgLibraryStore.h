#pragma once

#include "dm/local/LibraryDatabase.h"
#include "dm/local/LibraryStore.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>
#include <vector>

struct pg_conn;
struct pg_result;

namespace vantrelis::dm::local {

// The PostgreSQL store of a library: the schema DOCSADM of one database on a server (see
// PgLibrarySchema), reached through libpq with a connection URI. The only place that talks to
// libpq. The URI names no password: libpq finds it in ~/.pgpass, PGPASSWORD or pg_service.conf,
// and takes sslmode and the rest from the URI. What SQLite's authorizer confines on a file the
// server's privileges confine here: the program connects as a role that may only read and write
// DOCSADM's rows; the administration tool connects as the schema's owner.
//
// Statements are written as for the SQLite store; ?1, ?2 become $1, $2 and each text is prepared
// once on the server. Server errors map to the backend's error table by SQLSTATE. A lost
// connection fails the statement (kErrorConnectionLost) and marks the store replaced, so the
// server opens the library again for the next one.
class PgLibraryStore : public LibraryStore {
public:
    // Whether a server file's Database= names a server ("postgresql://" or "postgres://").
    static bool IsUri(const QString& database);
    // The URI with any password taken out, for messages and logs.
    static QString PrintableUri(const QString& uri);
    // The error table's number for a SQLSTATE.
    static qint64 ErrorNumberFor(const QString& sqlState);

    // Connects and checks the schema (missing tables and columns are named, as on SQLite).
    // `libraryName` names the library in traces and messages; without it, its own
    // REMOTE_LIBRARIES row does.
    // Opened for reading only, every transaction on the server is read-only
    // (default_transaction_read_only): a write is refused there (kErrorReadOnly).
    static std::shared_ptr<PgLibraryStore>
    Open(const QString& uri, int engineCode, const QString& libraryName = QString(),
         LibraryDatabase::Access access = LibraryDatabase::Access::ReadWrite);
    // Builds a new library (schema, flavour views, tables, first rows) in the database the URI
    // names, all or nothing; refuses a database that already has a DOCSADM schema.
    static std::shared_ptr<PgLibraryStore> Create(const QString& uri, int engineCode,
                                                  const QString& libraryName);

    ~PgLibraryStore() override;
    PgLibraryStore(const PgLibraryStore&) = delete;
    PgLibraryStore& operator=(const PgLibraryStore&) = delete;

    // The URI without password.
    const QString& uri() const { return m_uri; }
    // The database's name on the server.
    QString databaseName() const;
    // Lets a role read and write the library's rows, and nothing more (run as the owner).
    void grantProgramRole(const QString& role);

    const QString& libraryName() const override { return m_libraryName; }
    int engineCode() const override { return m_engineCode; }
    QueryResult query(const QString& sql, const QVariantList& params = {}) override;
    qint64 execute(const QString& sql, const QVariantList& params = {}) override;
    QVariant scalar(const QString& sql, const QVariantList& params = {}) override;
    // Transaction control, session settings and server-side files are refused here
    // (kErrorNotAuthorized); DDL and other schemas are refused by the server to the program's role.
    void queryText(const QString& sql, TextResult& result) override;
    bool hasTable(const QString& tableName) override;
    // One UPDATE ... RETURNING under the counter row's lock; inside a folder's transaction on a
    // connection of its own, committed at once, so that the lock is not held until the transaction's
    // commit. A key taken by a transaction that is rolled back is skipped, never handed out again.
    qint64 nextKey(const QString& counterName) override;
    // BEGIN and the library's write lock (a transaction-scoped advisory lock), waited for up to the
    // busy timeout; nested: savepoints. A nested scope's SAVEPOINT, and the RELEASE that ends it, go
    // out with the next statement, in its round trip; a scope that sends no statement sends neither.
    void begin() override;
    // BEGIN, the library's lock shared and the folder's alone (advisory locks, waited for up to the
    // busy timeout); nested: a savepoint that takes the folder's lock too.
    void beginForFolder(qint64 folder) override;
    // The document's own advisory lock, held to the end of the transaction.
    void lockDocument(qint64 docNumber) override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override;
    // Other clients write the library between any two statements (READ COMMITTED), so no stamp
    // ever counts as unchanged and trustee names are always read again.
    ChangeStamp changeStamp() const override { return {}; }
    quint64 transactionSerial() const override { return m_transactionDepth > 0 ? m_transactionSerial : 0; }
    bool unchangedSince(const ChangeStamp&) const override { return false; }
    std::optional<TrusteeName> findTrustee(bool isGroup, const QString& name) override;
    void setTrace(std::shared_ptr<SqlTrace> trace) override;
    void traceStatement(const QString& sql) override { trace(sql); }
    // The connection was lost: the library is to be opened again.
    bool replaced() const override { return m_lost; }

private:
    PgLibraryStore(QString uri, int engineCode, QString libraryName);

    struct Prepared {
        QByteArray name;
        int parameters = 0;
    };
    struct ResultDeleter {
        void operator()(pg_result* result) const;
    };
    using Result = std::unique_ptr<pg_result, ResultDeleter>;

    void connect(const QString& uri);
    // BEGIN and `locks`, or (nested) a savepoint and `nestedLocks`.
    void beginWith(const QString& locks, const QString& nestedLocks);
    // A key counter's statement (prepared as `statement`) on the key connection, opened on first use.
    QVariant keyStatement(const char* statement, const char* sql, const QString& name);
    void openKeyConnection();
    void validateSchema();
    QString ownLibraryName();
    // Prepares a text once per connection. Inside a transaction a failed preparation is undone by
    // a savepoint, so that the transaction goes on as it does on SQLite.
    // `params` give the types of parameters the server cannot infer.
    const Prepared& prepare(const QString& sql, const QVariantList& params = {});
    std::unique_ptr<pg_result, ResultDeleter> prepareOnce(const QByteArray& name, const QByteArray& statement,
                                                          const std::vector<unsigned>& types);
    Result run(const Prepared& statement, const QVariantList& params, const QString& sql);
    // run() for a statement that carries the pending savepoint commands: one round trip for all.
    Result runPipelined(const Prepared& statement, const QVariantList& params, const QString& sql);
    // A nested scope's SAVEPOINT, or the RELEASE that ends it, waits for the next statement.
    void queueCommand(const QString& sql);
    // Drops a nested scope's SAVEPOINT that never went out; whether there was one.
    bool dropUnsentSavepoint(int level);
    // A command without parameters or result (BEGIN, COMMIT, SET ...), raising on failure.
    void command(const QString& sql);
    bool commandQuietly(const QString& sql) noexcept;
    [[noreturn]] void raise(const pg_result* result, const QString& sql);
    [[noreturn]] void raiseLost(const QString& message);
    void ensureUsable() const;
    // Traces `sql`; the pending commands that go out before it first, unless it goes elsewhere.
    void trace(const QString& sql, const QVariantList& params = {}, bool afterPending = true);
    void forgetStatements();

    QString m_uri;
    int m_engineCode;
    QString m_libraryName;
    pg_conn* m_conn = nullptr;
    // Key counters advanced inside a transaction: each step commits at once.
    pg_conn* m_keyConn = nullptr;
    int m_busyTimeoutMs = 5000;
    QHash<QString, Prepared> m_statements;
    quint64 m_statementSerial = 0;
    std::shared_ptr<SqlTrace> m_trace;
    bool m_traceChecked = false;
    int m_transactionDepth = 0;
    quint64 m_transactionSerial = 0;
    // The transaction open holds the whole library's lock (begin(), not beginForFolder()).
    bool m_wholeLibrary = false;
    // The folders' locks it holds, each with the depth of the scope that took it.
    struct FolderLockHeld {
        qint32 key;
        int depth;
    };
    std::vector<FolderLockHeld> m_folderLocks;
    // SAVEPOINT and RELEASE SAVEPOINT of nested scopes not sent yet, in order: they go out with the
    // next statement, in its round trip. A scope that sends no statement sends neither.
    QStringList m_pending;
    qsizetype m_pendingTraced = 0;
    bool m_readOnly = false;
    bool m_lost = false;
    qint64 m_damageNumber = 0;
    QString m_damage;
};

} // namespace vantrelis::dm::local
