#include "engine/folders/FolderEngine.h"

#include "common/FaultReport.h"
#include "engine/folders/FolderSupport.h"

namespace vantrelis::engine {

FolderEngine::FolderEngine(dm::SqlGateway& gateway, Log& log, RuleTable& rules, DocumentSecurity& security)
    : m_gateway(gateway), m_log(log), m_foreignColumns(gateway, log), m_sorting(gateway, log),
      m_metadata(gateway, log, rules, m_foreignColumns),
      m_items(gateway, log, rules, security, m_sorting, m_metadata),
      m_creation(gateway, log, rules, security, m_items), m_filing(gateway, log, rules),
      m_finder(gateway, log, *this) {}

qint32 FolderEngine::CreateFolder(const QString& folderName, qint32 parentFolder, const QString& formName,
                                  int ruleIndex, qint32 sortAfterAdd, const LineColumns& lineColumns) {
    return m_creation.CreateFolder(folderName, parentFolder, formName, ruleIndex, sortAfterAdd, lineColumns);
}

bool FolderEngine::AddFolderItem(qint32 itemDocNumber, qint32 parentFolder, const QString& nodeType,
                                 int ruleIndex, qint32 sortAfterAdd) {
    return m_items.AddFolderItem(itemDocNumber, parentFolder, nodeType, ruleIndex, sortAfterAdd);
}

QString FolderEngine::AddDocsSQL(qint32 folderDocNumber, int ruleIndex) {
    return m_filing.AddDocsSQL(folderDocNumber, ruleIndex);
}

QString FolderEngine::PlannedDocsSQL(const PlannedProfile& profile, int ruleIndex) {
    return m_filing.PlannedDocsSQL(profile, ruleIndex);
}

void FolderEngine::SortFolders(qint32 parentFolder) {
    m_sorting.SortFolders(parentFolder);
}

void FolderEngine::ForgetRunState() {
    m_sorting.ForgetAll();
    m_items.ForgetVersions();
}

bool FolderEngine::BeginBatch(qint32 folder) {
    if (m_batch)
        return true;
    try {
        m_batch.emplace(SessionSql(m_gateway, QStringLiteral("BeginBatch")), folder);
        return true;
    } catch (...) {
        // A library that is busy or not bound: each item takes a transaction of its own.
        return false;
    }
}

bool FolderEngine::EndBatch(bool commit) {
    if (!m_batch)
        return true;
    try {
        if (commit) {
            m_batch->commit();
        } else {
            m_batch->rollback();
            ForgetRunState();
        }
        m_batch.reset();
        return commit;
    } catch (...) {
        ForgetRunState();
        // The failed commit was undone: none of the batch's items are in the library.
        ReportCurrentFault(m_log);
        m_batch.reset();
        return false;
    }
}

CreationLock FolderEngine::LockForCreation(qint32 parentFolder) {
    if (m_creationLock)
        return CreationLock::Held;
    try {
        m_creationLock.emplace(SessionSql(m_gateway, QStringLiteral("CreateFolder")), parentFolder);
        return CreationLock::Held;
    } catch (...) {
        ReportCurrentFault(m_log);
        return CreationLock::Refused;
    }
}

bool FolderEngine::UnlockCreation(bool commit) {
    if (!m_creationLock)
        return true;
    try {
        if (commit)
            m_creationLock->commit();
        else
            m_creationLock->rollback();
        m_creationLock.reset();
        return commit;
    } catch (...) {
        // The failed commit was undone: the folder is not in the library, nor what the run kept of it.
        ForgetRunState();
        ReportCurrentFault(m_log);
        m_creationLock.reset();
        return false;
    }
}

} // namespace vantrelis::engine
