#include "support/LibraryRows.h"

#include "dm/local/FolderChain.h"

#include <gtest/gtest.h>

namespace vantrelis::testing {

QStringList ChainNames(dm::local::LibraryStore& store, qint64 parent) {
    const dm::ItemChain chain = dm::local::FolderChain::Read(store, parent);
    for (const dm::ChainProblem& problem : chain.problems())
        ADD_FAILURE() << "folder " << parent << ": " << problem.text.toStdString();
    QStringList names;
    for (const dm::ChainItem& item : chain.items())
        names << item.displayName;
    return names;
}

QList<qint64> FoldersNamed(dm::local::LibraryStore& store, const QString& name, qint64 parent) {
    const dm::local::QueryResult rows =
        parent == 0
            ? store.query(QStringLiteral("SELECT F.DOCNUMBER FROM DOCSADM.FOLDER F JOIN DOCSADM.PROFILE P ON "
                                         "P.DOCNUMBER = F.DOCNUMBER WHERE P.DOCNAME = ?1 AND NOT EXISTS "
                                         "(SELECT 1 FROM DOCSADM.FOLDER_ITEM I WHERE I.DOCNUMBER = "
                                         "F.DOCNUMBER) ORDER BY 1"),
                          {name})
            : store.query(QStringLiteral("SELECT DOCNUMBER FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ?1 AND "
                                         "DISPLAYNAME = ?2 ORDER BY 1"),
                          {parent, name});
    QList<qint64> numbers;
    for (const auto& row : rows.rows)
        numbers << row.at(0).toLongLong();
    return numbers;
}

} // namespace vantrelis::testing
