#include "dm/local/FolderChain.h"

namespace vantrelis::dm::local {

namespace {

qint64 ToKey(const QVariant& value) {
    return value.isValid() && !value.isNull() ? value.toLongLong() : 0;
}

} // namespace

ItemChain FolderChain::Read(LibraryStore& database, qint64 parentDocNumber) {
    const QueryResult result = database.query(
        QStringLiteral("SELECT SYSTEM_ID, DOCNUMBER, NODE_TYPE, DISPLAYNAME, ISFIRST, \"NEXT\" "
                       "FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ?1 ORDER BY SYSTEM_ID"),
        {parentDocNumber});
    std::vector<ChainItem> rows;
    rows.reserve(result.rows.size());
    for (const auto& row : result.rows) {
        ChainItem item;
        item.systemId = ToKey(row[0]);
        item.docNumber = ToKey(row[1]);
        item.nodeType = row[2].toString();
        item.displayName = row[3].toString();
        item.isFirst = row[4].toString().trimmed().compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0;
        item.next = ToKey(row[5]);
        rows.push_back(item);
    }
    return ItemChain::Analyse(parentDocNumber, std::move(rows), [&database](qint64 systemId) {
        const QVariant parent = database.scalar(
            QStringLiteral("SELECT PARENT FROM DOCSADM.FOLDER_ITEM WHERE SYSTEM_ID = ?1"), {systemId});
        return parent.isValid() ? std::optional<qint64>(ToKey(parent)) : std::nullopt;
    });
}

} // namespace vantrelis::dm::local
