#include "dm/local/LibraryDatabase.h"

#include "dm/local/LiteralParameters.h"

#include "common/Fault.h"
#include "dm/LibraryDamaged.h"
#include "dm/local/LibrarySchema.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/SqlTrace.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrelis::dm::local {

namespace {

const QString kSource = QStringLiteral("LocalBackend");

// Resets a statement when it goes out of scope, on every path.
class StatementGuard {
public:
    explicit StatementGuard(sqlite3_stmt* statement) : m_statement(statement) {}
    ~StatementGuard() {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    StatementGuard(const StatementGuard&) = delete;
    StatementGuard& operator=(const StatementGuard&) = delete;

private:
    sqlite3_stmt* m_statement;
};

QString Utf16Text(const void* text, int bytes) {
    return QString(reinterpret_cast<const QChar*>(text), bytes / int(sizeof(QChar)));
}

QVariant ValueOf(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, column));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(statement, column)));
    }
    case SQLITE_BLOB: {
        const auto* blob = static_cast<const char*>(sqlite3_column_blob(statement, column));
        return QVariant(QByteArray(blob, sqlite3_column_bytes(statement, column)));
    }
    default:
        return QVariant();
    }
}

QString TextOf(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT: {
        // Integral numbers read as whole numbers (12, not 12.0), as the servers' drivers render them.
        const double value = sqlite3_column_double(statement, column);
        if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 9.0e18)
            return QString::number(qint64(value));
        return QString::number(value, 'g', 15);
    }
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
    }
    default:
        return QString();
    }
}

QByteArray LocalPath(const QString& path) {
    return QFile::encodeName(path);
}

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void RaiseFile(qint64 number, const QString& text) {
    throw Fault(number, kSource, text);
}

} // namespace

LibraryDatabase::FileIdentity LibraryDatabase::IdentityOf(const QString& path) {
    struct stat info {};
    if (::stat(LocalPath(path).constData(), &info) != 0)
        return {};
    return {quint64(info.st_dev), quint64(info.st_ino), true};
}

void LibraryDatabase::CheckLibraryFile(const QString& file, Access access) {
    const QByteArray path = LocalPath(file);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        const int error = errno;
        struct stat link {};
        if (error == ENOENT && ::lstat(path.constData(), &link) != 0)
            RaiseFile(kErrorFileMissing,
                      QStringLiteral("The library database file %1 does not exist").arg(file));
        if (error == ENOENT)
            RaiseFile(
                kErrorFileMissing,
                QStringLiteral("The library database file %1 does not exist: it is a symbolic link to a "
                               "missing file")
                    .arg(file));
        RaiseFile(kErrorFileUnreadable, QStringLiteral("The library database file %1 cannot be opened: %2")
                                            .arg(file, SystemError(error)));
    }
    if (S_ISDIR(info.st_mode))
        RaiseFile(kErrorFileUnreadable,
                  QStringLiteral("The library database file %1 is a folder, not a file").arg(file));
    if (!S_ISREG(info.st_mode))
        RaiseFile(
            kErrorFileUnreadable,
            QStringLiteral("The library database file %1 is not a regular file (a device, pipe or socket)")
                .arg(file));
    if (::access(path.constData(), R_OK) != 0)
        RaiseFile(
            kErrorFileUnreadable,
            QStringLiteral("The library database file %1 cannot be read: %2").arg(file, SystemError(errno)));
    // SQLite keeps a library's journal beside it (beside the file a symbolic link leads to) in two
    // more files; a library it cannot write there would fail at its first write, once per
    // statement, instead of once here.
    const QString target = QFileInfo(file).canonicalFilePath();
    for (const QLatin1String suffix : {QLatin1String("-wal"), QLatin1String("-shm")}) {
        const QString companion = target + suffix;
        struct stat companionInfo {};
        if (::stat(LocalPath(companion).constData(), &companionInfo) != 0)
            continue;
        if (!S_ISREG(companionInfo.st_mode))
            RaiseFile(
                kErrorFileUnreadable,
                QStringLiteral("The journal file %1 of the library is not a regular file").arg(companion));
        const int mode = access == Access::ReadWrite ? R_OK | W_OK : R_OK;
        if (::access(LocalPath(companion).constData(), mode) != 0)
            RaiseFile(kErrorNotWritable, QStringLiteral("The journal file %1 of the library cannot be %2: %3")
                                             .arg(companion,
                                                  access == Access::ReadWrite ? QStringLiteral("written")
                                                                              : QStringLiteral("read"),
                                                  SystemError(errno)));
    }
    if (access != Access::ReadWrite)
        return;
    if (::access(path.constData(), W_OK) != 0)
        RaiseFile(kErrorNotWritable, QStringLiteral("The library database file %1 cannot be written: %2")
                                         .arg(file, SystemError(errno)));
    const QString folder = QFileInfo(target).absolutePath();
    if (::access(LocalPath(folder).constData(), W_OK | X_OK) != 0)
        RaiseFile(
            kErrorNotWritable,
            QStringLiteral("The folder %1 of the library database file %2 cannot be written (it holds the "
                           "library's journal files): %3")
                .arg(folder, file, SystemError(errno)));
}

void LibraryDatabase::recordJournalIdentity() {
    m_walIdentity = IdentityOf(m_journalBase + QLatin1String("-wal"));
    m_shmIdentity = IdentityOf(m_journalBase + QLatin1String("-shm"));
}

void LibraryDatabase::removeOwnJournal() noexcept {
    // Only the files this connection had open: a journal that belongs to a file put at the path
    // since then is left alone.
    const std::pair<QLatin1String, FileIdentity> journal[] = {{QLatin1String("-wal"), m_walIdentity},
                                                              {QLatin1String("-shm"), m_shmIdentity}};
    for (const auto& [suffix, identity] : journal) {
        const QString path = m_journalBase + suffix;
        if (identity.valid && IdentityOf(path) == identity)
            ::unlink(LocalPath(path).constData());
    }
}

void LibraryDatabase::checkFileUnchanged() {
    if (!m_fileIdentity.valid)
        return;
    const FileIdentity now = IdentityOf(m_file);
    if (now == m_fileIdentity) {
        if (!m_walIdentity.valid)
            recordJournalIdentity();
        return;
    }
    // The connection still writes into the file it opened, which nobody will see again; and its
    // journal beside the path would be replayed onto whatever file is there next.
    m_replaced = true;
    m_damageNumber = kErrorFileReplaced;
    m_damage =
        QStringLiteral("Library %1: the file %2 was %3 while in use; nothing more is written to it "
                       "(a new run works on the file that is there now)")
            .arg(m_libraryName, m_file, now.valid ? QStringLiteral("replaced") : QStringLiteral("deleted"));
    removeOwnJournal();
    throw dm::LibraryDamaged(m_damageNumber, kSource, m_damage);
}

void LibraryDatabase::guardWrite(sqlite3_stmt* statement) {
    if (sqlite3_stmt_readonly(statement))
        return;
    // A write outside a transaction is one of its own: it begins here.
    if (sqlite3_get_autocommit(m_db))
        checkFileUnchanged();
    else
        sendPendingSavepoints();
}

void LibraryDatabase::sendPendingSavepoints() {
    if (m_savepointsSent >= m_transactionDepth - 1)
        return;
    // The savepoints are the library's own statements, also when the write that needs them came
    // through the SQL object, whose statements may not set savepoints.
    const bool guarded = m_authorizer.guarded();
    m_authorizer.setGuarded(false);
    const auto restore = qScopeGuard([&] { m_authorizer.setGuarded(guarded); });
    // Outermost first, so that each rollback finds its own level and the ones inside it.
    while (m_savepointsSent < m_transactionDepth - 1) {
        const int level = m_savepointsSent + 1;
        execute(QStringLiteral("SAVEPOINT level%1").arg(level));
        m_savepointsSent = level;
    }
}

namespace {

// The pauses between two tries for a lock, in milliseconds, as SQLite's own busy timeout makes them;
// the last one repeats.
constexpr int kLockRetryMs[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};

qint64 SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

int LibraryDatabase::BusyTimeoutMs() {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue("VANTRELIS_BUSY_TIMEOUT_MS", &ok);
    return ok && value >= 0 ? value : kLockWaitLimitMs;
}

int LibraryDatabase::BusyHandler(void* self, int count) {
    return static_cast<LibraryDatabase*>(self)->waitForLock(count) ? 1 : 0;
}

int LibraryDatabase::CommitHook(void* self) {
    // A write got through: the library is not held, whatever was waited before.
    static_cast<LibraryDatabase*>(self)->m_lockWaitedMs = 0;
    return 0;
}

bool LibraryDatabase::waitForLock(int count) {
    // One wait for a library that another writer never releases, not one per statement: the time
    // adds up over the statements that find it locked, and once the limit is spent they fail at once.
    if (m_probingLock)
        return false;
    qint64 now = SteadyMs();
    if (count == 0) {
        if (m_lastLockWaitAt >= 0 && now - m_lastLockWaitAt > std::max(m_busyTimeoutMs, kLockRecentMs))
            m_lockWaitedMs = 0;
        m_lockWaitedBefore = m_lockWaitedMs;
        m_lockWaitStart = now;
    }
    m_lockWaitedMs = m_lockWaitedBefore + (now - m_lockWaitStart);
    m_lastLockWaitAt = now;
    const qint64 left = m_busyTimeoutMs - m_lockWaitedMs;
    if (left <= 0)
        return false;
    const int step = kLockRetryMs[std::min<std::size_t>(std::size_t(count), std::size(kLockRetryMs) - 1)];
    sqlite3_sleep(int(std::min<qint64>(step, left)));
    now = SteadyMs();
    m_lockWaitedMs = m_lockWaitedBefore + (now - m_lockWaitStart);
    m_lastLockWaitAt = now;
    return true;
}

bool LibraryDatabase::lockWaitSpent() {
    if (m_lastLockWaitAt < 0 || m_lockWaitedMs < m_busyTimeoutMs || inTransaction())
        return false;
    // A give-up long ago says nothing about the library now: the next lock is waited for in full.
    if (SteadyMs() - m_lastLockWaitAt > std::max(m_busyTimeoutMs, kLockRecentMs)) {
        m_lockWaitedMs = 0;
        return false;
    }
    // Reads go on while another writer holds the lock, so only a try tells whether it still does:
    // one attempt, without waiting.
    m_probingLock = true;
    const int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    m_probingLock = false;
    if (rc != SQLITE_OK)
        return true;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_lockWaitedMs = 0;
    return false;
}

LibraryDatabase::LibraryDatabase(QString file, int engineCode)
    : m_file(std::move(file)), m_engineCode(engineCode),
      m_libraryName(QFileInfo(m_file).completeBaseName().toUpper()), m_busyTimeoutMs(BusyTimeoutMs()) {}

LibraryDatabase::~LibraryDatabase() {
    m_statements.clear();
    sqlite3_close_v2(m_db);
    // SQLite leaves the journal of a file that was moved away; nobody may replay it onto another.
    if (m_fileIdentity.valid && !(IdentityOf(m_file) == m_fileIdentity))
        removeOwnJournal();
}

std::shared_ptr<LibraryDatabase> LibraryDatabase::Open(const QString& file, int engineCode, Access access,
                                                       const QString& libraryName) {
    CheckLibraryFile(file, access);
    std::shared_ptr<LibraryDatabase> db(new LibraryDatabase(file, engineCode));
    if (!libraryName.isEmpty())
        db->m_libraryName = libraryName;
    db->m_readOnly = access == Access::ReadOnly;
    db->openConnection(access == Access::ReadOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite);
    db->validateSchema();
    const QString ownName = db->ownLibraryName().trimmed().toUpper();
    if (libraryName.isEmpty() && !ownName.isEmpty())
        db->m_libraryName = ownName;
    if (access == Access::ReadWrite) {
        db->setJournal();
        db->recordJournalIdentity();
    }
    return db;
}

std::shared_ptr<LibraryDatabase> LibraryDatabase::Create(const QString& file, int engineCode,
                                                         const QString& libraryName) {
    const QFileInfo info(file);
    if (info.exists() && (info.isDir() || info.size() > 0))
        throw Fault(
            kErrorFileExists, kSource,
            QStringLiteral("Cannot create the library database %1: the file already exists").arg(file));
    std::shared_ptr<LibraryDatabase> db(new LibraryDatabase(file, engineCode));
    if (!libraryName.trimmed().isEmpty())
        db->m_libraryName = libraryName.trimmed().toUpper();
    db->openConnection(OpenMode::Create);
    db->setJournal();
    db->begin();
    try {
        const QStringList statements =
            LibrarySchema::CreateStatements(engineCode, LibrarySchema::SchemaName(), db->libraryName());
        for (const QString& sql : statements)
            db->execute(sql);
        db->commit();
    } catch (...) {
        db->rollback();
        throw;
    }
    // The temp views were made while DOCSADM was empty; they read sqlite_master live, so they
    // see the new tables without being made again.
    return db;
}

void LibraryDatabase::openConnection(OpenMode mode) {
    int rc = sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI,
                             nullptr);
    if (rc != SQLITE_OK)
        raise(rc, QString());
    sqlite3_busy_handler(m_db, &LibraryDatabase::BusyHandler, this);
    sqlite3_commit_hook(m_db, &LibraryDatabase::CommitHook, this);
    execRaw("PRAGMA temp_store = MEMORY");

    // A URI with mode=rw keeps ATTACH from creating a file that should exist.
    const QLatin1String query = mode == OpenMode::Create     ? QLatin1String("?mode=rwc")
                                : mode == OpenMode::ReadOnly ? QLatin1String("?mode=ro")
                                                             : QLatin1String("?mode=rw");
    const QString uri =
        QLatin1String("file:") +
        QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(m_file).absoluteFilePath(), "/")) + query;
    sqlite3_stmt* attach = nullptr;
    rc = sqlite3_prepare_v2(m_db, "ATTACH DATABASE ?1 AS DOCSADM", -1, &attach, nullptr);
    if (rc == SQLITE_OK) {
        const QByteArray utf8 = uri.toUtf8();
        sqlite3_bind_text(attach, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(attach);
        rc = rc == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(m_db);
    }
    sqlite3_finalize(attach);
    if (rc != SQLITE_OK)
        raise(rc, QString());
    m_fileIdentity = IdentityOf(m_file);
    // The name SQLite opened (symbolic links resolved): its journal files are this name + "-wal"
    // and "-shm".
    const char* opened = sqlite3_db_filename(m_db, "DOCSADM");
    m_journalBase = opened && *opened ? QString::fromUtf8(opened) : m_file;
    // The page cache holds the indexes a run keeps searching (SQLite's own default is 2 MB, less
    // than a library of some tens of thousands of documents needs); it only sets this connection.
    execRaw("PRAGMA DOCSADM.cache_size = -65536");
    rc = LibrarySchema::InstallShims(m_db, m_engineCode);
    if (rc != SQLITE_OK)
        raise(rc, QString());
    m_authorizer.install(m_db);
}

void LibraryDatabase::setJournal() {
    execRaw("PRAGMA DOCSADM.journal_mode = WAL");
    execRaw("PRAGMA DOCSADM.synchronous = NORMAL");
}

void LibraryDatabase::validateSchema() {
    QHash<QString, QSet<QString>> present;
    {
        sqlite3_stmt* statement = nullptr;
        int rc = sqlite3_prepare_v2(
            m_db,
            "SELECT upper(m.name), upper(p.name) FROM DOCSADM.sqlite_master AS m "
            "JOIN pragma_table_info(m.name, 'DOCSADM') AS p WHERE m.type IN ('table', 'view')",
            -1, &statement, nullptr);
        if (rc == SQLITE_OK) {
            while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
                present[TextOf(statement, 0)].insert(TextOf(statement, 1));
        }
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE && rc != SQLITE_OK)
            raise(rc, QString());
    }
    QStringList missingTables;
    QStringList missingColumns;
    for (const LibrarySchema::Table& table : LibrarySchema::Tables()) {
        const auto found = present.constFind(table.name);
        if (found == present.constEnd()) {
            if (!table.optional)
                missingTables += table.name;
            continue;
        }
        for (const LibrarySchema::Column& column : table.columns)
            if (!found->contains(column.name))
                missingColumns += table.name + QLatin1Char('.') + column.name;
    }
    if (missingTables.isEmpty() && missingColumns.isEmpty())
        return;
    QStringList parts;
    if (!missingTables.isEmpty())
        parts += QStringLiteral("tables %1").arg(missingTables.join(QLatin1String(", ")));
    if (!missingColumns.isEmpty())
        parts += QStringLiteral("columns %1").arg(missingColumns.join(QLatin1String(", ")));
    throw Fault(kErrorSchemaIncomplete, kSource,
                QStringLiteral("The library database %1 is not a complete library; it lacks %2")
                    .arg(m_file, parts.join(QLatin1String("; "))));
}

QString LibraryDatabase::ownLibraryName() {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(
        m_db, "SELECT COALESCE(LIBRARY_NAME, '') FROM DOCSADM.REMOTE_LIBRARIES WHERE SYSTEM_ID = 0", -1,
        &statement, nullptr);
    QString name;
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW)
        name = TextOf(statement, 0);
    sqlite3_finalize(statement);
    if (rc == SQLITE_ROW)
        return name;
    if (rc != SQLITE_DONE)
        raise(rc, QString());
    // Items of this library are linked with LIBRARY = 0: without its own row every lookup of a
    // folder's items through REMOTE_LIBRARIES finds nothing and folders would be made twice.
    throw Fault(kErrorSchemaIncomplete, kSource,
                QStringLiteral("The library database %1 is not a complete library; it lacks its own "
                               "REMOTE_LIBRARIES row (SYSTEM_ID 0)")
                    .arg(m_file));
}

void LibraryDatabase::execRaw(const char* sql) {
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        raise(rc, QString::fromUtf8(sql));
}

void LibraryDatabase::ensureUsable() const {
    if (m_damageNumber != 0)
        throw dm::LibraryDamaged(m_damageNumber, kSource, m_damage);
}

void LibraryDatabase::runQuietly(const QString& sql) noexcept {
    try {
        trace(sql);
        sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    } catch (...) {
    }
}

void LibraryDatabase::raise(int resultCode, const QString& sql) {
    const int primary = resultCode & 0xff;
    const QString message =
        m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(resultCode));
    const qint64 number = kSqliteErrorBase + primary;
    if (primary == SQLITE_AUTH && !m_authorizer.denied().isEmpty())
        throw Fault(kErrorNotAuthorized, kSource,
                    QStringLiteral("%1 is not allowed through the SQL object of library %2: it would reach "
                                   "outside the library or take over its transactions. In: %3")
                        .arg(m_authorizer.denied(), m_libraryName, sql.simplified()));
    QString text;
    switch (primary) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        // Another writer, not the library, is the cause: one number for both, a passing failure.
        throw Fault(
            kErrorLocked, kSource,
            QStringLiteral("The library database %1 is locked by another process; gave up after waiting "
                           "%2 ms for it in all (%3)")
                .arg(m_libraryName)
                .arg(m_lockWaitedMs)
                .arg(message));
    case SQLITE_FULL:
        throw Fault(kErrorDiskFull, kSource,
                    QStringLiteral("The disk under library %1 is full: the file %2 cannot grow (%3)")
                        .arg(m_libraryName, m_file, message));
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        raiseDamage(number, message);
    case SQLITE_READONLY:
        if (m_readOnly)
            RaiseReadOnly(m_libraryName, message);
        [[fallthrough]];
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        text = QStringLiteral("The library database %1 cannot be opened for reading and writing (%2)")
                   .arg(m_file, message);
        if (primary == SQLITE_CANTOPEN)
            throw Fault(kErrorFileUnreadable, kSource, text);
        break;
    default:
        text = sql.isEmpty() ? message : QStringLiteral("%1 in: %2").arg(message, sql.simplified());
    }
    throw Fault(number, kSource, text);
}

void LibraryDatabase::raiseDamage(qint64 number, const QString& message) {
    // A file put in place of the one open reads as garbage: say what happened to it.
    if (m_db && m_fileIdentity.valid)
        checkFileUnchanged();
    // Pages changed by another writer while they were read can look malformed for a moment; a
    // structure check that finds the library sound (or cannot run for the other's lock) says it
    // was not damage. Only once: a page that stays malformed is damage the check cannot see.
    if (m_db && m_fileIdentity.valid && !m_malformedSeen) {
        m_malformedSeen = true;
        sqlite3_stmt* check = nullptr;
        int rc = sqlite3_prepare_v2(m_db, "PRAGMA DOCSADM.integrity_check(1)", -1, &check, nullptr);
        QString answer;
        if (rc == SQLITE_OK && (rc = sqlite3_step(check)) == SQLITE_ROW)
            answer = TextOf(check, 0);
        sqlite3_finalize(check);
        const int checkPrimary = rc & 0xff;
        if (checkPrimary == SQLITE_BUSY || checkPrimary == SQLITE_LOCKED || answer == QLatin1String("ok"))
            throw Fault(
                kErrorLocked, kSource,
                QStringLiteral("The library database %1 was being changed by another process while it "
                               "was read; try again (%2)")
                    .arg(m_libraryName, message));
    }
    m_damageNumber = number;
    m_damage = QStringLiteral("Library %1 is damaged: the file %2 is not a library database or is "
                              "corrupt (%3)")
                   .arg(m_libraryName, m_file, message);
    throw dm::LibraryDamaged(number, kSource, m_damage);
}

sqlite3_stmt* LibraryDatabase::prepare(const QString& sql) {
    const bool guarded = m_authorizer.guarded();
    if (const StatementCache::Entry* cached = m_statements.find(guarded, sql)) {
        if (cached->writesNameTables)
            m_trusteeNames.forget();
        return cached->statement;
    }
    sqlite3_stmt* statement = nullptr;
    m_authorizer.startStatement();
    const void* tail = nullptr;
    const int bytes = int(sql.size() * sizeof(QChar));
    int rc = sqlite3_prepare16_v3(m_db, sql.utf16(), bytes, SQLITE_PREPARE_PERSISTENT, &statement, &tail);
    if (rc != SQLITE_OK)
        raise(rc, sql);
    if (!statement)
        throw Fault(kErrorEmptyStatement, kSource, QStringLiteral("The SQL text holds no statement"));
    // Only one statement per text: whatever follows must be blank, semicolons or comments.
    const int used = int(static_cast<const char*>(tail) - reinterpret_cast<const char*>(sql.utf16()));
    const QString rest = Utf16Text(tail, bytes - used);
    if (!rest.trimmed().isEmpty()) {
        sqlite3_stmt* next = nullptr;
        const QByteArray restUtf8 = rest.toUtf8();
        const char* restTail = nullptr;
        const char* cursor = restUtf8.constData();
        bool more = false;
        while (*cursor && !more) {
            rc = sqlite3_prepare_v2(m_db, cursor, -1, &next, &restTail);
            more = rc != SQLITE_OK || next != nullptr;
            sqlite3_finalize(next);
            next = nullptr;
            if (restTail == cursor)
                break;
            cursor = restTail;
        }
        if (more) {
            sqlite3_finalize(statement);
            RaiseSeveralStatements(sql);
        }
    }
    // A statement that writes the people or group tables (as SQLite's authorizer saw it prepared,
    // triggers and schema changes included) forgets the trustee names found so far, now and
    // whenever it runs again.
    const StatementCache::Entry entry{statement, m_authorizer.writesNameTables()};
    m_statements.insert(guarded, sql, entry);
    if (entry.writesNameTables)
        m_trusteeNames.forget();
    return statement;
}

void LibraryDatabase::bind(sqlite3_stmt* statement, const QVariantList& params) {
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& value = params.at(i);
        const int index = i + 1;
        int rc = SQLITE_OK;
        if (value.isNull()) {
            rc = sqlite3_bind_null(statement, index);
        } else {
            switch (value.typeId()) {
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Long:
            case QMetaType::ULong:
            case QMetaType::Short:
            case QMetaType::UShort:
                rc = sqlite3_bind_int64(statement, index, value.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(statement, index, value.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray bytes = value.toByteArray();
                rc = sqlite3_bind_blob64(statement, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                                         SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QString text = value.toString();
                rc = sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * sizeof(QChar)),
                                         SQLITE_TRANSIENT);
            }
            }
        }
        if (rc != SQLITE_OK)
            raise(rc, QString());
    }
}

void LibraryDatabase::trace(const QString& sql, const QVariantList& params) {
    if (!m_traceChecked) {
        m_traceChecked = true;
        if (!m_trace)
            m_trace = SqlTrace::FromEnvironment();
    }
    if (m_trace)
        m_trace->write(m_libraryName, sql, params);
}

void LibraryDatabase::setTrace(std::shared_ptr<SqlTrace> trace) {
    m_trace = std::move(trace);
    m_traceChecked = true;
}

QueryResult LibraryDatabase::query(const QString& sql, const QVariantList& params) {
    ensureUsable();
    trace(sql, params);
    sqlite3_stmt* statement = prepare(sql);
    guardWrite(statement);
    StatementGuard guard(statement);
    bind(statement, params);
    QueryResult result;
    // Columns are read after the first step: a cached statement is prepared again there when the
    // schema changed, and only then has its new columns.
    int rc = sqlite3_step(statement);
    const int columns = sqlite3_column_count(statement);
    for (int c = 0; c < columns; ++c)
        result.columns += QString::fromUtf8(sqlite3_column_name(statement, c));
    for (; rc == SQLITE_ROW; rc = sqlite3_step(statement)) {
        std::vector<QVariant> row;
        row.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(ValueOf(statement, c));
        result.rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        raise(rc, sql);
    return result;
}

qint64 LibraryDatabase::execute(const QString& sql, const QVariantList& params) {
    ensureUsable();
    trace(sql, params);
    sqlite3_stmt* statement = prepare(sql);
    guardWrite(statement);
    StatementGuard guard(statement);
    bind(statement, params);
    const sqlite3_int64 before = sqlite3_total_changes64(m_db);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        raise(rc, sql);
    return sqlite3_total_changes64(m_db) == before ? 0 : sqlite3_changes64(m_db);
}

QVariant LibraryDatabase::scalar(const QString& sql, const QVariantList& params) {
    ensureUsable();
    trace(sql, params);
    sqlite3_stmt* statement = prepare(sql);
    guardWrite(statement);
    StatementGuard guard(statement);
    bind(statement, params);
    QVariant value;
    int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        if (sqlite3_column_count(statement) > 0)
            value = ValueOf(statement, 0);
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        }
    }
    if (rc != SQLITE_DONE)
        raise(rc, sql);
    return value;
}

void LibraryDatabase::queryText(const QString& sql, TextResult& result) {
    ensureUsable();
    result.clear();
    trace(sql);
    // Guarded while preparing and stepping: a cached statement is prepared again during a step
    // when the schema changed, and VACUUM asks for its ATTACH only then.
    const GuardedScope guarded(m_authorizer);
    m_authorizer.clearDenied();
    // Statements of the same shape share one prepared statement, their values bound; a text whose
    // parameterized form does not prepare runs as written.
    const LiteralParameters shaped = ParameterizeLiterals(sql);
    sqlite3_stmt* statement = nullptr;
    if (shaped.changed()) {
        try {
            statement = prepare(shaped.text);
            if (sqlite3_bind_parameter_count(statement) != shaped.values.size())
                statement = nullptr;
        } catch (const LibraryDamaged&) {
            throw;
        } catch (const Fault&) {
            statement = nullptr;
            m_authorizer.clearDenied();
        }
    }
    const bool bound = statement != nullptr;
    if (!statement)
        statement = prepare(sql);
    guardWrite(statement);
    StatementGuard guard(statement);
    if (bound)
        bind(statement, shaped.values);
    const sqlite3_int64 before = sqlite3_total_changes64(m_db);
    int rc = sqlite3_step(statement); // first, so a re-prepared statement reports its new columns
    const int columns = sqlite3_column_count(statement);
    result.columns.reserve(size_t(columns));
    for (int c = 0; c < columns; ++c)
        result.columns.push_back(QString::fromUtf8(sqlite3_column_name(statement, c)));
    for (; rc == SQLITE_ROW; rc = sqlite3_step(statement))
        for (int c = 0; c < columns; ++c)
            result.values.push_back(TextOf(statement, c));
    if (rc != SQLITE_DONE) {
        result.clear();
        raise(rc, sql);
    }
    result.changes = sqlite3_total_changes64(m_db) == before ? 0 : sqlite3_changes64(m_db);
}

bool LibraryDatabase::hasTable(const QString& tableName) {
    return scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.sqlite_master WHERE type = 'table' "
                                 "AND name = ?1 COLLATE NOCASE"),
                  {tableName})
               .toLongLong() > 0;
}

bool LibraryDatabase::inTransaction() const {
    return sqlite3_get_autocommit(m_db) == 0;
}

unsigned LibraryDatabase::dataVersion() const {
    unsigned version = 0;
    if (sqlite3_file_control(m_db, "DOCSADM", SQLITE_FCNTL_DATA_VERSION, &version) != SQLITE_OK)
        return 0;
    return version;
}

std::optional<TrusteeName> LibraryDatabase::findTrustee(bool isGroup, const QString& name) {
    // Answers are kept only inside a transaction of begin(): only then are other writers shut out.
    const bool keep = m_transactionDepth > 0 && inTransaction();
    if (keep) {
        if (const auto known = m_trusteeNames.find(isGroup, name))
            return *known;
    }
    const QueryResult rows =
        query(isGroup ? QStringLiteral("SELECT SYSTEM_ID, GROUP_ID FROM DOCSADM.GROUPS WHERE GROUP_ID = ?1")
                      : QStringLiteral("SELECT SYSTEM_ID, USER_ID FROM DOCSADM.PEOPLE WHERE USER_ID = ?1"),
              {name});
    std::optional<TrusteeName> trustee;
    if (!rows.rows.empty())
        trustee = TrusteeName{rows.rows.front().at(0).toLongLong(), rows.rows.front().at(1).toString()};
    if (keep)
        m_trusteeNames.remember(isGroup, name, trustee);
    return trustee;
}

QVariant LibraryDatabase::lookupKey(const QString& sql, const QVariantList& params) {
    const bool keep = m_transactionDepth > 0 && inTransaction();
    QString lookup;
    if (keep) {
        lookup = sql;
        for (const QVariant& param : params)
            lookup += QLatin1Char('\x1f') + QString::fromLatin1(param.typeName()) + QLatin1Char(':') +
                      param.toString();
        if (const auto known = m_trusteeNames.findKey(lookup))
            return *known;
    }
    const QVariant answer = scalar(sql, params);
    if (keep)
        m_trusteeNames.rememberKey(lookup, answer);
    return answer;
}

LibraryDatabase::ChangeStamp LibraryDatabase::changeStamp() const {
    if (m_transactionDepth == 0 || !inTransaction())
        return {};
    return {m_transactionSerial, sqlite3_total_changes64(m_db)};
}

bool LibraryDatabase::unchangedSince(const ChangeStamp& stamp) const {
    return stamp.transaction != 0 && m_transactionDepth > 0 && inTransaction() &&
           stamp.transaction == m_transactionSerial && stamp.changes == sqlite3_total_changes64(m_db);
}

void LibraryDatabase::begin() {
    // Nested begin()s become savepoints, so an object-model write inside another is all or
    // nothing with it.
    if (m_transactionDepth == 0) {
        ensureUsable();
        checkFileUnchanged();
        execute(QStringLiteral("BEGIN IMMEDIATE"));
        ++m_transactionSerial;
        // The write lock is held: the data version now tells whether anyone else committed.
        if (dataVersion() != m_ownDataVersion)
            m_trusteeNames.forget();
        m_savepointsSent = 0;
    }
    // A nested level's SAVEPOINT waits for its first write (sendPendingSavepoints).
    ++m_transactionDepth;
    m_deferredRows.enter();
}

void LibraryDatabase::commit() {
    if (m_transactionDepth == 0)
        throw Fault(kErrorTransaction, kSource, QStringLiteral("Commit without a transaction"));
    if (m_transactionDepth == 1) {
        writeDeferredRows();
        execute(QStringLiteral("COMMIT"));
        m_ownDataVersion = dataVersion();
        m_savepointsSent = 0;
    } else if (m_transactionDepth == 2) {
        if (m_savepointsSent >= 1)
            execute(QStringLiteral("RELEASE level1"));
        m_savepointsSent = 0;
    } else {
        // A savepoint inside another savepoint stays open: releasing (or rolling back to) the one
        // around it ends it too, so its own RELEASE would cost a statement and change nothing. The
        // next unit at this level sends a savepoint of the same name, the one that ROLLBACK TO
        // and RELEASE find, the most recent.
        m_savepointsSent = std::min(m_savepointsSent, m_transactionDepth - 2);
    }
    --m_transactionDepth;
    m_deferredRows.keep();
}

void LibraryDatabase::rollback() noexcept {
    if (m_transactionDepth == 0)
        return;
    --m_transactionDepth;
    m_deferredRows.drop();
    ++m_transactionSerial;
    // What was read inside may have been undone with it.
    m_trusteeNames.forget();
    // Also on a damaged library: its write lock must not stay held. A rollback that fails leaves
    // SQLite to roll the transaction back itself.
    if (m_transactionDepth == 0) {
        if (inTransaction())
            runQuietly(QStringLiteral("ROLLBACK"));
        m_savepointsSent = 0;
    } else if (m_savepointsSent >= m_transactionDepth) {
        runQuietly(QStringLiteral("ROLLBACK TO level%1").arg(m_transactionDepth));
        runQuietly(QStringLiteral("RELEASE level%1").arg(m_transactionDepth));
        m_savepointsSent = m_transactionDepth - 1;
    }
    // A level whose savepoint was never sent wrote nothing: there is nothing to undo.
}

qint64 LibraryDatabase::nextKey(const QString& counterName) {
    ensureUsable();
    // BEGIN IMMEDIATE takes the write lock before reading, so two processes never read the same
    // LAST_KEY. Inside a caller's transaction the lock is already held.
    const bool own = !inTransaction();
    if (own) {
        checkFileUnchanged();
        execute(QStringLiteral("BEGIN IMMEDIATE"));
    }
    try {
        const QString name = counterName.toUpper();
        // The advanced value comes back with the update itself.
        QVariant advanced =
            scalar(QStringLiteral(
                       "UPDATE DOCSADM.KEY_COUNTERS SET LAST_KEY = CASE WHEN COALESCE(LAST_KEY, 0) + 1 = 0 "
                       "THEN 1 ELSE COALESCE(LAST_KEY, 0) + 1 END WHERE NAME = ?1 RETURNING LAST_KEY"),
                   {name});
        if (!advanced.isValid()) {
            execute(QStringLiteral("INSERT INTO DOCSADM.KEY_COUNTERS (NAME, LAST_KEY) VALUES (?1, 1)"),
                    {name});
            advanced = 1;
        }
        const qint64 key = advanced.toLongLong();
        if (key == 0)
            throw Fault(kErrorKeyCounter, kSource,
                        QStringLiteral("The key counter %1 of library %2 could not be advanced")
                            .arg(name, m_libraryName));
        if (own)
            execute(QStringLiteral("COMMIT"));
        return key;
    } catch (...) {
        if (own && inTransaction())
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace vantrelis::dm::local
