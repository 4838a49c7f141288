#include "dm/local/StatementCache.h"

#include <sqlite3.h>

namespace vantrelis::dm::local {

namespace {

constexpr qsizetype kStatementCacheLimit = 256;

void Finalize(QHash<QString, StatementCache::Entry>& statements) {
    for (const StatementCache::Entry& entry : std::as_const(statements))
        sqlite3_finalize(entry.statement);
    statements.clear();
}

} // namespace

const StatementCache::Entry* StatementCache::find(bool guarded, const QString& sql) const {
    const QHash<QString, Entry>& statements = guarded ? m_guarded : m_statements;
    const auto found = statements.constFind(sql);
    return found == statements.constEnd() ? nullptr : &*found;
}

void StatementCache::insert(bool guarded, const QString& sql, const Entry& entry) {
    QHash<QString, Entry>& statements = guarded ? m_guarded : m_statements;
    if (statements.size() >= kStatementCacheLimit)
        Finalize(statements);
    statements.insert(sql, entry);
}

void StatementCache::clear() {
    Finalize(m_statements);
    Finalize(m_guarded);
}

} // namespace vantrelis::dm::local
