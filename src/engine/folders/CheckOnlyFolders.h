#pragma once

#include "common/Log.h"
#include "dm/SqlGateway.h"
#include "engine/FolderOperations.h"
#include "engine/folders/FolderFinder.h"

#include <QHash>
#include <QSet>
#include <QString>

namespace vantrelis::engine {

// The folder operations an import run calls. Every call goes to the folder engine, unless check-only
// is on: then nothing is written. A missing folder is only planned ("would be created") under a
// number of its own far above the library's numbers, so that the levels below it are planned too
// without looking them up; a folder another line already planned is answered with the same number,
// so each folder is counted once, as the run that writes would create it once. A document is looked
// up in its folder but not linked. A planned folder's document query is answered from the profile
// it would get: its parent's values and its import line's columns. A document this check would
// already file into a folder counts as in it. A level is found or created as the folder engine does it,
// with the same lookups; a check plans the level instead, without a lock.
class CheckOnlyFolders : public FolderOperations {
public:
    CheckOnlyFolders(FolderOperations& engine, dm::SqlGateway& gateway, Log& log);

    // Turns check-only on or off for the next run and forgets the folders planned so far (and the
    // engine what it kept of the last run).
    void setCheckOnly(bool on);
    bool checkOnly() const { return m_checkOnly; }

    FolderLevel FindOrCreateFolder(const LevelRequest& request) {
        return m_finder.FindOrCreateFolder(request);
    }
    qint32 CreateFolder(const QString& folderName, qint32 parentFolder, const QString& formName,
                        int ruleIndex, qint32 sortAfterAdd, const LineColumns& lineColumns) override;
    bool AddFolderItem(qint32 itemDocNumber, qint32 parentFolder, const QString& nodeType, int ruleIndex,
                       qint32 sortAfterAdd) override;
    QString AddDocsSQL(qint32 folderDocNumber, int ruleIndex) override;
    bool IsPlanned(qint32 folder) const override { return m_plannedNumbers.contains(folder); }
    bool BeginBatch(qint32 folder) override { return !m_checkOnly && m_engine.BeginBatch(folder); }
    bool EndBatch(bool commit) override { return m_engine.EndBatch(commit); }
    void ForgetRunState() override { m_engine.ForgetRunState(); }
    CreationLock LockForCreation(qint32 parentFolder) override {
        return m_checkOnly ? CreationLock::None : m_engine.LockForCreation(parentFolder);
    }
    bool UnlockCreation(bool commit) override { return m_checkOnly || m_engine.UnlockCreation(commit); }

    bool FolderCreated() const override;
    void setFolderCreated(bool created) override;
    bool ItemExisted() const override;

    void LoadForeignColumns() override { m_engine.LoadForeignColumns(); }
    const QList<ForeignColumn>& foreignColumns() const override { return m_engine.foreignColumns(); }

private:
    FolderOperations& m_engine;
    dm::SqlGateway& m_gateway;
    Log& m_log;
    bool m_checkOnly = false;
    bool m_folderCreated = false;
    bool m_itemExisted = false;
    // Planned folders by library, parent and name, and their numbers.
    QHash<QString, qint32> m_planned;
    QSet<qint32> m_plannedNumbers;
    // Each planned folder's parent and line columns (by upper-case PROFILE column).
    struct Plan {
        qint32 parent = 0;
        QHash<QString, QString> columns;
    };
    QHash<qint32, Plan> m_plans;
    // The documents this check would file, by library, folder and document: a second line that
    // leads to the same folder finds them there, as it would after the run that writes.
    QSet<QString> m_filed;
    FolderFinder m_finder;
};

} // namespace vantrelis::engine
