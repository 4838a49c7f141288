#include "dm/local/LibraryStore.h"

#include "common/Fault.h"
#include "dm/local/LocalErrors.h"

namespace vantrelis::dm::local {

void LibraryStore::RaiseSeveralStatements(const QString& sql) {
    throw Fault(kErrorSeveralStatements, QStringLiteral("LocalBackend"),
                QStringLiteral("Only one SQL statement can be executed at a time: %1").arg(sql.simplified()));
}

} // namespace vantrelis::dm::local
