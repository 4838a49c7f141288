#pragma once

#include "common/Log.h"
#include "dm/RunJournalText.h"
#include "dm/SqlGateway.h"

#include <QHash>
#include <QString>
#include <vector>

namespace vantrelis::engine {

// Rewrites folders' item chains so that following ISFIRST and NEXT visits the items in DISPLAYNAME
// order, as the database orders them (items of equal names by SYSTEM_ID, as the (PARENT,
// DISPLAYNAME) index keeps them). Each folder's rewrite is one transaction, and only the rows whose
// NEXT or ISFIRST change are written.
//
// A folder sorted here is remembered as sorted until the run ends (ForgetAll) or the filing that
// sorted it is undone (Forget). A new item of such a folder is linked straight into its place by
// name: its neighbours are found through the (PARENT, DISPLAYNAME) index, and when they are not
// linked to each other (another writer changed the folder) the folder is sorted in full instead.
// Filing into a sorted folder then costs the same whatever the folder holds.
class FolderSorting {
public:
    FolderSorting(dm::SqlGateway& gateway, Log& log);

    // Sorts one folder, or with 0 every folder that has a head row. With newItem (the SYSTEM_ID
    // of a row just inserted into a folder known as sorted, not linked yet, and its DISPLAYNAME as
    // stored) the row is linked into its place. Never raises; the status label and the pointer are as they
    // were when it returns.
    void SortFolders(qint64 parentFolder, qint64 newItem = 0, const QString& newName = QString());

    // Whether the folder's chain is known to be sorted, so that a new item can be placed.
    bool isSorted(qint64 parentFolder) const;
    void Forget(qint64 parentFolder);
    void ForgetAll() { m_sorted.clear(); }

private:
    struct Folder {
        QString parent;
        QString headName;
    };
    // The chain rows a sort relinked, as they were and as they are now.
    struct ChainChange {
        std::vector<dm::RunJournalText::ChainLink> was;
        std::vector<dm::RunJournalText::ChainLink> now;
    };
    // In a journalled run: the relinked rows, in the sort's transaction.
    void JournalChain(qint64 parent, const ChainChange& chain);

    // Sorts the items of one folder (the k-th of the list); with newItem, places that row if it can.
    void SortFolder(int k, const Folder& folder, qint64 newItem, const QString& newName);
    // Links the new row between its neighbours by name; false when the folder is not known as
    // sorted or the neighbours are not linked to each other (the caller then undoes its writes).
    bool Place(const Folder& folder, qint64 newItem, const QString& newName);
    bool Relink(const QString& systemId, const QString& next, bool isFirst);
    QString SortedKey(const QString& parent) const;

    // Folders sorted in this run, by library and parent, with the number of items they hold and
    // the name of their head (the head query reads every item of the folder on this engine).
    struct Sorted {
        qint64 count = 0;
        QString headName;
    };
    QHash<QString, Sorted> m_sorted;

    dm::SqlGateway& m_gateway;
    Log& m_log;
};

} // namespace vantrelis::engine
