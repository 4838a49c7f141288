#pragma once

#include "common/Log.h"
#include "config/RuleTable.h"
#include "dm/SqlGateway.h"
#include "engine/DocumentSecurity.h"
#include "engine/FolderOperations.h"
#include "engine/folders/DocumentFiling.h"
#include "engine/folders/FolderCreation.h"
#include "engine/folders/FolderFinder.h"
#include "engine/folders/FolderItems.h"
#include "engine/folders/FolderSorting.h"
#include "engine/folders/ForeignColumnList.h"
#include "engine/folders/MetadataInheritance.h"

#include "dm/SqlTransaction.h"

#include <optional>

namespace vantrelis::engine {

// The folder engine: folder creation, the folder item chain, sorting, the document query of a
// folder rule and metadata inheritance, on the current library of the gateway's session. Security
// goes to the security engine given.
class FolderEngine : public FolderOperations {
public:
    FolderEngine(dm::SqlGateway& gateway, Log& log, RuleTable& rules, DocumentSecurity& security);

    qint32 CreateFolder(const QString& folderName, qint32 parentFolder, const QString& formName,
                        int ruleIndex, qint32 sortAfterAdd, const LineColumns& lineColumns) override;
    // Finds the level or creates it: the lookups of the level, and under the library's write lock a
    // second lookup and the creation.
    FolderLevel FindOrCreateFolder(const LevelRequest& request) {
        return m_finder.FindOrCreateFolder(request);
    }
    bool AddFolderItem(qint32 itemDocNumber, qint32 parentFolder, const QString& nodeType, int ruleIndex,
                       qint32 sortAfterAdd) override;
    QString AddDocsSQL(qint32 folderDocNumber, int ruleIndex) override;
    QString PlannedDocsSQL(const PlannedProfile& profile, int ruleIndex) override;
    // Sorts one folder's items by name, or with 0 every folder's.
    void SortFolders(qint32 parentFolder);

    bool BeginBatch(qint32 folder) override;
    void ForgetRunState() override;
    bool EndBatch(bool commit) override;
    // The parent's write lock: a transaction that takes it at once (on one library file the whole
    // library's; inside a batch, a savepoint that takes the parent's lock too).
    CreationLock LockForCreation(qint32 parentFolder) override;
    bool UnlockCreation(bool commit) override;

    bool FolderCreated() const override { return m_creation.FolderCreated(); }
    void setFolderCreated(bool created) override { m_creation.setFolderCreated(created); }
    bool ItemExisted() const override { return m_items.ItemExisted(); }

    void LoadForeignColumns() override { m_foreignColumns.Load(); }
    const QList<ForeignColumn>& foreignColumns() const override { return m_foreignColumns.entries(); }

private:
    dm::SqlGateway& m_gateway;
    Log& m_log;
    ForeignColumnList m_foreignColumns;
    FolderSorting m_sorting;
    MetadataInheritance m_metadata;
    FolderItems m_items;
    FolderCreation m_creation;
    DocumentFiling m_filing;
    FolderFinder m_finder;
    std::optional<dm::SqlTransaction> m_batch;
    std::optional<dm::SqlTransaction> m_creationLock;
};

} // namespace vantrelis::engine
