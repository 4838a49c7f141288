#pragma once

#include "dm/DmSql.h"
#include "dm/local/LibraryStore.h"
#include "dm/local/LocalServer.h"

#include <memory>
#include <optional>
#include <vector>

namespace vantrelis::dm::local {

// The SQL object of the local backend: one instruction at a time on one library, the whole result
// buffered as text. On MSSQL and Sybase libraries it answers the server commands "set ..." and
// "SP_DBOPTION db,'option'[,'value']" itself, as those servers do; on Oracle they are errors.
class LocalSql : public DmSql {
public:
    explicit LocalSql(std::shared_ptr<LocalServer> server);

    void setToken(const QString& token) override;
    void setLibrary(const QString& libraryName) override;
    int engineCode() const override;

    qint64 execute(const QString& instruction) override;
    qint64 errorNumber() const override { return m_errorNumber; }
    QString errorText() const override { return m_errorText; }
    bool errorIsPassing() const override;

    qint64 rowsAffected() const override { return m_result.changes; }
    int rowCount() const override { return m_rowCount; }
    int columnCount() const override { return int(m_result.columns.size()); }
    QString columnValue(int column) const override;
    QString columnName(int column) const override;
    void setRow(int row) override;
    int nextRow() override;
    void releaseResults() override;

    qint64 nextKey(const QString& counterName) override;

    void beginTransaction() override;
    void beginFolderTransaction(qint64 folder) override;
    void lockDocument(qint64 docNumber) override;
    void commitTransaction() override;
    void rollbackTransaction() noexcept override;

private:
    bool bound() const;
    // A transaction scope: the library's (no folder) or one folder's.
    void beginScope(std::optional<qint64> folder);
    std::shared_ptr<LibraryStore> database();
    qint64 fail(qint64 number, const QString& text);
    // Answers true when the instruction was a server command (handled, result or error set).
    bool runServerCommand(const QString& instruction, LibraryStore& db);
    void answerDbOption(const QString& instruction, LibraryStore& db);

    std::shared_ptr<LocalServer> m_server;
    QString m_token;
    QString m_libraryName;
    std::shared_ptr<LibraryStore> m_db;
    // Open transaction scopes, innermost last, each with the database it began on.
    std::vector<std::shared_ptr<LibraryStore>> m_scopes;
    TextResult m_result;
    int m_rowCount = 0;
    int m_row = 0;
    qint64 m_errorNumber = 0;
    QString m_errorText;
};

} // namespace vantrelis::dm::local
