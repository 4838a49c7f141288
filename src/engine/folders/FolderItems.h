#pragma once

#include "common/Log.h"
#include "config/RuleTable.h"
#include "dm/SqlGateway.h"
#include "engine/DocumentSecurity.h"
#include "engine/folders/FolderSorting.h"
#include "engine/folders/MetadataInheritance.h"

#include <QHash>
#include <QString>

namespace vantrelis::engine {

// Links items (subfolders and documents) into a folder's FOLDER_ITEM chain, then sorts the folder,
// shares metadata and sets the item's security as the rule asks.
class FolderItems {
public:
    FolderItems(dm::SqlGateway& gateway, Log& log, const RuleTable& rules, DocumentSecurity& security,
                FolderSorting& sorting, MetadataInheritance& metadata);

    // Appends the item after the chain's tail (the row whose NEXT is 0). The check that the item is
    // not in the folder yet, the new row, the link to it and the sort, metadata and security that
    // follow are one transaction: an interruption or a fault leaves none of them, and no other writer
    // files the item in between. True when the item is in the folder afterwards; never raises.
    bool AddFolderItem(qint64 itemDocNumber, qint64 parentFolder, const QString& nodeType, int ruleIndex,
                       qint32 sortAfterAdd);
    bool ItemExisted() const { return m_itemExisted; }
    // The FOLDER_ITEM row the last AddFolderItem linked (0 when it linked none).
    qint64 LastLinkRow() const { return m_lastLinkRow; }
    // A new run (or an undone batch) reads every folder's VERSION_ID again.
    void ForgetVersions() { m_versions.clear(); }

private:
    struct Tail {
        bool isFirst = true;
        qint64 lastItem = 0;
    };

    // The row the new item follows (none when the folder has no rows yet); false when the lookup
    // was refused.
    bool FindTail(const QString& parent, Tail& tail);
    // Writes the row and links it, inside the caller's transaction; false (after its status line)
    // when either write failed.
    // A folder known as sorted has rows; its new row is inserted unlinked, for the sort to place it,
    // without looking for the tail.
    bool Link(const QString& item, const QString& parent, const QString& nodeType, bool placeBySort,
              qint64& newKey, QString& displayName);
    // The folder's VERSION_ID, read once per folder and run (it never changes).
    qint64 ParentVersion(const QString& parent);
    // False when a document's author or typist could not be found: its template security was not
    // applied, and the filing is to be undone rather than leave it weakened.
    bool ApplySecurity(qint64 itemDocNumber, qint64 parentFolder, int ruleIndex, bool isDocument);

    dm::SqlGateway& m_gateway;
    Log& m_log;
    const RuleTable& m_rules;
    DocumentSecurity& m_security;
    FolderSorting& m_sorting;
    MetadataInheritance& m_metadata;
    bool m_itemExisted = false;
    qint64 m_lastLinkRow = 0;
    // VERSION_ID by library and folder, for this run.
    QHash<QString, qint64> m_versions;
};

} // namespace vantrelis::engine
