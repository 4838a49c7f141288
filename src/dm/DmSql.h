#pragma once

#include "dm/DmObject.h"

#include <QString>

namespace vantrelis::dm {

// The DM SQL object ("PCDClient.PCDSQL"): sends one instruction to a library's database and
// buffers its result set. Rows and columns are 1-based.
class DmSql : public DmObject {
public:
    // Bind to a login (the application's DST) and to a library by name.
    virtual void setToken(const QString& token) = 0;
    virtual void setLibrary(const QString& libraryName) = 0;

    // 0 when not bound; 2 or 5 Oracle, 6 Sybase, other values MSSQL.
    virtual int engineCode() const = 0;

    // 0 on success; otherwise the error number of the instruction (also in errorNumber()). Raises
    // LibraryDamaged (number and text also in errorNumber() and errorText()) when the library's
    // database is damaged.
    virtual qint64 execute(const QString& instruction) = 0;
    virtual qint64 errorNumber() const = 0;
    virtual QString errorText() const = 0;
    // Whether the last error passes by itself (another writer held the library past the wait):
    // the same instruction may succeed later, and nothing about the library is wrong.
    virtual bool errorIsPassing() const { return false; }

    virtual qint64 rowsAffected() const = 0;
    virtual int rowCount() const = 0;
    virtual int columnCount() const = 0;

    // Value and name of a 1-based column on the current row; a missing value reads as empty text.
    virtual QString columnValue(int column) const = 0;
    virtual QString columnName(int column) const = 0;

    virtual void setRow(int row) = 0;
    // Moves to the following row; 0 when there is none.
    virtual int nextRow() = 0;
    virtual void releaseResults() = 0;

    // A new key from the named counter ("SYSTEMKEY"): unique in the library, never 0.
    // 0 means no key could be had.
    virtual qint64 nextKey(const QString& counterName) = 0;

    // Transaction scope: the writes between begin and commit land together or not at all. A scope
    // opened inside another becomes a savepoint, so it may wrap the object model's own saves (which
    // then commit with it). Begin and commit raise Fault when the library refuses; roll back never
    // fails. These are not SQL instructions: they are not sent through execute() and not logged.
    virtual void beginTransaction() = 0;
    // A scope whose writes stay within one folder's items (filing into it, creating a folder under
    // it; 0: the top level). It shuts out the other writers of that folder; on a server library,
    // writers of other folders go on meanwhile. Where the library has one write lock, the same as
    // beginTransaction().
    virtual void beginFolderTransaction(qint64 /*folder*/) { beginTransaction(); }
    // Inside a folder's scope: keeps other writers off one document (its trustees and profile)
    // until the outermost scope ends, so that two filings of the same document into different
    // folders take turns. Where the scope already shuts out every other writer, nothing.
    virtual void lockDocument(qint64 /*docNumber*/) {}
    virtual void commitTransaction() = 0;
    virtual void rollbackTransaction() noexcept = 0;
};

} // namespace vantrelis::dm
