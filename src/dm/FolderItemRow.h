#pragma once

#include <QString>

namespace vantrelis::dm {

// A FOLDER_ITEM row appended to a folder's item chain: the one text of the statements that place an
// item into a folder, for the folder engine and the administration tool alike. The row goes in as
// the chain's last (NEXT 0); the row that was last is then linked to it.
struct FolderItemRow {
    qint64 systemId = 0;
    QString nodeType; // "F" a folder, "P" a document
    qint64 parent = 0;
    bool isFirst = false; // the folder had no item: the row heads the chain
    qint64 docNumber = 0;
    qint64 parentVersion = 0;
    QString displayName;

    // The INSERT of the row, every value spliced as text (the display name escaped).
    QString InsertSql() const;
    // The UPDATE that makes the folder's row `previous` lead to the row `next`.
    static QString LinkSql(qint64 parent, qint64 previous, qint64 next);
    // The chain's link column, quoted: NEXT is a reserved word on some engines.
    static QString NextColumn();
};

} // namespace vantrelis::dm
