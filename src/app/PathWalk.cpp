// The walk of one path: each level found or created by the folder engine, then the rule's documents filed
// into the deepest folder.

#include "app/PathWalk.h"

#include "app/PathTemplate.h"
#include "common/StandardLines.h"
#include "common/Text.h"

#include <limits>

namespace vantrelis::app {

namespace {

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

        if (parent != 0 && !m_folders.IsPlanned(parent) && !ParentFolderExists(parent, outcome))
            return;
        engine::LevelRequest request;
        request.name = name;
        request.parent = parent;
        request.form = form;
        request.ruleIndex = ruleRow;
        request.sortAfterAdd = sortFlag ? 1 : 0;
        request.lineColumns = [&lineValues, level] {
            return lineValues ? lineValues(level) : engine::LineColumns{};
        };
        const engine::FolderLevel found = m_folders.FindOrCreateFolder(request);
        if (found.folder == 0) {
            // The engine's log lines say why; the report gets the folder's name.
            outcome.kind = PathOutcome::Kind::Failed;
            outcome.noteError(QStringLiteral("Error: Folder ") + name +
                              QStringLiteral(" could not be created in library ") + m_libraryName);
            return;
        }
        parent = found.folder;
        folderExisted = found.found;
        if (found.created)
            ++outcome.foldersCreated;
    }
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

} // namespace vantrelis::app
