#include "support/InterposedSql.h"

#include <utility>

namespace vantrelis::testing {

InterposedSql::InterposedSql(std::shared_ptr<dm::DmSql> inner, std::function<void()> beforeBegin,
                             std::function<void()> afterBegin)
    : m_inner(std::move(inner)), m_beforeBegin(std::move(beforeBegin)), m_afterBegin(std::move(afterBegin)) {}

void InterposedSql::setToken(const QString& token) {
    m_inner->setToken(token);
}
void InterposedSql::setLibrary(const QString& libraryName) {
    m_inner->setLibrary(libraryName);
}
int InterposedSql::engineCode() const {
    return m_inner->engineCode();
}
qint64 InterposedSql::execute(const QString& instruction) {
    return m_inner->execute(instruction);
}
qint64 InterposedSql::errorNumber() const {
    return m_inner->errorNumber();
}
QString InterposedSql::errorText() const {
    return m_inner->errorText();
}
bool InterposedSql::errorIsPassing() const {
    return m_inner->errorIsPassing();
}
qint64 InterposedSql::rowsAffected() const {
    return m_inner->rowsAffected();
}
int InterposedSql::rowCount() const {
    return m_inner->rowCount();
}
int InterposedSql::columnCount() const {
    return m_inner->columnCount();
}
QString InterposedSql::columnValue(int column) const {
    return m_inner->columnValue(column);
}
QString InterposedSql::columnName(int column) const {
    return m_inner->columnName(column);
}
void InterposedSql::setRow(int row) {
    m_inner->setRow(row);
}
int InterposedSql::nextRow() {
    return m_inner->nextRow();
}
void InterposedSql::releaseResults() {
    m_inner->releaseResults();
}
qint64 InterposedSql::nextKey(const QString& counterName) {
    return m_inner->nextKey(counterName);
}
void InterposedSql::beginTransaction() {
    if (m_beforeBegin)
        std::exchange(m_beforeBegin, {})();
    m_inner->beginTransaction();
    if (m_afterBegin)
        std::exchange(m_afterBegin, {})();
}
void InterposedSql::beginFolderTransaction(qint64 folder) {
    if (m_beforeBegin)
        std::exchange(m_beforeBegin, {})();
    m_inner->beginFolderTransaction(folder);
    if (m_afterBegin)
        std::exchange(m_afterBegin, {})();
}
void InterposedSql::lockDocument(qint64 docNumber) {
    m_inner->lockDocument(docNumber);
}
void InterposedSql::commitTransaction() {
    m_inner->commitTransaction();
}
void InterposedSql::rollbackTransaction() noexcept {
    m_inner->rollbackTransaction();
}

} // namespace vantrelis::testing
