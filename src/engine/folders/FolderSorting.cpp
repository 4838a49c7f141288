#include "engine/folders/FolderSorting.h"

#include "common/FaultReport.h"
#include "common/SqlText.h"
#include "common/Text.h"
#include "dm/RunJournalText.h"
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
    QString displayName;
};

} // namespace

FolderSorting::FolderSorting(dm::SqlGateway& gateway, Log& log) : m_gateway(gateway), m_log(log) {}

QString FolderSorting::SortedKey(const QString& parent) const {
    return m_gateway.session().LibraryName().toUpper() + QLatin1Char('\n') + parent;
}

bool FolderSorting::isSorted(qint64 parentFolder) const {
    return m_sorted.contains(SortedKey(FormatWhole(parentFolder)));
}

void FolderSorting::Forget(qint64 parentFolder) {
    m_sorted.remove(SortedKey(FormatWhole(parentFolder)));
}

bool FolderSorting::Relink(const QString& systemId, const QString& next, bool isFirst) {
    const dm::SqlRows update(m_gateway, QStringLiteral("UPDATE ") + OwnerPrefix() +
                                            QStringLiteral("FOLDER_ITEM SET ") + NextColumn() +
                                            QStringLiteral(" = ") + next + QStringLiteral(", ISFIRST = '") +
                                            (isFirst ? QStringLiteral("Y") : QStringLiteral("N")) +
                                            QStringLiteral("' WHERE SYSTEM_ID = ") + systemId);
    return update.ok();
}

void FolderSorting::JournalChain(qint64 parent, const ChainChange& chain) {
    if (chain.was.empty())
        return;
    if (dm::DmRunJournal* journal = m_gateway.session().journal.get())
        journal->chainRewritten(parent, dm::RunJournalText::ChainRows(chain.was),
                                dm::RunJournalText::ChainRows(chain.now));
}

bool FolderSorting::Place(const Folder& folder, qint64 newItem, const QString& newName) {
    const auto known = m_sorted.constFind(SortedKey(folder.parent));
    if (known == m_sorted.constEnd())
        return false;
    const QString table = OwnerPrefix() + QStringLiteral("FOLDER_ITEM");
    const QString key = FormatWhole(newItem);
    const QString name = QLatin1Char('\'') + EscapeSQLText(newName) + QLatin1Char('\'');
    // The items just before and just after the new one in the order of the full sort: by name,
    // and among equal names by SYSTEM_ID. Each is one step down the (PARENT, DISPLAYNAME) index.
    const QString inFolder =
        QStringLiteral(" FROM ") + table + QStringLiteral(" WHERE PARENT = ") + folder.parent;
    const auto neighbour = [&](const QString& extreme, const QString& compare, const QString& idCompare) {
        return QStringLiteral("COALESCE((SELECT ") + extreme + QStringLiteral("(SYSTEM_ID)") + inFolder +
               QStringLiteral(" AND DISPLAYNAME = ") + name + QStringLiteral(" AND SYSTEM_ID ") + idCompare +
               QStringLiteral(" ") + key + QStringLiteral("), (SELECT ") + extreme +
               QStringLiteral("(SYSTEM_ID)") + inFolder + QStringLiteral(" AND DISPLAYNAME = (SELECT ") +
               extreme + QStringLiteral("(DISPLAYNAME)") + inFolder + QStringLiteral(" AND DISPLAYNAME ") +
               compare + QStringLiteral(" ") + name + QStringLiteral(")))");
    };
    const auto side = [&](const char* tag, const QString& id) {
        return QStringLiteral("SELECT '") + QLatin1String(tag) + QStringLiteral("', SYSTEM_ID, ") +
               NextColumn() + QStringLiteral(", ISFIRST FROM ") + table +
               QStringLiteral(" WHERE SYSTEM_ID = ") + id;
    };
    QString before;
    QString beforeNext;
    bool beforeIsFirst = false;
    QString after;
    bool afterIsFirst = false;
    QString afterNext;
    {
        dm::SqlRows rows(
            m_gateway,
            side("P", neighbour(QStringLiteral("MAX"), QStringLiteral("<"), QStringLiteral("<"))) +
                QStringLiteral(" UNION ALL ") +
                side("S", neighbour(QStringLiteral("MIN"), QStringLiteral(">"), QStringLiteral(">"))));
        if (!rows.ok())
            return false;
        for (bool more = rows.first(); more; more = rows.next()) {
            if (rows.value(1) == QLatin1String("P")) {
                before = rows.value(2);
                beforeNext = rows.value(3);
                beforeIsFirst = rows.value(4).compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0;
            } else {
                after = rows.value(2);
                afterNext = rows.value(3);
                afterIsFirst = rows.value(4).compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0;
            }
        }
    }
    // The neighbours must be linked to each other, the first one must head the chain.
    const QString afterKey = after.isEmpty() ? QStringLiteral("0") : FormatWhole(LeadingWhole(after));
    if (before.isEmpty() && after.isEmpty())
        return false;
    if (!before.isEmpty() && FormatWhole(LeadingWhole(beforeNext)) != afterKey)
        return false;
    if (before.isEmpty() && !afterIsFirst)
        return false;

    const qint64 count = known.value().count + 1;
    m_log.WriteLog(FormatWhole(count) + QStringLiteral(" items in folder need sorting"));
    // No journal row: taking the new row out of the chain again (the row before it then leads to the
    // row after it, or the row after it heads the chain) leaves the chain exactly as it was.
    if (!after.isEmpty() || before.isEmpty()) {
        if (!Relink(key, afterKey, before.isEmpty()))
            return false;
    }
    if (before.isEmpty()) {
        if (!Relink(after, FormatWhole(LeadingWhole(afterNext)), false))
            return false;
    } else if (!Relink(before, key, beforeIsFirst)) {
        return false;
    }
    m_sorted.insert(SortedKey(folder.parent), {count, before.isEmpty() ? newName : folder.headName});
    m_log.WriteLog(QStringLiteral("Folder ") + folder.headName + QStringLiteral(" needed sorting"));
    return true;
}

void FolderSorting::SortFolder(int k, const Folder& folder, qint64 newItem, const QString& newName) {
    m_log.ShowStatus(QStringLiteral("Sorting folder ") + FormatWhole(k) + QStringLiteral(" (") +
                     folder.headName + QLatin1Char(')'));
    bool changed = false;
    // The items are read and relinked under the folder's lock: a fault or a refused row leaves the
    // folder's chain as it was, never half rewritten.
    dm::SqlTransaction rewrite(SessionSql(m_gateway, kSource), LeadingWhole(folder.parent));
    if (newItem != 0) {
        if (Place(folder, newItem, newName)) {
            rewrite.commit();
            return;
        }
        // Undo whatever the placing wrote; the full sort below puts every item in its place.
        rewrite.rollback();
        m_sorted.remove(SortedKey(folder.parent));
        SortFolder(k, folder, 0, QString());
        return;
    }
    m_sorted.remove(SortedKey(folder.parent));
    ChainChange chain;
    qint64 itemCount = 0;
    std::vector<Item> items;
    {
        dm::SqlRows rows(m_gateway, QStringLiteral("SELECT SYSTEM_ID, DISPLAYNAME, ") + NextColumn() +
                                        QStringLiteral(", ISFIRST FROM ") + OwnerPrefix() +
                                        QStringLiteral("FOLDER_ITEM WHERE PARENT = ") + folder.parent +
                                        QStringLiteral(" ORDER BY DISPLAYNAME"));
        const int count = rows.rowCount();
        itemCount = count;
        if (count > 1) {
            m_log.WriteLog(FormatWhole(count) + QStringLiteral(" items in folder need sorting"));
            items.reserve(static_cast<size_t>(count));
            for (bool more = rows.first(); more && int(items.size()) < count; more = rows.next())
                items.push_back({rows.value(1), rows.value(3), rows.value(4), rows.value(2)});
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
        chain.was.push_back({LeadingWhole(items[m].systemId), items[m].isFirst == QLatin1String("Y"),
                             LeadingWhole(items[m].next)});
        chain.now.push_back(
            {LeadingWhole(items[m].systemId), isFirst == QLatin1String("Y"), LeadingWhole(next)});
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
    JournalChain(LeadingWhole(folder.parent), chain);
    rewrite.commit();
    if (itemCount > 0 && !items.empty())
        m_sorted.insert(SortedKey(folder.parent), {itemCount, items.front().displayName});
    else if (itemCount == 1)
        m_sorted.insert(SortedKey(folder.parent), {itemCount, folder.headName});
    m_log.WriteLog(QStringLiteral("Folder ") + folder.headName +
                   (changed ? QStringLiteral(" needed sorting") : QStringLiteral(" was already sorted")));
}

void FolderSorting::SortFolders(qint64 parentFolder, qint64 newItem, const QString& newName) {
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
        const auto known = m_sorted.constFind(SortedKey(FormatWhole(parentFolder)));
        if (newItem != 0 && parentFolder != 0 && known != m_sorted.constEnd()) {
            // The folder's head is known: its query would read every item of the folder.
            m_log.WriteLog(QStringLiteral("1 folder(s) will be sorted"));
            folders.push_back({FormatWhole(parentFolder), known.value().headName});
        } else {
            newItem = 0;
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
        }
        if (!folders.empty()) {
            const QString folderCount = FormatWhole(static_cast<qint64>(folders.size()));
            m_log.SetStatusLabel(QStringLiteral("Processing ") + folderCount + QStringLiteral(" folder(s)"));
            m_log.Yield();
            // A folder with two heads was changed by another writer: it is sorted in full.
            for (size_t k = 0; k < folders.size(); ++k)
                SortFolder(int(k) + 1, folders[k], folders.size() == 1 ? newItem : 0, newName);
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
