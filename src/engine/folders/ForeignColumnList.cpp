#include "engine/folders/ForeignColumnList.h"

#include "common/FaultReport.h"
#include "common/SqlText.h"
#include "common/Text.h"
#include "dm/SqlRows.h"

namespace vantrelis::engine {

namespace {
const QString kProfile = QStringLiteral("PROFILE");
}

ForeignColumnList::ForeignColumnList(dm::SqlGateway& gateway, Log& log) : m_gateway(gateway), m_log(log) {}

void ForeignColumnList::Load() {
    try {
        const QString libraryName = m_gateway.session().LibraryName();
        for (const ForeignColumn& entry : m_entries) {
            if (entry.libraryName == libraryName)
                return;
        }
        m_log.ShowStatus(QStringLiteral("Retrieving foreign columns from Profile table"));
        dm::SqlRows rows(m_gateway,
                         QStringLiteral("SELECT COLNAME, FTBNAME FROM ") + OwnerPrefix() +
                             QStringLiteral("DOCSCOLUMN WHERE TBNAME = 'PROFILE' AND CMSKEY = 'F'"));
        QList<ForeignColumn> loaded;
        for (bool more = rows.first(); more; more = rows.next()) {
            const QString column = TrimBlanks(rows.value(1));
            if (column.isEmpty())
                continue;
            const QString referenced = TrimBlanks(rows.value(2));
            loaded.append({libraryName, column, referenced.isEmpty() ? kProfile : referenced, kProfile});
        }
        m_entries.append(loaded);
    } catch (...) {
        ReportCurrentFault(m_log);
    }
}

QStringList ForeignColumnList::ProfileColumns(const QString& libraryName) const {
    QStringList columns;
    for (const ForeignColumn& entry : m_entries) {
        if (entry.libraryName == libraryName && entry.owningTable == kProfile && !entry.columnName.isEmpty())
            columns.append(entry.columnName);
    }
    return columns;
}

} // namespace vantrelis::engine
