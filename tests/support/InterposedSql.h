#pragma once

#include "dm/DmSql.h"

#include <functional>
#include <memory>

namespace vantrelis::testing {

// A library's own SQL object with `beforeBegin` run once, just before the first transaction begins:
// another connection's write lands between what this one looked up and the write lock it then takes.
// `afterBegin` runs once just after it began: another connection works while this one holds its lock.
class InterposedSql : public dm::DmSql {
public:
    InterposedSql(std::shared_ptr<dm::DmSql> inner, std::function<void()> beforeBegin,
                  std::function<void()> afterBegin = {});

    void setToken(const QString& token) override;
    void setLibrary(const QString& libraryName) override;
    int engineCode() const override;
    qint64 execute(const QString& instruction) override;
    qint64 errorNumber() const override;
    QString errorText() const override;
    bool errorIsPassing() const override;
    qint64 rowsAffected() const override;
    int rowCount() const override;
    int columnCount() const override;
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
    std::shared_ptr<dm::DmSql> m_inner;
    std::function<void()> m_beforeBegin;
    std::function<void()> m_afterBegin;
};

} // namespace vantrelis::testing
