#include "engine/folders/FolderFinder.h"

#include "common/LibraryQueries.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "dm/SqlRows.h"
#include "engine/folders/FolderSupport.h"

#include <limits>

namespace vantrelis::engine {

namespace {

qint32 DocNumber(const QString& text) {
    const qint64 value = LeadingWhole(text);
    return value > 0 && value <= std::numeric_limits<qint32>::max() ? static_cast<qint32>(value) : 0;
}

} // namespace

FolderFinder::FolderFinder(dm::SqlGateway& gateway, Log& log, FolderOperations& folders)
    : m_gateway(gateway), m_log(log), m_folders(folders) {}

FolderLevel FolderFinder::FindOrCreateFolder(const LevelRequest& request) {
    FolderLevel level;
    const auto found = [&](const Look& look) {
        level.folder = look.folder;
        level.found = true;
        LogExisting(request.name, look.folder);
        return level;
    };
    // Below a folder a check-only run would create, nothing can be found.
    const bool planned = m_folders.IsPlanned(request.parent);
    if (!planned) {
        const Look look = LookUp(request.name, request.parent, false);
        level.twins = request.parent == 0 && look.rows > 1 ? look.rows : 0;
        if (look.folder != 0)
            return found(look);
    }
    // The line's values are found first, so that the folder is created with them, and outside the
    // lock, which other writers wait for.
    const LineColumns lineColumns = request.lineColumns ? request.lineColumns() : LineColumns{};

    const CreationLock lock = planned ? CreationLock::None : m_folders.LockForCreation(request.parent);
    if (lock == CreationLock::Refused)
        return level;
    // A fault that ends the level (a damaged library) must not leave the lock held.
    struct Unlock {
        FolderOperations& folders;
        bool held;
        ~Unlock() {
            try {
                if (held)
                    folders.UnlockCreation(false);
            } catch (...) {
            }
        }
    } unlock{m_folders, lock == CreationLock::Held};
    if (unlock.held) {
        // Another writer may have created the folder since the first look; now none can.
        const Look again = LookUp(request.name, request.parent, true);
        if (request.parent == 0 && again.rows > 1)
            level.twins = again.rows;
        if (again.folder != 0) {
            unlock.held = false;
            // Nothing was written under the lock: whatever its commit answers, the folder is there.
            m_folders.UnlockCreation(true);
            return found(again);
        }
    }
    const qint32 made = m_folders.CreateFolder(request.name, request.parent, request.form, request.ruleIndex,
                                               request.sortAfterAdd, lineColumns);
    const bool created = made != 0 && m_folders.FolderCreated();
    if (unlock.held) {
        unlock.held = false;
        if (!m_folders.UnlockCreation(made != 0))
            return level;
    }
    level.folder = made;
    level.created = created;
    return level;
}

FolderFinder::Look FolderFinder::LookUp(const QString& name, qint32 parent, bool quiet) {
    return parent == 0 ? FindTopLevelFolder(name, quiet) : FindFolderInParent(name, parent, quiet);
}

FolderFinder::Look FolderFinder::FindTopLevelFolder(const QString& name, bool quiet) {
    const QString libraryName = m_gateway.session().LibraryName();
    if (!quiet) {
        m_log.WriteLog(QStringLiteral("Checking for existence of a top-level folder named ") +
                       InQuotes(name) + QStringLiteral(" in library ") + libraryName);
        m_log.WriteLog(StandardLines::LookupSeparator());
    }
    dm::SqlRows rows(m_gateway, TopLevelFolderSql(QStringLiteral("F.DOCNUMBER"), name));
    Look look;
    look.rows = rows.rowCount();
    if (look.rows > 1)
        LogTwins(look.rows, name);
    look.folder = rows.first() ? DocNumber(rows.value(1)) : 0;
    if (quiet)
        return look;
    if (look.folder == 0) {
        m_log.WriteLog(QStringLiteral("A parent folder named ") + InQuotes(name) +
                       QStringLiteral(" not found in library ") + libraryName);
    } else {
        m_log.WriteLog(QStringLiteral("Top-Level Folder #") + FormatWhole(look.folder) +
                       QStringLiteral(" found and will be used"));
    }
    m_log.WriteLog(StandardLines::LookupSeparator());
    return look;
}

FolderFinder::Look FolderFinder::FindFolderInParent(const QString& name, qint32 parent, bool quiet) {
    const QString libraryName = m_gateway.session().LibraryName();
    const QString parentText = FormatWhole(parent);
    if (!quiet) {
        m_log.WriteLog(QStringLiteral("Retrieving current folder ") + InQuotes(name) +
                       QStringLiteral(" in parent folder #") + parentText + QStringLiteral(" in library ") +
                       libraryName);
        m_log.WriteLog(StandardLines::LookupSeparator());
    }
    const QString owner = OwnerPrefix();
    dm::SqlRows rows(
        m_gateway,
        QStringLiteral("SELECT FI.DOCNUMBER, RL.LIBRARY_NAME FROM ") + owner +
            QStringLiteral("FOLDER_ITEM FI, ") + owner +
            QStringLiteral(
                "REMOTE_LIBRARIES RL WHERE FI.NODE_TYPE = 'F' AND RL.SYSTEM_ID = FI.LIBRARY AND ") +
            QStringLiteral("FI.PARENT = ") + parentText + QStringLiteral(" AND FI.DISPLAYNAME = '") +
            EscapeSQLText(name) + QLatin1Char('\''));
    Look look;
    look.rows = rows.rowCount();
    look.folder = rows.first() ? DocNumber(rows.value(1)) : 0;
    if (quiet)
        return look;
    if (look.folder == 0) {
        m_log.WriteLog(QStringLiteral("Current folder ") + InQuotes(name) +
                       QStringLiteral(" not found in parent folder #") + parentText +
                       QStringLiteral(" in library ") + libraryName);
    } else {
        m_log.WriteLog(QStringLiteral("This item is #") + FormatWhole(look.folder) +
                       QStringLiteral(" in library ") + rows.value(2));
    }
    m_log.WriteLog(StandardLines::LookupSeparator());
    return look;
}

void FolderFinder::LogTwins(int rows, const QString& name) {
    m_log.WriteLog(QStringLiteral("Warning: There are ") + FormatWhole(rows) +
                   QStringLiteral(" folders with the same name (") + name +
                   QStringLiteral(") as the item being processed."));
}

void FolderFinder::LogExisting(const QString& name, qint32 folder) {
    m_log.WriteLog(QStringLiteral("Folder ") + name + QStringLiteral(" already exists as Document #") +
                   FormatWhole(folder));
    m_log.WriteLog(StandardLines::StepSeparator());
}

} // namespace vantrelis::engine
