// The walk of one path: each level found by SQL or created, then the rule's documents filed into the
// deepest folder.

#include "app/PathWalk.h"

#include "app/PathTemplate.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "dm/SqlRows.h"

#include <limits>

namespace vantrelis::app {

namespace {

const QChar kQuote = QLatin1Char('"');

QString Number(qint64 value) {
    return FormatWhole(value);
}

} // namespace

PathWalk::PathWalk(AppContext& context, engine::CheckOnlyFolders& folders, const ColumnTable& columns,
                   DocumentFiler& filer, std::function<bool()> stopRequested)
    : m_context(context), m_folders(folders), m_columns(columns), m_filer(filer),
      m_stopRequested(std::move(stopRequested)) {}

void PathWalk::Walk(const QString& pathText, int ruleRow, const QString& form, const LineValues& lineValues,
                    PathOutcome& outcome) {
    Log& log = m_context.log();
    m_folders.setFolderCreated(false);
    const qint64 parentSetting = m_context.library().parentFolder();
    qint32 parent = parentSetting > 0 && parentSetting <= std::numeric_limits<qint32>::max()
                        ? static_cast<qint32>(parentSetting)
                        : 0;
    QString path = TrimBlanks(pathText);
    if (path.isEmpty())
        return;
    log.ShowStatus(QStringLiteral("Processing template ") + path);
    log.WriteLog(StandardLines::StepSeparator());

    int level = 0;
    bool folderExisted = false;
    bool sortFlag = true;
    while (!path.isEmpty()) {
        // Between levels the user may leave: the levels made so far stay, the path is not finished.
        if (level > 0 && m_stopRequested())
            return;
        const PathLevel next = PathTemplate::SplitLevel(path);
        path = next.rest;
        ++level;
        sortFlag = m_columns.SortFlag(level);
        // One name for the lookup and the creation, or a rerun would not find what this run made.
        const QString name = PathTemplate::LevelName(next.name);
        if (name.isEmpty()) {
            // A folder without a name cannot be found again by its name; the line lacks a value.
            Fail(outcome, QStringLiteral("Error: Level ") + Number(level) + QStringLiteral(" of ") +
                              pathText + QStringLiteral(" has no name - the path is skipped"));
            return;
        }

        qint32 found = 0;
        // Below a folder a check-only run would create, nothing can be found.
        if (!m_folders.IsPlanned(parent)) {
            if (parent != 0 && !ParentFolderExists(parent, outcome))
                return;
            found = parent == 0 ? FindTopLevelFolder(name) : FindFolderInParent(name, parent);
        }
        if (found == 0) {
            // The line's values are found first, so that the folder is created with them.
            const engine::LineColumns lineColumns = lineValues ? lineValues(level) : engine::LineColumns{};
            const qint32 made =
                m_folders.CreateFolder(name, parent, form, ruleRow, sortFlag ? 1 : 0, lineColumns);
            if (made == 0) {
                // The engine's log lines say why; the report gets the folder's name.
                outcome.kind = PathOutcome::Kind::Failed;
                outcome.noteError(QStringLiteral("Error: Folder ") + name +
                                  QStringLiteral(" could not be created in library ") + m_libraryName);
                return;
            }
            parent = made;
            folderExisted = false;
            if (m_folders.FolderCreated())
                ++outcome.foldersCreated;
        } else {
            parent = found;
            folderExisted = true;
            log.WriteLog(QStringLiteral("Folder ") + name + QStringLiteral(" already exists as Document #") +
                         Number(parent));
            log.WriteLog(StandardLines::StepSeparator());
        }
        if (parent == 0)
            break;
    }
    if (parent == 0)
        return;
    outcome.kind = outcome.foldersCreated > 0 ? PathOutcome::Kind::Created : PathOutcome::Kind::Found;
    outcome.folder = parent;
    m_filer.File(pathText, parent, folderExisted, sortFlag, ruleRow, outcome);
}

void PathWalk::Fail(PathOutcome& outcome, const QString& error) {
    m_context.log().WriteLog(error);
    outcome.kind = PathOutcome::Kind::Failed;
    outcome.noteError(error);
}

bool PathWalk::ParentFolderExists(qint32 parent, PathOutcome& outcome) {
    Log& log = m_context.log();
    dm::DmSession& session = m_context.session();
    log.WriteLog(QStringLiteral("Checking for existence of root folder #") + Number(parent) +
                 QStringLiteral(" in library ") + m_libraryName);
    log.WriteLog(StandardLines::LookupSeparator());
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
    log.WriteLog(StandardLines::LookupSeparator());
    // The shared folder slot holds the object only while it is tested.
    struct ReleaseSlot {
        dm::DmSession& session;
        ~ReleaseSlot() { session.currentFolder.reset(); }
    } release{session};
    session.currentFolder = library ? library->folder(parent) : nullptr;
    if (session.currentFolder)
        return true;
    Fail(outcome, QStringLiteral("Error: Parent folder #") + Number(parent) +
                      QStringLiteral(" not found in library ") + m_libraryName);
    log.WriteLog(StandardLines::LookupSeparator());
    return false;
}

qint32 PathWalk::FindTopLevelFolder(const QString& level) {
    Log& log = m_context.log();
    log.WriteLog(QStringLiteral("Checking for existence of a top-level folder named ") + kQuote + level +
                 kQuote + QStringLiteral(" in library ") + m_libraryName);
    log.WriteLog(StandardLines::LookupSeparator());
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
    const qint32 found = rows.first() ? DocumentFiler::DocNumber(rows.value(1)) : 0;
    if (found == 0) {
        log.WriteLog(QStringLiteral("A parent folder named ") + kQuote + level + kQuote +
                     QStringLiteral(" not found in library ") + m_libraryName);
        log.WriteLog(StandardLines::LookupSeparator());
        return 0;
    }
    log.WriteLog(QStringLiteral("Top-Level Folder #") + Number(found) +
                 QStringLiteral(" found and will be used"));
    log.WriteLog(StandardLines::LookupSeparator());
    return found;
}

qint32 PathWalk::FindFolderInParent(const QString& level, qint32 parent) {
    Log& log = m_context.log();
    log.WriteLog(QStringLiteral("Retrieving current folder ") + kQuote + level + kQuote +
                 QStringLiteral(" in parent folder #") + Number(parent) + QStringLiteral(" in library ") +
                 m_libraryName);
    log.WriteLog(StandardLines::LookupSeparator());
    const QString owner = OwnerPrefix();
    dm::SqlRows rows(
        m_context.gateway(),
        QStringLiteral("SELECT FI.DOCNUMBER, RL.LIBRARY_NAME FROM ") + owner +
            QStringLiteral("FOLDER_ITEM FI, ") + owner +
            QStringLiteral(
                "REMOTE_LIBRARIES RL WHERE FI.NODE_TYPE = 'F' AND RL.SYSTEM_ID = FI.LIBRARY AND ") +
            QStringLiteral("FI.PARENT = ") + Number(parent) + QStringLiteral(" AND FI.DISPLAYNAME = '") +
            EscapeSQLText(level) + QLatin1Char('\''));
    const qint32 found = rows.first() ? DocumentFiler::DocNumber(rows.value(1)) : 0;
    if (found == 0) {
        log.WriteLog(QStringLiteral("Current folder ") + kQuote + level + kQuote +
                     QStringLiteral(" not found in parent folder #") + Number(parent) +
                     QStringLiteral(" in library ") + m_libraryName);
        log.WriteLog(StandardLines::LookupSeparator());
        return 0;
    }
    log.WriteLog(QStringLiteral("This item is #") + Number(found) + QStringLiteral(" in library ") +
                 rows.value(2));
    log.WriteLog(StandardLines::LookupSeparator());
    return found;
}

} // namespace vantrelis::app
