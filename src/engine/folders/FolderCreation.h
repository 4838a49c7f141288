#pragma once

#include "common/Log.h"
#include "config/RuleTable.h"
#include "dm/DmProfile.h"
#include "dm/SqlGateway.h"
#include "engine/DocumentSecurity.h"
#include "engine/FolderOperations.h"
#include "engine/folders/FolderItems.h"

#include <QString>
#include <utility>
#include <vector>

namespace vantrelis::engine {

// Makes a folder in the current library: the folder object and its profile through the object
// model, then by SQL its root-list entry, the values it takes over from its parent and its first
// security, its link under the parent and finally the columns its import line gives it. The whole
// of it is one transaction: a folder is either created, linked and filled or not there at all.
class FolderCreation {
public:
    FolderCreation(dm::SqlGateway& gateway, Log& log, const RuleTable& rules, DocumentSecurity& security,
                   FolderItems& items);

    // The new folder's document number, or 0 when it was not completed. Never raises; the
    // session's current-folder and current-profile slots are empty when it returns.
    qint32 CreateFolder(const QString& folderName, qint32 parentFolder, const QString& formName,
                        int ruleIndex, qint32 sortAfterAdd, const LineColumns& lineColumns);

    bool FolderCreated() const { return m_folderCreated; }
    void setFolderCreated(bool created) { m_folderCreated = created; }

private:
    // The parent's profile values a subfolder takes over.
    struct ParentProfile {
        QString storageType;
        QString path;
        qint64 retention = 0;
        qint64 author = 0;
        qint64 typist = 0;
        qint64 form = 0;
        qint64 documentType = 0;
    };
    using ColumnList = std::vector<std::pair<QString, QString>>;

    // Everything after the opening status; 0 when a step failed (its status written), and then
    // whatever was written is rolled back.
    qint64 Create(const QString& folderName, qint64 parentFolder, const QString& formName, int ruleIndex,
                  qint32 sortAfterAdd, const LineColumns& lineColumns, const QString& libraryName);
    void FillColumns(dm::DmProfile& profile, const QString& folderName, const QString& userName,
                     const ColumnList& parentColumns);
    void UpdateRootList(qint64 newDoc, bool hasParent, const QString& folderName);
    // Copies the parent's values onto the new folder's profile row; false when no row took them.
    bool PostProfile(qint64 newDoc, qint64 parentFolder, const QString& folderName, const QString& formName,
                     ParentProfile& parent);
    // Sets the columns the import line gives the folder; false when the profile row did not take them.
    bool PostLineColumns(qint64 newDoc, const QString& folderName, const LineColumns& lineColumns);
    void SetSecurity(qint64 newDoc, qint64 parentFolder, const QString& folderName, int ruleIndex,
                     const ParentProfile& parent);
    QString Abstract(const QString& folderName) const;

    dm::SqlGateway& m_gateway;
    Log& m_log;
    const RuleTable& m_rules;
    DocumentSecurity& m_security;
    FolderItems& m_items;
    bool m_folderCreated = false;
};

} // namespace vantrelis::engine
