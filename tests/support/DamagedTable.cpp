#include "support/DamagedTable.h"

#include <QFile>

namespace vantrelis::testing {

bool DamageTable(dm::local::LibraryDatabase& database, const QString& table) {
    database.execute(QStringLiteral("PRAGMA DOCSADM.wal_checkpoint(TRUNCATE)"));
    const qint64 page =
        database
            .scalar(QStringLiteral(
                        "SELECT rootpage FROM DOCSADM.sqlite_master WHERE type = 'table' AND name = ?1"),
                    {table})
            .toLongLong();
    const qint64 pageSize = database.scalar(QStringLiteral("PRAGMA DOCSADM.page_size")).toLongLong();
    QFile file(database.file());
    if (page < 2 || pageSize <= 0 || !file.open(QIODevice::ReadWrite) || !file.seek((page - 1) * pageSize))
        return false;
    return file.write(QByteArray(int(pageSize), '\xA5')) == pageSize;
}

} // namespace vantrelis::testing
