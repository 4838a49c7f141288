#pragma once

#include "dm/local/DeferredRows.h"
#include "dm/local/TrusteeNameCache.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

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

// The store seam: one library's tables, whatever engine holds them. The object model, the SQL
// object and the admin services work through these calls only; the store that implements them
// (SQLite today: LibraryDatabase) keeps its client library to itself. Statements are text with
// positional parameters (?1, ?2, ...), written in the SQL the program uses; values are bound. Every
// failure raises vantrelis::Fault with a number of the backend's error table (LocalErrors.h); a
// damaged or replaced library raises dm::LibraryDamaged, and nothing more runs on it.
class LibraryStore {
public:
    virtual ~LibraryStore() = default;

    // The name statements are traced under, and the engine flavour the server file gives.
    virtual const QString& libraryName() const = 0;
    virtual int engineCode() const = 0;

    // Runs one statement with positional parameters and buffers its rows.
    virtual QueryResult query(const QString& sql, const QVariantList& params = {}) = 0;
    // Runs one statement; answers the number of rows it changed.
    virtual qint64 execute(const QString& sql, const QVariantList& params = {}) = 0;
    // The first column of the first row, or an invalid QVariant.
    virtual QVariant scalar(const QString& sql, const QVariantList& params = {}) = 0;
    // The SQL object's path: one statement as the program wrote it (values in its text), its result
    // buffered as text. Such a statement may not reach outside the library or manage its
    // transactions (kErrorNotAuthorized).
    virtual void queryText(const QString& sql, TextResult& result) = 0;
    // Whether the library has a table (any case), e.g. the optional QORV_SETTINGS.
    virtual bool hasTable(const QString& tableName) = 0;

    // Next value of a named key counter, unique across processes and never 0.
    virtual qint64 nextKey(const QString& counterName) = 0;

    // Transactions (all or nothing). begin() takes the library's write lock at once, so a busy
    // library fails there rather than half way through; a begin() inside another is a savepoint.
    virtual void begin() = 0;
    // begin() for writes that stay within one folder's items: filing into it, or creating a folder
    // under it (0: the top level). A store that can lock a part of the library shuts out only the
    // writers of the same folder, so that writers of different folders do not wait for each other;
    // inside a transaction it is a savepoint that takes the folder's lock as well. Elsewhere it is
    // begin().
    virtual void beginForFolder(qint64 folder);
    // Inside a folder's transaction: shuts other writers out of one document until the transaction
    // ends (waited for as a folder's lock is). A store whose transactions hold the whole library
    // has nothing to do.
    virtual void lockDocument(qint64 /*docNumber*/) {}
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    virtual bool inTransaction() const = 0;

    // Writes one row to a table that nothing reads back inside the transaction (the run journal).
    // Inside a transaction the row is kept and written with the transaction's other kept rows just
    // before its COMMIT, a few statements for all of them, in the order they were given: a
    // savepoint rolled back drops the rows given inside it, and a row that cannot be written fails
    // the commit, which rolls the whole transaction back. Outside a transaction it is written at
    // once. `head` is the statement up to its values ("INSERT INTO T (A, B)"), `values` one a column.
    void insertAtCommit(const QString& head, QVariantList values);
    // The values of the row insertAtCommit kept last, while a change to them goes with the
    // transaction level they were given in (the innermost one open): the row had `head`, and no
    // level began since. nullptr otherwise, as outside a transaction.
    QVariantList* lastAtCommit(const QString& head) { return m_deferredRows.lastOfLevel(head); }

    // What this connection has done to the library by a given moment inside a transaction of
    // begin(), for objects that keep what they read. Only such a transaction shuts other writers
    // out, so outside one (and after any rollback) no stamp counts as unchanged.
    struct ChangeStamp {
        quint64 transaction = 0; // 0: taken outside a transaction, never unchanged
        qint64 changes = 0;
    };
    virtual ChangeStamp changeStamp() const = 0;
    // Which transaction is going on: the same number from its begin to its end, a new one after any
    // rollback inside it; 0 outside a transaction. Unlike changeStamp, whatever the scope locks.
    virtual quint64 transactionSerial() const { return changeStamp().transaction; }
    // Whether nothing in the library can have changed since `stamp` was taken.
    virtual bool unchangedSince(const ChangeStamp& stamp) const = 0;

    // A person (isGroup false: PEOPLE.USER_ID) or group (GROUPS.GROUP_ID) by name, as the library's
    // collation matches it. Answers may be kept inside a transaction of begin() while nothing can
    // have changed them.
    virtual std::optional<TrusteeName> findTrustee(bool isGroup, const QString& name) = 0;
    // scalar() of a statement that reads only tables rows are found in by name (APPS,
    // DOCUMENTTYPES, FORMS, CLIENT, MATTER, PEOPLE, GROUPS): the key of a row named by a profile's
    // column. A store may keep the answers as findTrustee's; this one does not.
    virtual QVariant lookupKey(const QString& sql, const QVariantList& params);

    // Shares one trace file between the libraries of a server.
    virtual void setTrace(std::shared_ptr<SqlTrace> trace) = 0;
    // Records a statement answered without the engine (server commands) in the trace.
    virtual void traceStatement(const QString& sql) = 0;

    // Whether the library's storage turned out not to be the one this store has open (a file
    // replaced or deleted while in use). Nothing more runs here; the library is opened again.
    virtual bool replaced() const = 0;
    // Whether another writer has held the library's write lock for as long as this store waits for
    // it in all: writes fail at once until a write gets through again. A passing state.
    virtual bool lockWaitSpent() { return false; }

    // The fault for a text that holds more than one statement.
    [[noreturn]] static void RaiseSeveralStatements(const QString& sql);
    // The fault for a write to a library opened for reading only; `detail` is the engine's word.
    [[noreturn]] static void RaiseReadOnly(const QString& libraryName, const QString& detail);

protected:
    // The rows of insertAtCommit: a store enters a level on each begin, keeps a nested level's rows
    // on its commit, drops a level's rows on its rollback, and writes them (writeDeferredRows)
    // before the outermost COMMIT.
    DeferredRows m_deferredRows;
    // Writes the kept rows; when one cannot be written, rolls the transaction back and raises.
    void writeDeferredRows();
};

} // namespace vantrelis::dm::local
