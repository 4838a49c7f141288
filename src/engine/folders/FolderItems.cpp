#include "engine/folders/FolderItems.h"

#include "common/FaultReport.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "dm/FolderItemRow.h"
#include "dm/SqlRows.h"
#include "dm/SqlTransaction.h"
#include "engine/folders/FolderSupport.h"

namespace vantrelis::engine {

namespace {

const QString kSource = QStringLiteral("AddFolderItem");

QString FolderItemTable() {
    return OwnerPrefix() + QStringLiteral("FOLDER_ITEM ");
}

} // namespace

FolderItems::FolderItems(dm::SqlGateway& gateway, Log& log, const RuleTable& rules,
                         DocumentSecurity& security, FolderSorting& sorting, MetadataInheritance& metadata)
    : m_gateway(gateway), m_log(log), m_rules(rules), m_security(security), m_sorting(sorting),
      m_metadata(metadata) {}

bool FolderItems::FindTail(const QString& parent, Tail& tail) {
    tail = Tail{};
    {
        // The newest row is the tail unless a sort moved it: one indexed lookup in the usual case.
        dm::SqlRows newest(
            m_gateway, QStringLiteral("SELECT SYSTEM_ID, ") + NextColumn() + QStringLiteral(" FROM ") +
                           FolderItemTable() + QStringLiteral("WHERE PARENT = ") + parent +
                           QStringLiteral(" AND SYSTEM_ID = (SELECT MAX(SYSTEM_ID) FROM ") +
                           FolderItemTable() + QStringLiteral("WHERE PARENT = ") + parent + QLatin1Char(')'));
        if (!newest.ok())
            return false;
        if (newest.rowCount() == 0)
            return true;
        tail.isFirst = false;
        tail.lastItem = LeadingWhole(newest.value(1));
        if (LeadingWhole(newest.value(2)) == 0)
            return true;
    }
    dm::SqlRows end(m_gateway, QStringLiteral("SELECT SYSTEM_ID FROM ") + FolderItemTable() +
                                   QStringLiteral("WHERE PARENT = ") + parent + QStringLiteral(" AND (") +
                                   NextColumn() + QStringLiteral(" = 0 OR ") + NextColumn() +
                                   QStringLiteral(" IS NULL) ORDER BY SYSTEM_ID DESC"));
    if (!end.ok())
        return false;
    if (end.rowCount() > 0) {
        tail.lastItem = LeadingWhole(end.value(1));
        return true;
    }
    m_log.WriteLog(QStringLiteral("Warning: No item of folder #") + parent +
                   QStringLiteral(" ends its chain - the new item follows the last one placed into it"));
    return true;
}

qint64 FolderItems::ParentVersion(const QString& parent) {
    const QString key = m_gateway.session().LibraryName().toUpper() + QLatin1Char('\n') + parent;
    if (const auto known = m_versions.constFind(key); known != m_versions.constEnd())
        return known.value();
    const dm::SqlRows rows(m_gateway, QStringLiteral("SELECT VERSION_ID FROM ") + OwnerPrefix() +
                                          QStringLiteral("VERSIONS WHERE DOCNUMBER = ") + parent);
    const qint64 version = rows.scalar();
    // A folder without a row yet may get one; only a found row is kept.
    if (rows.ok() && rows.rowCount() > 0)
        m_versions.insert(key, version);
    return version;
}

bool FolderItems::Link(const QString& item, const QString& parent, const QString& nodeType, bool placeBySort,
                       qint64& newKey, QString& displayName) {
    dm::DmSql& sql = SessionSql(m_gateway, kSource);
    newKey = sql.nextKey(QStringLiteral("SYSTEMKEY"));
    if (newKey == 0) {
        m_log.WriteLog(
            QStringLiteral("Error: Unable to retrieve System_ID for inserting new row - cannot continue.") +
            kCrLf +
            QStringLiteral("(Note: If you are using Windows XP, this is a known Hummingbird issue "
                           "described in SD017875)"));
        m_log.WriteLog(StandardLines::StepSeparator());
        return false;
    }

    m_log.ShowStatus(QStringLiteral("Fetching version_id for document #") + parent);
    const qint64 parentVersion = ParentVersion(parent);

    Tail tail;
    tail.isFirst = false;
    if (!placeBySort) {
        m_log.ShowStatus(QStringLiteral("Fetching last folder item placed into folder"));
        if (!FindTail(parent, tail)) {
            m_log.ShowStatus(QStringLiteral("Error: Unable to find the last item of folder #") + parent);
            return false;
        }
    }

    m_log.ShowStatus(QStringLiteral("Fetching document name for added profile"));
    {
        const dm::SqlRows rows(m_gateway, QStringLiteral("SELECT DOCNAME FROM ") + OwnerPrefix() +
                                              QStringLiteral("PROFILE WHERE DOCNUMBER = ") + item);
        displayName = rows.value(1);
    }

    m_log.ShowStatus(QStringLiteral("Inserting new folder item"));
    {
        const dm::FolderItemRow row{newKey,       nodeType,          parent.toLongLong(),
                                    tail.isFirst, item.toLongLong(), parentVersion,
                                    displayName};
        const dm::SqlRows insert(m_gateway, row.InsertSql());
        if (insert.rowsAffected() == 0) {
            m_log.ShowStatus(QStringLiteral("Error: Unable to insert folder item into FOLDER_ITEMS table"));
            return false;
        }
    }

    if (!tail.isFirst && !placeBySort) {
        m_log.ShowStatus(QStringLiteral("Updating last folder item"));
        const dm::SqlRows update(m_gateway,
                                 dm::FolderItemRow::LinkSql(parent.toLongLong(), tail.lastItem, newKey));
        if (!update.ok() || update.rowsAffected() != 1) {
            m_log.ShowStatus(QStringLiteral("Error: Unable to link the new item to the last folder item - "
                                            "the folder is left as it was"));
            return false;
        }
    }
    if (dm::DmRunJournal* journal = m_gateway.session().journal.get())
        journal->itemLinked(newKey, parent.toLongLong(), item.toLongLong(),
                            tail.isFirst || placeBySort ? 0 : tail.lastItem);
    return true;
}

bool FolderItems::ApplySecurity(qint64 itemDocNumber, qint64 parentFolder, int ruleIndex, bool isDocument) {
    const bool inherit = RuleSwitch(m_rules, ruleIndex, RuleTable::kInheritSecurity);
    bool succeeded = false;
    if (inherit)
        m_security.InheritSecurity(itemDocNumber, parentFolder, succeeded);
    const QString securityTemplate = m_rules.field(ruleIndex, RuleTable::kSecurity);
    if (!securityTemplate.isEmpty() &&
        (RuleSwitch(m_rules, ruleIndex, RuleTable::kAppendTrustees) || !inherit)) {
        // A new folder's parties are the running user; a document's may be missing from the
        // library, and then it must not lose the security it was just given.
        if (!isDocument) {
            m_security.AddSecurity(itemDocNumber, securityTemplate, ruleIndex, succeeded);
            return true;
        }
        bool partiesFound = true;
        m_security.AddDocumentSecurity(itemDocNumber, securityTemplate, ruleIndex, succeeded, partiesFound);
        return partiesFound;
    }
    return true;
}

bool FolderItems::AddFolderItem(qint64 itemDocNumber, qint64 parentFolder, const QString& nodeType,
                                int ruleIndex, qint32 sortAfterAdd) {
    m_itemExisted = false;
    m_lastLinkRow = 0;
    const QString item = FormatWhole(itemDocNumber);
    if (itemDocNumber == 0 || parentFolder == 0) {
        m_log.ShowStatus(QStringLiteral("Error: Cannot add folder item for document #") + item);
        return false;
    }
    const QString parent = FormatWhole(parentFolder);
    bool added = false;
    try {
        m_log.ShowStatus(QStringLiteral("Checking whether document #") + item +
                         QStringLiteral(" already exists in folder #") + parent);
        m_log.WriteLog(StandardLines::StepSeparator());
        // The row, the link to it and what the rule does for the new item land together: an
        // interrupted filing leaves no row that a rerun would take as done. The lock taken here
        // keeps another writer from linking after the same tail, and from filing the item between
        // the check and the insert. It is the folder's lock: writers of other folders go on.
        dm::SqlTransaction filing(SessionSql(m_gateway, kSource), parentFolder);
        qint64 count = 0;
        {
            const dm::SqlRows rows(m_gateway, QStringLiteral("SELECT COUNT(*) FROM ") + OwnerPrefix() +
                                                  QStringLiteral("FOLDER_ITEM WHERE PARENT = ") + parent +
                                                  QStringLiteral(" AND DOCNUMBER = ") + item);
            count = rows.scalar();
        }
        if (count != 0) {
            m_log.WriteLog(QStringLiteral("Folder item ") + item +
                           QStringLiteral(" already exists in folder"));
            m_log.WriteLog(StandardLines::StepSeparator());
            filing.commit();
            m_itemExisted = true;
            added = true;
        } else {
            m_log.ShowStatus(QStringLiteral("Adding document #") + item + QStringLiteral(" to folder"));
            m_log.WriteLog(StandardLines::SectionEnd());
            // The document's trustees and profile are rewritten below: a writer filing it into
            // another folder at the same time waits (the folder's lock does not keep it out).
            if (nodeType != QLatin1String("F"))
                SessionSql(m_gateway, kSource).lockDocument(itemDocNumber);
            const bool placeBySort = sortAfterAdd == 1 && m_sorting.isSorted(parentFolder);
            qint64 newKey = 0;
            QString displayName;
            // Whatever happens to this filing, a folder the sort touched is known as sorted only
            // once the filing is in.
            struct Undone {
                FolderSorting& sorting;
                qint64 folder;
                bool committed = false;
                ~Undone() {
                    try {
                        if (!committed)
                            sorting.Forget(folder);
                    } catch (...) {
                    }
                }
            } undone{m_sorting, parentFolder};
            if (Link(item, parent, nodeType, placeBySort, newKey, displayName)) {
                if (sortAfterAdd == 1)
                    m_sorting.SortFolders(parentFolder, placeBySort ? newKey : 0, displayName);
                m_log.WriteLog(StandardLines::StepSeparator());
                m_metadata.Inherit(itemDocNumber, parentFolder, ruleIndex);
                m_log.WriteLog(StandardLines::StepSeparator());
                if (ApplySecurity(itemDocNumber, parentFolder, ruleIndex, nodeType != QLatin1String("F"))) {
                    filing.commit();
                    m_lastLinkRow = newKey;
                    undone.committed = true;
                    added = true;
                    m_log.ShowStatus(QStringLiteral("Folder Item successfully added to folder."));
                } else {
                    filing.rollback();
                    m_log.ShowStatus(QStringLiteral("Error: Adding Folder Item to folder"));
                }
            } else {
                m_log.ReportError(0, QString(), QString());
                m_log.ShowStatus(QStringLiteral("Error: Adding Folder Item to folder"));
            }
        }
    } catch (...) {
        ReportCurrentFault(m_log);
        m_log.ShowStatus(QStringLiteral("Error: Adding Folder Item to folder"));
        added = false;
    }
    m_log.WriteLog(StandardLines::StepSeparator());
    m_log.Yield();
    return added;
}

} // namespace vantrelis::engine
