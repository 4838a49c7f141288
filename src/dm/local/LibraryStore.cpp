#include "dm/local/LibraryStore.h"

#include "common/Fault.h"
#include "dm/local/LocalErrors.h"

namespace vantrelis::dm::local {

QVariant LibraryStore::lookupKey(const QString& sql, const QVariantList& params) {
    return scalar(sql, params);
}

void LibraryStore::beginForFolder(qint64 /*folder*/) {
    begin();
}

void LibraryStore::insertAtCommit(const QString& head, QVariantList values) {
    if (m_deferredRows.open()) {
        m_deferredRows.add(head, std::move(values));
        return;
    }
    DeferredRows now;
    now.add(head, std::move(values));
    for (const DeferredRows::Statement& statement : now.take())
        execute(statement.sql, statement.params);
}

void LibraryStore::writeDeferredRows() {
    if (m_deferredRows.empty())
        return;
    try {
        for (const DeferredRows::Statement& statement : m_deferredRows.take())
            execute(statement.sql, statement.params);
    } catch (...) {
        // The transaction's changes would commit without their rows: none of it commits.
        rollback();
        throw;
    }
}

void LibraryStore::RaiseSeveralStatements(const QString& sql) {
    throw Fault(kErrorSeveralStatements, QStringLiteral("LocalBackend"),
                QStringLiteral("Only one SQL statement can be executed at a time: %1").arg(sql.simplified()));
}

void LibraryStore::RaiseReadOnly(const QString& libraryName, const QString& detail) {
    throw Fault(kErrorReadOnly, QStringLiteral("LocalBackend"),
                QStringLiteral("Library %1 is open for reading only (a check or a report): nothing may be "
                               "written to it (%2)")
                    .arg(libraryName, detail));
}

} // namespace vantrelis::dm::local
