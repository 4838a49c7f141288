#include "dm/FolderItemRow.h"

#include "common/SqlText.h"

namespace vantrelis::dm {

namespace {
QString Table() {
    return OwnerPrefix() + QStringLiteral("FOLDER_ITEM ");
}
} // namespace

QString FolderItemRow::NextColumn() {
    return QStringLiteral("\"NEXT\"");
}

QString FolderItemRow::InsertSql() const {
    return QStringLiteral("INSERT INTO ") + Table() +
           QStringLiteral("(SYSTEM_ID, NODE_TYPE, PARENT, ISFIRST, ") + NextColumn() +
           QStringLiteral(
               ", DOCNUMBER, VERSION_TYPE, PARENT_VERSION, DISPLAYNAME, STATUS, LIBRARY, "
               "PARENT_LIBRARY, REMOTE_SYSTEM_ID, VERSION, FOLDERDOCNO_RO, FOLDERREMLIB_RO, HAS_PROPS, "
               "PREV_VERSION_TYPE) VALUES(") +
           QString::number(systemId) + QStringLiteral(", '") + EscapeSQLText(nodeType) +
           QStringLiteral("', ") + QString::number(parent) + QStringLiteral(", '") +
           (isFirst ? QLatin1Char('Y') : QLatin1Char('N')) + QStringLiteral("', 0, ") +
           QString::number(docNumber) + QStringLiteral(", 'R', ") + QString::number(parentVersion) +
           QStringLiteral(", '") + EscapeSQLText(displayName) +
           QStringLiteral("', 0, 0, 0, 0, 0, 0, 0, '', '')");
}

QString FolderItemRow::LinkSql(qint64 parent, qint64 previous, qint64 next) {
    return QStringLiteral("UPDATE ") + Table() + QStringLiteral("SET ") + NextColumn() +
           QStringLiteral(" = ") + QString::number(next) + QStringLiteral(" WHERE PARENT = ") +
           QString::number(parent) + QStringLiteral(" AND SYSTEM_ID = ") + QString::number(previous);
}

} // namespace vantrelis::dm
