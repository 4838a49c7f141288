#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

struct sqlite3;

namespace vantrelis::dm::local {

// Engine codes a library can present itself as.
inline constexpr int kEngineOracle = 2;
inline constexpr int kEngineOracle8 = 5;
inline constexpr int kEngineSybase = 6;
inline constexpr int kEngineMssql = 10;
inline bool IsOracle(int engineCode) {
    return engineCode == kEngineOracle || engineCode == kEngineOracle8;
}

// A buffered result: column names and rows of values (NULL as an invalid QVariant).
struct QueryResult {
    QStringList columns;
    std::vector<std::vector<QVariant>> rows;
};

// One library: its SQLite database attached as DOCSADM to an in-memory main database, with the
// engine flavour's views and functions on the connection. The only place that talks to SQLite.
// Every failure raises vantrelis::Fault with the backend's own error number and a clear text.
class LibraryDatabase {
public:
    // Opens an existing library file. Raises when the file is missing, unreadable, not a database,
    // or lacks the tables a library needs (the text names what is missing).
    static std::shared_ptr<LibraryDatabase> Open(const QString& file, int engineCode);
    // Creates a new, empty library file with the full schema for the engine flavour.
    static std::shared_ptr<LibraryDatabase> Create(const QString& file, int engineCode);

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

    // Transactions for multi-row object-model writes (all or nothing).
    void begin();
    void commit();
    void rollback() noexcept;

private:
    LibraryDatabase(QString file, int engineCode);

    QString m_file;
    int m_engineCode;
    sqlite3* m_db = nullptr;
};

} // namespace vantrelis::dm::local
