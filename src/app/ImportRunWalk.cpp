// The walk of one path: each level found by SQL or created, then the rule's documents filed into the
// deepest folder.

#include "app/ImportRun.h"
#include "app/PathTemplate.h"
#include "common/SqlText.h"
#include "common/Text.h"
#include "dm/SqlRows.h"

#include <QElapsedTimer>

#include <limits>
#include <vector>

namespace vantrelis::app {

namespace {

const QChar kQuote = QLatin1Char('"');

// A document number read from a result column; 0 for none or one beyond the 32-bit range.
qint32 DocNumber(const QString& text) {
    const qint64 value = LeadingWhole(text);
    return value > 0 && value <= std::numeric_limits<qint32>::max() ? static_cast<qint32>(value) : 0;
}

QString Number(qint64 value) {
    return FormatWhole(value);
}

QString NotFiledLine(qint64 documents, const QString& path) {
    return QStringLiteral("Error: The last ") + Number(documents) +
           QStringLiteral(" document(s) added to folder ") + path +
           QStringLiteral(" could not be committed and are not filed");
}

} // namespace

void ImportRun::WalkPath(qint64 pathIndex, const Rule& rule) {
    Log& log = m_context.log();
    // Added counts this path only when this path created a folder.
    m_folders.setFolderCreated(false);
    const qint64 parentSetting = m_context.library().parentFolder();
    qint32 parent = parentSetting > 0 && parentSetting <= std::numeric_limits<qint32>::max()
                        ? static_cast<qint32>(parentSetting)
                        : 0;
    QString path = TrimBlanks(m_paths.at(pathIndex - 1));
    if (path.isEmpty())
        return;
    log.ShowStatus(QStringLiteral("Processing template ") + path);
    log.WriteLog(Dashes(60));

    int level = 0;
    bool folderExisted = false;
    bool sortFlag = true;
    while (!path.isEmpty()) {
        // Between levels the user may leave: the levels made so far stay, the path is not finished.
        if (level > 0 && StopRequested())
            return;
        const PathLevel next = PathTemplate::SplitLevel(path);
        path = next.rest;
        ++level;
        sortFlag = m_columns.SortFlag(level);
        // One name for the lookup and the creation, or a rerun would not find what this run made.
        const QString name = PathTemplate::LevelName(next.name);
        if (name.isEmpty()) {
            // A folder without a name cannot be found again by its name; the line lacks a value.
            log.WriteLog(QStringLiteral("Error: Level ") + Number(level) + QStringLiteral(" of ") +
                         m_paths.at(pathIndex - 1) + QStringLiteral(" has no name - the path is skipped"));
            ++m_errorCount;
            return;
        }

        qint32 found = 0;
        // Below a folder a check-only run would create, nothing can be found.
        if (!m_folders.IsPlanned(parent)) {
            if (parent != 0 && !ParentFolderExists(parent)) {
                ++m_errorCount;
                return;
            }
            found = parent == 0 ? FindTopLevelFolder(name) : FindFolderInParent(name, parent);
        }
        if (found == 0) {
            // The line's values are found first, so that the folder is created with them.
            engine::LineColumns lineColumns;
            if (m_fillFromLine && pathIndex <= m_lines.pathValues.size())
                lineColumns =
                    m_profileFill.Columns(level, m_lines.pathValues.at(pathIndex - 1),
                                          m_lines.pathLines.at(pathIndex - 1), m_choices.importFile);
            parent = m_folders.CreateFolder(name, parent, rule.form, rule.row, sortFlag ? 1 : 0, lineColumns);
            folderExisted = false;
            if (m_folders.FolderCreated())
                ++m_summary.folders;
        } else {
            parent = found;
            folderExisted = true;
            log.WriteLog(QStringLiteral("Folder ") + name + QStringLiteral(" already exists as Document #") +
                         Number(parent));
            log.WriteLog(Dashes(60));
        }
        if (parent == 0)
            break;
    }
    if (parent == 0) {
        ++m_errorCount;
        return;
    }
    if (m_folders.FolderCreated())
        ++m_addedCount;
    m_leaf = parent;
    FileDocuments(pathIndex, parent, folderExisted, sortFlag, rule);
}

bool ImportRun::ParentFolderExists(qint32 parent) {
    Log& log = m_context.log();
    dm::DmSession& session = m_context.session();
    log.WriteLog(QStringLiteral("Checking for existence of root folder #") + Number(parent) +
                 QStringLiteral(" in library ") + m_libraryName);
    log.WriteLog(Dashes(70));
    const QString current = session.LibraryName();
    std::shared_ptr<dm::DmLibrary> library;
    if (session.libraries) {
        const int count = session.libraries->count();
        for (int i = 1; i <= count && !library; ++i) {
            std::shared_ptr<dm::DmLibrary> item = session.libraries->item(i);
            if (item && item->name().compare(current, Qt::CaseInsensitive) == 0)
                library = item;
        }
    }
    log.WriteLog(QStringLiteral("Opening folder object #") + Number(parent) + QStringLiteral(" in library ") +
                 (library ? library->name() : current));
    log.WriteLog(Dashes(70));
    // The shared folder slot holds the object only while it is tested.
    struct ReleaseSlot {
        dm::DmSession& session;
        ~ReleaseSlot() { session.currentFolder.reset(); }
    } release{session};
    session.currentFolder = library ? library->folder(parent) : nullptr;
    if (session.currentFolder)
        return true;
    log.WriteLog(QStringLiteral("Error: Parent folder #") + Number(parent) +
                 QStringLiteral(" not found in library ") + m_libraryName);
    log.WriteLog(Dashes(70));
    return false;
}

qint32 ImportRun::FindTopLevelFolder(const QString& level) {
    Log& log = m_context.log();
    log.WriteLog(QStringLiteral("Checking for existence of a top-level folder named ") + kQuote + level +
                 kQuote + QStringLiteral(" in library ") + m_libraryName);
    log.WriteLog(Dashes(70));
    // A folder that is no item of any folder of this library. Asked per folder of that name, so the
    // cost stays that of an index probe however many items the library holds, and an item row
    // without a document number cannot hide every top-level folder (as NOT IN would).
    const QString owner = OwnerPrefix();
    dm::SqlRows rows(
        m_context.gateway(),
        QStringLiteral("SELECT F.DOCNUMBER FROM ") + owner + QStringLiteral("FOLDER F, ") + owner +
            QStringLiteral("PROFILE P ") + QStringLiteral("WHERE ") +
            QStringLiteral("F.DOCNUMBER = P.DOCNUMBER AND ") + QStringLiteral("P.DOCNAME = '") +
            EscapeSQLText(level) + QStringLiteral("' AND ") + QStringLiteral("NOT EXISTS (SELECT 1 FROM ") +
            owner + QStringLiteral("FOLDER_ITEM FI WHERE FI.DOCNUMBER = F.DOCNUMBER AND FI.LIBRARY = 0) ") +
            QStringLiteral("ORDER BY F.DOCNUMBER"));
    const int count = rows.rowCount();
    if (count > 1)
        log.WriteLog(QStringLiteral("Warning: There are ") + Number(count) +
                     QStringLiteral(" folders with the same name (") + level +
                     QStringLiteral(") as the item being processed."));
    const qint32 found = rows.first() ? DocNumber(rows.value(1)) : 0;
    if (found == 0) {
        log.WriteLog(QStringLiteral("A parent folder named ") + kQuote + level + kQuote +
                     QStringLiteral(" not found in library ") + m_libraryName);
        log.WriteLog(Dashes(70));
        return 0;
    }
    log.WriteLog(QStringLiteral("Top-Level Folder #") + Number(found) +
                 QStringLiteral(" found and will be used"));
    log.WriteLog(Dashes(70));
    return found;
}

qint32 ImportRun::FindFolderInParent(const QString& level, qint32 parent) {
    Log& log = m_context.log();
    log.WriteLog(QStringLiteral("Retrieving current folder ") + kQuote + level + kQuote +
                 QStringLiteral(" in parent folder #") + Number(parent) + QStringLiteral(" in library ") +
                 m_libraryName);
    log.WriteLog(Dashes(70));
    const QString owner = OwnerPrefix();
    dm::SqlRows rows(
        m_context.gateway(),
        QStringLiteral("SELECT FI.DOCNUMBER, RL.LIBRARY_NAME FROM ") + owner +
            QStringLiteral("FOLDER_ITEM FI, ") + owner +
            QStringLiteral(
                "REMOTE_LIBRARIES RL WHERE FI.NODE_TYPE = 'F' AND RL.SYSTEM_ID = FI.LIBRARY AND ") +
            QStringLiteral("FI.PARENT = ") + Number(parent) + QStringLiteral(" AND FI.DISPLAYNAME = '") +
            EscapeSQLText(level) + QLatin1Char('\''));
    const qint32 found = rows.first() ? DocNumber(rows.value(1)) : 0;
    if (found == 0) {
        log.WriteLog(QStringLiteral("Current folder ") + kQuote + level + kQuote +
                     QStringLiteral(" not found in parent folder #") + Number(parent) +
                     QStringLiteral(" in library ") + m_libraryName);
        log.WriteLog(Dashes(70));
        return 0;
    }
    log.WriteLog(QStringLiteral("This item is #") + Number(found) + QStringLiteral(" in library ") +
                 rows.value(2));
    log.WriteLog(Dashes(70));
    return found;
}

void ImportRun::FileDocuments(qint64 pathIndex, qint32 folder, bool folderExisted, bool sortFlag,
                              const Rule& rule) {
    Log& log = m_context.log();
    // The options are read as they stand now: a change during the run applies from this folder on.
    const RunChoices live = m_view.runChoices();
    m_choices.addExistingDocs = live.addExistingDocs;
    m_choices.addNewDocs = live.addNewDocs;
    if (folderExisted && !m_choices.addExistingDocs) {
        log.WriteLog(QStringLiteral("Folder existed - not adding documents"));
        return;
    }
    if (!folderExisted && !m_choices.addNewDocs) {
        log.WriteLog(QStringLiteral("Folder did not exist - not adding documents"));
        return;
    }
    const QString& path = m_paths.at(pathIndex - 1);
    log.ShowStatus(QStringLiteral("Preparing to add documents to folder ") + path);
    const QString statement = m_folders.AddDocsSQL(folder, rule.row);
    if (statement.isEmpty())
        return;

    std::vector<qint32> candidates;
    int k = 0;
    {
        dm::SqlRows rows(m_context.gateway(), statement);
        k = rows.rowCount();
        if (k > 0) {
            log.ShowStatus(QStringLiteral("Adding ") + Number(k) + QStringLiteral(" documents to folder ") +
                           path);
            for (bool more = rows.first(); more && static_cast<int>(candidates.size()) < k;
                 more = rows.next()) {
                const QString value = rows.value(1);
                if (!value.isEmpty())
                    candidates.push_back(DocNumber(value));
            }
        }
    }
    if (k == 0) {
        log.WriteLog(QStringLiteral("No documents found for this folder"));
        return;
    }
    if (candidates.empty())
        return;

    qint64 added = 0;
    qint64 errors = 0;
    const QString of = QStringLiteral(" of ") + Number(static_cast<qint64>(candidates.size())) +
                       QStringLiteral(" to folder");
    // The documents are filed in batches that commit at least every kBatchMs: a commit per document
    // cost a fifth of the run. Each filing stays all or nothing; a batch that cannot commit takes
    // its documents back out of the counts, with an error naming them.
    bool batched = m_folders.BeginBatch();
    QElapsedTimer batchAge;
    batchAge.start();
    qint64 unsettled = 0;
    const auto settle = [&] {
        if (!batched)
            return;
        batched = false;
        if (!m_folders.EndBatch(true) && unsettled > 0) {
            log.ShowStatus(NotFiledLine(unsettled, path));
            added -= unsettled;
            errors += unsettled;
        }
        unsettled = 0;
    };
    try {
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (StopRequested())
                break;
            const qint32 document = candidates[i];
            if (document == 0)
                continue;
            log.SetStatusLabel(QStringLiteral("Adding ") + Number(static_cast<qint64>(i + 1)) + of);
            log.Yield();
            if (!m_folders.AddFolderItem(document, folder, QStringLiteral("P"), rule.row, sortFlag ? 1 : 0)) {
                ++errors;
            } else if (!m_folders.ItemExisted()) {
                ++added;
                ++unsettled;
            }
            m_progress.ItemDone();
            ShowRate();
            if (batched && batchAge.hasExpired(kBatchMs)) {
                settle();
                batched = m_folders.BeginBatch();
                batchAge.restart();
            }
        }
    } catch (...) {
        // The fault undoes the open batch: its documents are not filed, and the log says so after
        // their "successfully added" lines. What earlier batches committed stays counted.
        if (batched) {
            m_folders.EndBatch(false);
            if (unsettled > 0) {
                log.ShowStatus(NotFiledLine(unsettled, path));
                added -= unsettled;
                errors += unsettled;
            }
        }
        m_summary.documents += added;
        m_summary.errors += errors;
        throw;
    }
    settle();
    m_summary.documents += added;
    m_summary.errors += errors;
    if (m_folders.checkOnly())
        log.ShowStatus(QStringLiteral("Check only: would file ") + Number(added) +
                       QStringLiteral(" documents (") + Number(errors) + QStringLiteral(" errors)."));
    else
        log.ShowStatus(Number(added) + QStringLiteral(" document(s) added with ") + Number(errors) +
                       QStringLiteral(" error(s)."));
}

void ImportRun::ShowRate() {
    const QString text = m_progress.Rate(m_runTimer.elapsed());
    if (!text.isNull())
        m_view.showRate(text);
}

} // namespace vantrelis::app
