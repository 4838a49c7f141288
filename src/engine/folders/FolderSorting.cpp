#include "engine/folders/FolderSorting.h"

#include "common/FaultReport.h"
#include "common/SqlText.h"
#include "common/Text.h"
#include "dm/SqlRows.h"
#include "dm/SqlTransaction.h"
#include "engine/folders/FolderSupport.h"

#include <vector>

namespace vantrelis::engine {

namespace {

const QString kSource = QStringLiteral("SortFolders");

struct Item {
    QString systemId;
    QString next;
    QString isFirst;
};

} // namespace

FolderSorting::FolderSorting(dm::SqlGateway& gateway, Log& log) : m_gateway(gateway), m_log(log) {}

void FolderSorting::SortFolder(int k, const Folder& folder) {
    m_log.ShowStatus(QStringLiteral("Sorting folder ") + FormatWhole(k) + QStringLiteral(" (") +
                     folder.headName + QLatin1Char(')'));
    bool changed = false;
    // The items are read and relinked under one lock: a fault or a refused row leaves the folder's
    // chain as it was, never half rewritten.
    dm::SqlTransaction rewrite(SessionSql(m_gateway, kSource));
    std::vector<Item> items;
    {
        dm::SqlRows rows(m_gateway, QStringLiteral("SELECT SYSTEM_ID, DISPLAYNAME, ") + NextColumn() +
                                        QStringLiteral(", ISFIRST FROM ") + OwnerPrefix() +
                                        QStringLiteral("FOLDER_ITEM WHERE PARENT = ") + folder.parent +
                                        QStringLiteral(" ORDER BY DISPLAYNAME"));
        const int count = rows.rowCount();
        if (count > 1) {
            m_log.WriteLog(FormatWhole(count) + QStringLiteral(" items in folder need sorting"));
            items.reserve(static_cast<size_t>(count));
            for (bool more = rows.first(); more && int(items.size()) < count; more = rows.next())
                items.push_back({rows.value(1), rows.value(3), rows.value(4)});
        }
    }
    for (size_t m = 0; m < items.size(); ++m) {
        const QString next =
            m + 1 == items.size() ? QStringLiteral("0") : FormatWhole(LeadingWhole(items[m + 1].systemId));
        const QString isFirst = m == 0 ? QStringLiteral("Y") : QStringLiteral("N");
        changed = true;
        // Rows already in place are left alone: filing into a sorted folder then costs a few writes,
        // not one per item it holds.
        if (items[m].next == next && items[m].isFirst == isFirst)
            continue;
        const dm::SqlRows update(
            m_gateway, QStringLiteral("UPDATE ") + OwnerPrefix() + QStringLiteral("FOLDER_ITEM SET ") +
                           NextColumn() + QStringLiteral(" = ") + next + QStringLiteral(", ISFIRST = '") +
                           isFirst + QStringLiteral("' WHERE SYSTEM_ID = ") + items[m].systemId);
        if (!update.ok()) {
            rewrite.rollback();
            m_log.WriteLog(QStringLiteral("Error: Unable to sort folder ") + folder.headName +
                           QStringLiteral(" - its items keep their previous order"));
            return;
        }
    }
    rewrite.commit();
    m_log.WriteLog(QStringLiteral("Folder ") + folder.headName +
                   (changed ? QStringLiteral(" needed sorting") : QStringLiteral(" was already sorted")));
}

void FolderSorting::SortFolders(qint64 parentFolder) {
    const QString label = m_log.StatusLabel();
    StatusView* view = m_log.statusView();
    bool busy = false;
    try {
        busy = view && view->isBusy();
        if (view)
            view->setBusy(true);
        m_log.Yield();
        m_log.ShowStatus(QStringLiteral("Preparing to sort folders in library ") +
                         m_gateway.session().LibraryName());
        QString statement = QStringLiteral("SELECT SYSTEM_ID, PARENT, DISPLAYNAME FROM ") + OwnerPrefix() +
                            QStringLiteral("FOLDER_ITEM WHERE ISFIRST = 'Y' ");
        if (parentFolder != 0)
            statement += QStringLiteral("AND PARENT = ") + FormatWhole(parentFolder) + QLatin1Char(' ');
        statement += QStringLiteral("ORDER BY DISPLAYNAME");
        std::vector<Folder> folders;
        {
            dm::SqlRows rows(m_gateway, statement);
            const int count = rows.rowCount();
            if (count == 0) {
                m_log.WriteLog(QStringLiteral("Nothing to sort"));
            } else {
                m_log.WriteLog(FormatWhole(count) + QStringLiteral(" folder(s) will be sorted"));
                for (bool more = rows.first(); more && int(folders.size()) < count; more = rows.next())
                    folders.push_back({rows.value(2), rows.value(3)});
            }
        }
        if (!folders.empty()) {
            const QString folderCount = FormatWhole(static_cast<qint64>(folders.size()));
            m_log.SetStatusLabel(QStringLiteral("Processing ") + folderCount + QStringLiteral(" folder(s)"));
            m_log.Yield();
            for (size_t k = 0; k < folders.size(); ++k)
                SortFolder(int(k) + 1, folders[k]);
            m_log.SetStatusLabel(QStringLiteral("Finished sorting ") + folderCount +
                                 QStringLiteral(" folder(s)"));
            m_log.Yield();
        }
    } catch (...) {
        ReportCurrentFault(m_log);
    }
    m_log.SetStatusLabel(label);
    try {
        if (view)
            view->setBusy(busy);
    } catch (...) {
    }
    m_log.Yield();
}

} // namespace vantrelis::engine
