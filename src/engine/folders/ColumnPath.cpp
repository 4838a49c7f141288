#include "engine/folders/ColumnPath.h"

#include "common/SqlText.h"
#include "common/Text.h"
#include "dm/SqlRows.h"

#include <QStringList>

namespace vantrelis::engine {

QString ColumnReference::Join() const {
    const QString owner = OwnerPrefix();
    return owner + refTable + QLatin1Char('.') + refColumn + QStringLiteral(" = ") + owner + table +
           QLatin1Char('.') + column;
}

bool ColumnPath::makesFolder() const {
    return (table == QLatin1String("DOCUMENTTYPES") && column == QLatin1String("TYPE_ID")) ||
           (table == QLatin1String("APPS") && column == QLatin1String("APPLICATION"));
}

ColumnPath WalkColumnPath(dm::SqlGateway& gateway, const QString& token, bool followLast) {
    const QString owner = OwnerPrefix();
    const QStringList parts = token.split(QLatin1Char('.'));
    ColumnPath path;
    QString table = QStringLiteral("PROFILE");
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString column = TrimBlanks(parts.at(i));
        if (i + 1 == parts.size()) {
            path.table = table;
            path.column = column;
            if (!followLast)
                break;
        }
        QString refTable;
        QString refColumn;
        {
            const dm::SqlRows rows(gateway, QStringLiteral("SELECT FTBNAME, FCOLNAME FROM ") + owner +
                                                QStringLiteral("DOCSCOLUMN WHERE ") +
                                                QStringLiteral("TBNAME = '") + EscapeSQLText(table) +
                                                QStringLiteral("' AND COLNAME = '") + EscapeSQLText(column) +
                                                QLatin1Char('\''));
            refTable = TrimBlanks(rows.value(1));
            refColumn = TrimBlanks(rows.value(2));
        }
        if (refTable.isEmpty() || refColumn.isEmpty())
            break;
        path.references.append({table, column, refTable, refColumn});
        table = refTable;
    }
    return path;
}

} // namespace vantrelis::engine
