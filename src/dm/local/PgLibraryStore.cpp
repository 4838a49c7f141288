#include "dm/local/PgLibraryStore.h"

#include "common/Fault.h"
#include "dm/DmConstants.h"
#include "dm/LibraryDamaged.h"
#include "dm/local/LibraryDatabase.h"
#include "dm/local/LibrarySchema.h"
#include "dm/local/LiteralParameters.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/PgLibrarySchema.h"
#include "dm/local/PgStatementText.h"
#include "dm/local/SqlTrace.h"

#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>
#include <cmath>
#include <libpq-fe.h>
#include <limits>
#include <utility>
#include <vector>

namespace vantrelis::dm::local {

namespace {

const QString kSource = QStringLiteral("LocalBackend");

// The write locks are transaction-scoped advisory locks. Advisory locks are the database's, and a
// library is a database of its own, so a key needs no library in it. Two key spaces of the program's
// own: "VANT" for the whole library, "VANF" for one folder's items. A writer of one folder holds the
// library's lock shared and the folder's alone, so writers of different folders go on side by side
// while a writer of the whole library waits for all of them (and they for it).
constexpr qint64 kLibraryLockSpace = 1447120468; // "VANT"
constexpr qint64 kFolderLockSpace = 1447120454;  // "VANF"
// Writers of different folders may file the same document: each replaces its trustees (DELETE, then
// INSERT). Read committed, the second DELETE does not see the rows the first inserted, and both
// sets stay. A document's own lock ("VAND") makes them take turns.
constexpr qint64 kDocumentLockSpace = 1447120452; // "VAND"

QString LibraryLock() {
    return QStringLiteral("SELECT pg_advisory_xact_lock(%1, 0)").arg(kLibraryLockSpace);
}

// The second key of a folder's lock. A number beyond 32 bits is folded into them: two folders that
// share a key only wait for each other.
qint32 FolderLockKey(qint64 folder) {
    if (folder >= std::numeric_limits<qint32>::min() && folder <= std::numeric_limits<qint32>::max())
        return qint32(folder);
    return qint32(quint32(quint64(folder)) ^ quint32(quint64(folder) >> 32));
}

QString FolderLock(qint64 folder) {
    return QStringLiteral("SELECT pg_advisory_xact_lock(%1, %2)")
        .arg(kFolderLockSpace)
        .arg(FolderLockKey(folder));
}

QString FolderWriterLocks(qint64 folder) {
    return QStringLiteral("SELECT pg_advisory_xact_lock_shared(%1, 0), pg_advisory_xact_lock(%2, %3)")
        .arg(kLibraryLockSpace)
        .arg(kFolderLockSpace)
        .arg(FolderLockKey(folder));
}

// A connection of a library opened for reading only: the server refuses every write on it.
QString ReadOnlySetting(bool readOnly) {
    return readOnly ? QStringLiteral("; SET default_transaction_read_only = on") : QString();
}

// A key counter's step: the row's lock is held for this statement alone (see nextKey).
const char* const kAdvanceKey =
    "UPDATE DOCSADM.KEY_COUNTERS SET LAST_KEY = CASE WHEN COALESCE(LAST_KEY, 0) + 1 = 0 "
    "THEN 1 ELSE COALESCE(LAST_KEY, 0) + 1 END WHERE NAME = ?1 RETURNING LAST_KEY";
const char* const kAddCounter =
    "INSERT INTO DOCSADM.KEY_COUNTERS (NAME, LAST_KEY) VALUES (?1, 0) ON CONFLICT (NAME) DO NOTHING";

// Statements kept prepared on one connection before they are all let go again: texts that carry
// values the shaping leaves in place (one per folder name, say) would otherwise pile up.
constexpr int kMaxPrepared = 400;

// First words the SQL object may not send: transaction control, session state, server files.
const char* const kRefusedKeywords[] = {"BEGIN",     "START",   "COMMIT",  "END",      "ROLLBACK",   "ABORT",
                                        "SAVEPOINT", "RELEASE", "PREPARE", "EXECUTE",  "DEALLOCATE", "SET",
                                        "RESET",     "DISCARD", "LISTEN",  "UNLISTEN", "NOTIFY",     "COPY",
                                        "DO",        "CALL",    "LOAD",    "VACUUM",   "CHECKPOINT", "LOCK"};

bool IsRefusedKeyword(const QString& keyword) {
    for (const char* refused : kRefusedKeywords)
        if (keyword == QLatin1String(refused))
            return true;
    return false;
}

// Type identities of the server's built-in types (pg_type.oid), fixed across versions.
constexpr Oid kBoolOid = 16;
constexpr Oid kByteaOid = 17;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kOidOid = 26;
constexpr Oid kFloat4Oid = 700;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kNumericOid = 1700;
constexpr Oid kTextOid = 25;

// The type a value is bound as where the statement does not say.
Oid TypeOf(const QVariant& value) {
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
        return kInt8Oid;
    case QMetaType::Double:
    case QMetaType::Float:
        return kFloat8Oid;
    case QMetaType::QByteArray:
        return kByteaOid;
    default:
        return kTextOid;
    }
}

QString WholeOrDecimal(double value) {
    // Integral numbers read as whole numbers (12, not 12.0), as the servers' drivers render them.
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 9.0e18)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

QByteArray Bytes(const PGresult* result, int row, int column) {
    size_t length = 0;
    unsigned char* raw =
        PQunescapeBytea(reinterpret_cast<const unsigned char*>(PQgetvalue(result, row, column)), &length);
    const QByteArray bytes(reinterpret_cast<const char*>(raw), qsizetype(length));
    PQfreemem(raw);
    return bytes;
}

QVariant ValueOf(const PGresult* result, int row, int column) {
    if (PQgetisnull(result, row, column))
        return QVariant();
    const char* text = PQgetvalue(result, row, column);
    switch (PQftype(result, column)) {
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
    case kOidOid:
        return QVariant(qlonglong(QByteArray(text).toLongLong()));
    case kBoolOid:
        return QVariant(qlonglong(text[0] == 't' ? 1 : 0));
    case kFloat4Oid:
    case kFloat8Oid:
        return QVariant(QByteArray(text).toDouble());
    case kNumericOid: {
        // SUM and AVG answer numeric; a whole one is a whole number, as SQLite gives it.
        const QByteArray number(text);
        bool whole = false;
        const qlonglong value = number.toLongLong(&whole);
        return whole ? QVariant(value) : QVariant(number.toDouble());
    }
    case kByteaOid:
        return QVariant(Bytes(result, row, column));
    default:
        return QVariant(QString::fromUtf8(text, PQgetlength(result, row, column)));
    }
}

QString TextOf(const PGresult* result, int row, int column) {
    if (PQgetisnull(result, row, column))
        return QString();
    const char* text = PQgetvalue(result, row, column);
    switch (PQftype(result, column)) {
    case kBoolOid:
        return text[0] == 't' ? QStringLiteral("1") : QStringLiteral("0");
    case kFloat4Oid:
    case kFloat8Oid:
    case kNumericOid:
        return WholeOrDecimal(QByteArray(text).toDouble());
    case kByteaOid:
        return QString::fromUtf8(Bytes(result, row, column));
    default:
        return QString::fromUtf8(text, PQgetlength(result, row, column));
    }
}

QStringList ColumnNames(const PGresult* result) {
    // The server folds unquoted names to lower case; the program writes them in upper case.
    QStringList names;
    for (int c = 0; c < PQnfields(result); ++c)
        names += QString::fromUtf8(PQfname(result, c)).toUpper();
    return names;
}

// Rows a statement changed: INSERT, UPDATE, DELETE and MERGE count, a SELECT does not.
qint64 ChangedRows(const PGresult* result) {
    const QByteArray status(PQcmdStatus(const_cast<PGresult*>(result)));
    for (const char* tag : {"INSERT", "UPDATE", "DELETE", "MERGE"})
        if (status.startsWith(tag))
            return QByteArray(PQcmdTuples(const_cast<PGresult*>(result))).toLongLong();
    return 0;
}

// Parameter values as text for the server (whose types it infers from the statement); bytes are
// sent as they are.
struct BoundValues {
    std::vector<QByteArray> storage;
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;

    // `count`: the statement's parameters, which it gets exactly: missing ones are NULL, as SQLite
    // binds them (all of `params` when negative).
    explicit BoundValues(const QVariantList& params, int count = -1) {
        storage.reserve(size_t(params.size()));
        for (const QVariant& value : params) {
            if (value.isNull()) {
                storage.emplace_back();
                values.push_back(nullptr);
                lengths.push_back(0);
                formats.push_back(0);
                continue;
            }
            int format = 0;
            switch (value.typeId()) {
            case QMetaType::Bool:
                storage.push_back(value.toBool() ? QByteArray("1") : QByteArray("0"));
                break;
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Long:
            case QMetaType::ULong:
            case QMetaType::Short:
            case QMetaType::UShort:
                storage.push_back(QByteArray::number(value.toLongLong()));
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                storage.push_back(QByteArray::number(value.toDouble(), 'g', 17));
                break;
            case QMetaType::QByteArray:
                storage.push_back(value.toByteArray());
                format = 1;
                break;
            default:
                storage.push_back(value.toString().toUtf8());
            }
            values.push_back(storage.back().constData());
            lengths.push_back(int(storage.back().size()));
            formats.push_back(format);
        }
        if (count >= 0) {
            values.resize(size_t(count), nullptr);
            lengths.resize(size_t(count), 0);
            formats.resize(size_t(count), 0);
        }
    }
};

} // namespace

void PgLibraryStore::ResultDeleter::operator()(pg_result* result) const {
    PQclear(result);
}

bool PgLibraryStore::IsUri(const QString& database) {
    const QString text = database.trimmed();
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString PgLibraryStore::PrintableUri(const QString& uri) {
    QUrl url(uri.trimmed());
    if (!url.isValid())
        return uri.trimmed().section(QLatin1Char('?'), 0, 0);
    url.setPassword(QString());
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("password"));
    url.setQuery(query);
    return url.toString();
}

qint64 PgLibraryStore::ErrorNumberFor(const QString& sqlState) {
    struct Mapping {
        const char* state; // a full SQLSTATE, or its two-character class
        qint64 number;
    };
    // Full states before their classes.
    static const Mapping kMappings[] = {
        {"42501", kErrorNotAuthorized}, // insufficient privilege: the role may not do this
        {"25006", kErrorReadOnly},      // a write in a read-only transaction
        {"40001", kErrorLocked},        // serialization failure
        {"40P01", kErrorLocked},        // deadlock detected
        {"55P03", kErrorLocked},        // lock not available within lock_timeout
        {"57014", kErrorLocked},        // cancelled (statement timeout)
        {"53100", kErrorDiskFull},
        {"XX001", kErrorCorrupt}, // data corrupted
        {"XX002", kErrorCorrupt}, // index corrupted
        {"57P01", kErrorConnectionLost},
        {"57P02", kErrorConnectionLost},
        {"57P03", kErrorServerUnreachable},
        {"53300", kErrorServerUnreachable}, // too many connections
        {"3D000", kErrorServerUnreachable}, // no such database
        {"28000", kErrorServerUnreachable}, // login refused
        {"28P01", kErrorServerUnreachable}, // wrong password
        {"08", kErrorConnectionLost},
        {"23", kErrorConstraint},
        {"25", kErrorTransaction},
        {"42", kErrorSqlite},
        {"22", kErrorSqlite},
    };
    for (const Mapping& mapping : kMappings)
        if (sqlState == QLatin1String(mapping.state))
            return mapping.number;
    for (const Mapping& mapping : kMappings)
        if (qstrlen(mapping.state) == 2 && sqlState.startsWith(QLatin1String(mapping.state)))
            return mapping.number;
    return kErrorSqlite;
}

PgLibraryStore::PgLibraryStore(QString uri, int engineCode, QString libraryName)
    : m_uri(PrintableUri(uri)), m_engineCode(engineCode), m_libraryName(std::move(libraryName)),
      m_busyTimeoutMs(LibraryDatabase::BusyTimeoutMs()) {}

PgLibraryStore::~PgLibraryStore() {
    if (m_keyConn)
        PQfinish(m_keyConn);
    if (m_conn)
        PQfinish(m_conn);
}

std::shared_ptr<PgLibraryStore> PgLibraryStore::Open(const QString& uri, int engineCode,
                                                     const QString& libraryName,
                                                     LibraryDatabase::Access access) {
    std::shared_ptr<PgLibraryStore> store(new PgLibraryStore(uri, engineCode, libraryName));
    store->m_readOnly = access == LibraryDatabase::Access::ReadOnly;
    // The checks of the schema are not the library's statements: they are not traced.
    store->m_traceChecked = true;
    store->connect(uri);
    store->validateSchema();
    const QString own = store->ownLibraryName();
    if (store->m_libraryName.isEmpty())
        store->m_libraryName = own;
    store->m_traceChecked = false;
    return store;
}

std::shared_ptr<PgLibraryStore> PgLibraryStore::Create(const QString& uri, int engineCode,
                                                       const QString& libraryName) {
    std::shared_ptr<PgLibraryStore> store(
        new PgLibraryStore(uri, engineCode, libraryName.trimmed().toUpper()));
    store->connect(uri);
    const QVariant existing = store->scalar(QStringLiteral("SELECT to_regnamespace('docsadm')::text"));
    if (existing.isValid())
        throw Fault(kErrorFileExists, kSource,
                    QStringLiteral("The database %1 already holds a library (schema DOCSADM); a new library "
                                   "needs a database of its own")
                        .arg(store->m_uri));
    // DDL is transactional on PostgreSQL: a library is built whole or not at all.
    store->begin();
    try {
        for (const QString& statement : PgLibrarySchema::CreateStatements(engineCode, store->m_libraryName))
            store->execute(statement);
        store->commit();
    } catch (...) {
        store->rollback();
        throw;
    }
    store->validateSchema();
    return store;
}

void PgLibraryStore::connect(const QString& uri) {
    // Given first, so that the URI's own settings take their place.
    const QByteArray dbname = uri.trimmed().toUtf8();
    const char* const keywords[] = {"connect_timeout", "fallback_application_name", "client_encoding",
                                    "dbname", nullptr};
    const char* const values[] = {"10", "vantrelis", "UTF8", dbname.constData(), nullptr};
    m_conn = PQconnectdbParams(keywords, values, 1);
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
        const QString reason =
            m_conn ? QString::fromUtf8(PQerrorMessage(m_conn)).simplified() : QStringLiteral("out of memory");
        throw Fault(
            kErrorServerUnreachable, kSource,
            QStringLiteral("The database server of library %1 at %2 cannot be reached or refuses the "
                           "login: %3")
                .arg(m_libraryName.isEmpty() ? QStringLiteral("(new)") : m_libraryName, m_uri, reason));
    }
    command(
        QStringLiteral("SET search_path TO %1; SET lock_timeout = %2; SET standard_conforming_strings = on; "
                       "SET bytea_output = 'hex'%3")
            .arg(PgLibrarySchema::SearchPath(m_engineCode))
            .arg(m_busyTimeoutMs)
            .arg(ReadOnlySetting(m_readOnly)));
}

QString PgLibraryStore::databaseName() const {
    return m_conn ? QString::fromUtf8(PQdb(m_conn)) : QString();
}

void PgLibraryStore::validateSchema() {
    QHash<QString, QSet<QString>> present;
    const QueryResult columns =
        query(QStringLiteral("SELECT upper(table_name), upper(column_name) FROM information_schema.columns "
                             "WHERE table_schema = 'docsadm'"));
    for (const auto& row : columns.rows)
        present[row.at(0).toString()].insert(row.at(1).toString());
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
    const QString flavour =
        IsOracle(m_engineCode) ? PgLibrarySchema::OracleSchema() : PgLibrarySchema::MssqlSchema();
    const bool hasFlavour = scalar(QStringLiteral("SELECT to_regnamespace(?1)::text"), {flavour}).isValid();
    if (missingTables.isEmpty() && missingColumns.isEmpty() && hasFlavour)
        return;
    QStringList parts;
    if (present.isEmpty())
        parts += QStringLiteral("the schema DOCSADM");
    else if (!missingTables.isEmpty())
        parts += QStringLiteral("tables %1").arg(missingTables.join(QLatin1String(", ")));
    if (!missingColumns.isEmpty())
        parts += QStringLiteral("columns %1").arg(missingColumns.join(QLatin1String(", ")));
    if (!hasFlavour)
        parts += QStringLiteral("the schema %1 of its engine's views").arg(flavour);
    throw Fault(kErrorSchemaIncomplete, kSource,
                QStringLiteral("The database %1 is not a complete library; it lacks %2")
                    .arg(m_uri, parts.join(QLatin1String("; "))));
}

QString PgLibraryStore::ownLibraryName() {
    const QueryResult rows = query(QStringLiteral(
        "SELECT COALESCE(LIBRARY_NAME, '') FROM DOCSADM.REMOTE_LIBRARIES WHERE SYSTEM_ID = 0"));
    if (rows.rows.empty())
        throw Fault(kErrorSchemaIncomplete, kSource,
                    QStringLiteral("The database %1 is not a complete library; it lacks its own "
                                   "REMOTE_LIBRARIES row (SYSTEM_ID 0)")
                        .arg(m_uri));
    return rows.rows.front().at(0).toString();
}

void PgLibraryStore::grantProgramRole(const QString& role) {
    begin();
    try {
        for (const QString& statement : PgLibrarySchema::GrantStatements(role))
            execute(statement);
        commit();
    } catch (...) {
        rollback();
        throw;
    }
}

void PgLibraryStore::ensureUsable() const {
    if (m_damageNumber != 0)
        throw dm::LibraryDamaged(m_damageNumber, kSource, m_damage);
    if (m_lost)
        throw Fault(kErrorConnectionLost, kSource,
                    QStringLiteral("The connection to the database server of library %1 (%2) was lost")
                        .arg(m_libraryName, m_uri));
}

void PgLibraryStore::raiseLost(const QString& message) {
    m_lost = true;
    m_transactionDepth = 0;
    m_deferredRows.clear();
    m_pending.clear();
    m_pendingTraced = 0;
    throw Fault(kErrorConnectionLost, kSource,
                QStringLiteral("The connection to the database server of library %1 (%2) was lost: %3")
                    .arg(m_libraryName, m_uri, message));
}

void PgLibraryStore::raise(const pg_result* result, const QString& sql) {
    const QString message = result ? QString::fromUtf8(PQresultErrorMessage(result)).simplified()
                                   : QString::fromUtf8(PQerrorMessage(m_conn)).simplified();
    if (PQstatus(m_conn) == CONNECTION_BAD)
        raiseLost(message);
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const QString sqlState = state ? QString::fromLatin1(state) : QString();
    const qint64 number = state ? ErrorNumberFor(sqlState) : kErrorSqlite;
    const QString where = sql.isEmpty() ? QString() : QStringLiteral(" in: %1").arg(sql.simplified());
    switch (number) {
    case kErrorCorrupt:
        m_damageNumber = number;
        m_damage = QStringLiteral("Library %1 is damaged: the database %2 reports corrupt data (%3)")
                       .arg(m_libraryName, m_uri, message);
        throw dm::LibraryDamaged(number, kSource, m_damage);
    case kErrorConnectionLost:
        raiseLost(message);
    case kErrorLocked:
        throw Fault(
            number, kSource,
            QStringLiteral("The library database %1 is locked by another client; gave up after %2 ms (%3)")
                .arg(m_libraryName)
                .arg(m_busyTimeoutMs)
                .arg(message));
    case kErrorNotAuthorized:
        throw Fault(
            number, kSource,
            QStringLiteral("Refused by the database server of library %1: the program's role may only "
                           "read and write the library's rows (%2)%3")
                .arg(m_libraryName, message, where));
    case kErrorDiskFull:
        throw Fault(number, kSource,
                    QStringLiteral("The disk under library %1 is full (%2)").arg(m_libraryName, message));
    case kErrorReadOnly:
        RaiseReadOnly(m_libraryName, message);
    default:
        throw Fault(number, kSource, QStringLiteral("%1 [SQLSTATE %2]%3").arg(message, sqlState, where));
    }
}

void PgLibraryStore::trace(const QString& sql, const QVariantList& params, bool afterPending) {
    if (!m_traceChecked) {
        m_traceChecked = true;
        if (!m_trace)
            m_trace = SqlTrace::FromEnvironment();
    }
    if (!m_trace)
        return;
    // The trace shows the statements in the order the server gets them.
    if (afterPending)
        for (; m_pendingTraced < m_pending.size(); ++m_pendingTraced)
            m_trace->write(m_libraryName, m_pending.at(m_pendingTraced), {});
    m_trace->write(m_libraryName, sql, params);
}

void PgLibraryStore::queueCommand(const QString& sql) {
    m_pending += sql;
}

bool PgLibraryStore::dropUnsentSavepoint(int level) {
    if (m_pending.isEmpty() || m_pending.constLast() != QStringLiteral("SAVEPOINT level%1").arg(level))
        return false;
    m_pending.removeLast();
    m_pendingTraced = std::min(m_pendingTraced, m_pending.size());
    return true;
}

void PgLibraryStore::setTrace(std::shared_ptr<SqlTrace> trace) {
    m_trace = std::move(trace);
    m_traceChecked = true;
}

void PgLibraryStore::command(const QString& sql) {
    ensureUsable();
    const Result result(PQexec(m_conn, sql.toUtf8().constData()));
    if (!result || PQresultStatus(result.get()) != PGRES_COMMAND_OK)
        raise(result.get(), sql);
}

bool PgLibraryStore::commandQuietly(const QString& sql) noexcept {
    if (!m_conn || m_lost)
        return false;
    try {
        trace(sql);
    } catch (...) {
    }
    const Result result(PQexec(m_conn, sql.toUtf8().constData()));
    if (PQstatus(m_conn) == CONNECTION_BAD)
        m_lost = true;
    return result && PQresultStatus(result.get()) == PGRES_COMMAND_OK;
}

void PgLibraryStore::forgetStatements() {
    // Prepared statements are the session's, not the transaction's: DEALLOCATE works at any time
    // but in a failed transaction; then they are kept until later.
    if (PQtransactionStatus(m_conn) == PQTRANS_INERROR)
        return;
    const Result result(PQexec(m_conn, "DEALLOCATE ALL"));
    if (result && PQresultStatus(result.get()) == PGRES_COMMAND_OK)
        m_statements.clear();
}

const PgLibraryStore::Prepared& PgLibraryStore::prepare(const QString& sql, const QVariantList& params) {
    if (const auto found = m_statements.constFind(sql); found != m_statements.constEnd())
        return *found;
    const PgStatementText text = PgStatementText::From(sql);
    if (text.several)
        RaiseSeveralStatements(sql);
    if (text.empty)
        throw Fault(kErrorEmptyStatement, kSource, QStringLiteral("The SQL text holds no statement"));
    if (m_statements.size() >= kMaxPrepared)
        forgetStatements();
    Prepared prepared{"v" + QByteArray::number(++m_statementSerial), text.parameters};
    // The server infers each parameter's type from the statement; one it cannot infer ("?2 IS
    // NULL"), or infers two ways (a citext column and text), takes the type of the value bound to
    // it, as SQLite's dynamic typing would.
    std::vector<Oid> types(size_t(text.parameters), 0);
    const QByteArray statement = text.text.toUtf8();
    bool allTyped = false;
    for (int attempt = 0;; ++attempt) {
        const Result result = prepareOnce(prepared.name, statement, types);
        if (result && PQresultStatus(result.get()) == PGRES_COMMAND_OK)
            break;
        const char* state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
        const QLatin1String sqlState(state ? state : "");
        if ((sqlState == QLatin1String("42P18") || sqlState == QLatin1String("42P08")) &&
            attempt < text.parameters) {
            static const QRegularExpression parameter(QStringLiteral("\\$(\\d+)"));
            const QRegularExpressionMatch match =
                parameter.match(QString::fromUtf8(PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY)));
            const int number = match.hasMatch() ? match.captured(1).toInt() : 0;
            if (number >= 1 && number <= text.parameters && types[size_t(number - 1)] == 0) {
                types[size_t(number - 1)] = TypeOf(params.value(number - 1));
                continue;
            }
        }
        // A value the server took for text where a number was meant ("SELECT ?1 UNION SELECT
        // PARENT ..."): every parameter takes its value's type.
        if ((sqlState == QLatin1String("42883") || sqlState == QLatin1String("42804")) && !allTyped &&
            !params.isEmpty()) {
            allTyped = true;
            for (int i = 0; i < text.parameters; ++i)
                if (types[size_t(i)] == 0)
                    types[size_t(i)] = TypeOf(params.value(i));
            continue;
        }
        raise(result.get(), sql);
    }
    return *m_statements.insert(sql, prepared);
}

PgLibraryStore::Result PgLibraryStore::prepareOnce(const QByteArray& name, const QByteArray& statement,
                                                   const std::vector<unsigned>& types) {
    // A failed preparation would end a transaction on the server; a savepoint keeps it going.
    const bool guard = m_transactionDepth > 0 && PQtransactionStatus(m_conn) == PQTRANS_INTRANS;
    if (guard)
        command(QStringLiteral("SAVEPOINT prepare"));
    Result result(
        PQprepare(m_conn, name.constData(), statement.constData(), int(types.size()), types.data()));
    const bool ok = result && PQresultStatus(result.get()) == PGRES_COMMAND_OK;
    if (guard && PQstatus(m_conn) != CONNECTION_BAD) {
        if (!ok)
            commandQuietly(QStringLiteral("ROLLBACK TO SAVEPOINT prepare"));
        commandQuietly(QStringLiteral("RELEASE SAVEPOINT prepare"));
    }
    return result;
}

PgLibraryStore::Result PgLibraryStore::run(const Prepared& statement, const QVariantList& params,
                                           const QString& sql) {
    if (!m_pending.isEmpty())
        return runPipelined(statement, params, sql);
    const BoundValues bound(params, statement.parameters);
    Result result(PQexecPrepared(m_conn, statement.name.constData(), statement.parameters,
                                 bound.values.data(), bound.lengths.data(), bound.formats.data(), 0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        raise(result.get(), sql);
    return result;
}

PgLibraryStore::Result PgLibraryStore::runPipelined(const Prepared& statement, const QVariantList& params,
                                                    const QString& sql) {
    // The pending savepoint commands, then the statement, then one Sync: the server answers them
    // all at once. After a failure it skips the rest up to the Sync, as it would have refused them
    // one by one in the failed transaction.
    std::vector<QByteArray> commands;
    for (const QString& command : std::as_const(m_pending))
        commands.push_back(command.toUtf8());
    m_pending.clear();
    m_pendingTraced = 0;
    const BoundValues bound(params, statement.parameters);
    bool sent = PQenterPipelineMode(m_conn) == 1;
    for (const QByteArray& command : commands)
        sent = sent &&
               PQsendQueryParams(m_conn, command.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
    sent =
        sent && PQsendQueryPrepared(m_conn, statement.name.constData(), statement.parameters,
                                    bound.values.data(), bound.lengths.data(), bound.formats.data(), 0) == 1;
    sent = sent && PQpipelineSync(m_conn) == 1;
    // Each query's results end with a null; the Sync's result ends the pipeline.
    std::vector<Result> results;
    if (sent) {
        for (size_t i = 0; i <= commands.size(); ++i) {
            Result first(PQgetResult(m_conn));
            if (!first)
                break;
            while (PGresult* more = PQgetResult(m_conn))
                PQclear(more);
            results.push_back(std::move(first));
        }
        if (results.size() == commands.size() + 1) {
            const Result sync(PQgetResult(m_conn));
            sent = sync && PQresultStatus(sync.get()) == PGRES_PIPELINE_SYNC;
        } else {
            sent = false;
        }
    }
    // A connection left in pipeline mode (answers not read) cannot run the next statement: it is
    // given up as a lost one.
    if (PQexitPipelineMode(m_conn) != 1 || (!sent && PQstatus(m_conn) == CONNECTION_BAD)) {
        const QString message = QString::fromUtf8(PQerrorMessage(m_conn)).simplified();
        raiseLost(message);
    }
    for (size_t i = 0; i < results.size(); ++i) {
        const ExecStatusType status = PQresultStatus(results[i].get());
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
            raise(results[i].get(), i < commands.size() ? QString::fromUtf8(commands[i]) : sql);
    }
    if (!sent)
        raise(nullptr, sql);
    return std::move(results.back());
}

QueryResult PgLibraryStore::query(const QString& sql, const QVariantList& params) {
    ensureUsable();
    trace(sql, params);
    const Result result = run(prepare(sql, params), params, sql);
    QueryResult out;
    out.columns = ColumnNames(result.get());
    const int rows = PQntuples(result.get());
    const int columns = PQnfields(result.get());
    out.rows.reserve(size_t(rows));
    for (int r = 0; r < rows; ++r) {
        std::vector<QVariant> row;
        row.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(ValueOf(result.get(), r, c));
        out.rows.push_back(std::move(row));
    }
    return out;
}

qint64 PgLibraryStore::execute(const QString& sql, const QVariantList& params) {
    ensureUsable();
    trace(sql, params);
    const Result result = run(prepare(sql, params), params, sql);
    return ChangedRows(result.get());
}

QVariant PgLibraryStore::scalar(const QString& sql, const QVariantList& params) {
    ensureUsable();
    trace(sql, params);
    const Result result = run(prepare(sql, params), params, sql);
    if (PQntuples(result.get()) == 0 || PQnfields(result.get()) == 0)
        return QVariant();
    return ValueOf(result.get(), 0, 0);
}

void PgLibraryStore::queryText(const QString& sql, TextResult& result) {
    ensureUsable();
    result.clear();
    trace(sql);
    const PgStatementText text = PgStatementText::From(sql);
    if (text.several)
        RaiseSeveralStatements(sql);
    if (text.empty)
        throw Fault(kErrorEmptyStatement, kSource, QStringLiteral("The SQL text holds no statement"));
    if (IsRefusedKeyword(text.firstKeyword))
        throw Fault(kErrorNotAuthorized, kSource,
                    QStringLiteral("%1 is not allowed through the SQL object of library %2: it would reach "
                                   "outside the library or take over its transactions. In: %3")
                        .arg(text.firstKeyword, m_libraryName, sql.simplified()));
    // Statements of the same shape share one prepared statement, their values bound; a text whose
    // parameterized form does not prepare runs as written.
    const LiteralParameters shaped = ParameterizeLiterals(sql);
    const Prepared* statement = nullptr;
    if (shaped.changed()) {
        try {
            statement = &prepare(shaped.text, shaped.values);
            if (statement->parameters != int(shaped.values.size()))
                statement = nullptr;
        } catch (const LibraryDamaged&) {
            throw;
        } catch (const Fault& fault) {
            if (fault.number() == kErrorConnectionLost)
                throw;
            statement = nullptr;
        }
    }
    const bool bound = statement != nullptr;
    if (!statement)
        statement = &prepare(sql);
    const Result answer = run(*statement, bound ? shaped.values : QVariantList(), sql);
    const QStringList columns = ColumnNames(answer.get());
    result.columns.assign(columns.cbegin(), columns.cend());
    const int rows = PQntuples(answer.get());
    const int count = PQnfields(answer.get());
    result.values.reserve(size_t(rows) * size_t(count));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < count; ++c)
            result.values.push_back(TextOf(answer.get(), r, c));
    result.changes = ChangedRows(answer.get());
}

bool PgLibraryStore::hasTable(const QString& tableName) {
    return scalar(QStringLiteral("SELECT COUNT(*) FROM pg_catalog.pg_tables WHERE schemaname = 'docsadm' "
                                 "AND tablename = lower(?1)"),
                  {tableName})
               .toLongLong() > 0;
}

qint64 PgLibraryStore::nextKey(const QString& counterName) {
    ensureUsable();
    const QString name = counterName.toUpper();
    // One statement, atomic on its own: the row lock serializes the clients that advance it. Inside
    // a transaction that lock would be held until the commit, so every writer that needs a key (every
    // filing, every new folder) would wait for the others' commits, whatever folder it writes: there
    // the key is taken on the key connection, and the lock is held for the statement alone. A
    // transaction that holds the whole library's lock shuts out every other writer anyway: there the
    // step stays in the transaction, which costs the server less than a commit of its own.
    const bool apart = m_transactionDepth > 0 && !m_wholeLibrary;
    const auto step = [&](const char* statement, const char* sql) {
        return apart ? keyStatement(statement, sql, name) : scalar(QLatin1String(sql), {name});
    };
    QVariant advanced = step("advance", kAdvanceKey);
    if (!advanced.isValid()) {
        step("add", kAddCounter);
        advanced = step("advance", kAdvanceKey);
    }
    const qint64 key = advanced.toLongLong();
    if (key == 0)
        throw Fault(kErrorKeyCounter, kSource,
                    QStringLiteral("The key counter %1 of library %2 could not be advanced")
                        .arg(name, m_libraryName));
    return key;
}

QVariant PgLibraryStore::keyStatement(const char* statement, const char* sql, const QString& name) {
    const QString text = QLatin1String(sql);
    trace(text, {name}, false);
    if (!m_keyConn)
        openKeyConnection();
    const BoundValues bound({name});
    Result result(PQexecPrepared(m_keyConn, statement, 1, bound.values.data(), bound.lengths.data(),
                                 bound.formats.data(), 0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK)
        return PQntuples(result.get()) > 0 ? ValueOf(result.get(), 0, 0) : QVariant();
    if (PQstatus(m_keyConn) == CONNECTION_BAD) {
        const QString message = QString::fromUtf8(PQerrorMessage(m_keyConn)).simplified();
        PQfinish(m_keyConn);
        m_keyConn = nullptr;
        raiseLost(message);
    }
    raise(result.get(), text);
}

void PgLibraryStore::openKeyConnection() {
    // The same server, database, user and settings as the library's connection.
    PQconninfoOption* const options = PQconninfo(m_conn);
    std::vector<const char*> keywords;
    std::vector<const char*> values;
    for (const PQconninfoOption* option = options; option && option->keyword; ++option) {
        if (option->val && *option->val) {
            keywords.push_back(option->keyword);
            values.push_back(option->val);
        }
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    pg_conn* const conn = PQconnectdbParams(keywords.data(), values.data(), 0);
    PQconninfoFree(options);
    if (!conn || PQstatus(conn) != CONNECTION_OK) {
        const QString reason =
            conn ? QString::fromUtf8(PQerrorMessage(conn)).simplified() : QStringLiteral("out of memory");
        PQfinish(conn);
        throw Fault(kErrorServerUnreachable, kSource,
                    QStringLiteral("The database server of library %1 at %2 refuses a second connection, for "
                                   "its key counters: %3")
                        .arg(m_libraryName, m_uri, reason));
    }
    m_keyConn = conn;
    // Each step commits at once. It need not wait for the disk: a row that carries the key is
    // committed later, and that commit flushes the log up to it, the step included; a step lost in a
    // crash only hands out again a number that no row carries.
    const QString setup =
        QStringLiteral("SET search_path TO %1; SET lock_timeout = %2; SET synchronous_commit = off%3")
            .arg(PgLibrarySchema::SearchPath(m_engineCode))
            .arg(m_busyTimeoutMs)
            .arg(ReadOnlySetting(m_readOnly));
    Result result(PQexec(m_keyConn, setup.toUtf8().constData()));
    bool ready = result && PQresultStatus(result.get()) == PGRES_COMMAND_OK;
    for (const auto& [name, sql] : {std::pair{"advance", kAdvanceKey}, std::pair{"add", kAddCounter}}) {
        if (!ready)
            break;
        const QByteArray text = PgStatementText::From(QLatin1String(sql)).text.toUtf8();
        result.reset(PQprepare(m_keyConn, name, text.constData(), 0, nullptr));
        ready = result && PQresultStatus(result.get()) == PGRES_COMMAND_OK;
    }
    if (!ready) {
        const QString reason =
            QString::fromUtf8(result ? PQresultErrorMessage(result.get()) : PQerrorMessage(m_keyConn))
                .simplified();
        PQfinish(m_keyConn);
        m_keyConn = nullptr;
        throw Fault(kErrorSqlite, kSource,
                    QStringLiteral("The key counters of library %1 cannot be prepared: %2")
                        .arg(m_libraryName, reason));
    }
}

void PgLibraryStore::begin() {
    beginWith(LibraryLock(), QString());
    if (m_transactionDepth == 1) {
        m_wholeLibrary = true;
        m_folderLocks.clear();
    }
}

void PgLibraryStore::beginForFolder(qint64 folder) {
    const qint32 key = FolderLockKey(folder);
    // A lock the transaction holds already (the batch's folder, a new folder's parent) is not asked
    // for again: the savepoint alone costs the server less.
    const bool held =
        m_transactionDepth > 0 &&
        (m_wholeLibrary || std::any_of(m_folderLocks.cbegin(), m_folderLocks.cend(),
                                       [key](const FolderLockHeld& lock) { return lock.key == key; }));
    beginWith(FolderWriterLocks(folder), held ? QString() : FolderLock(folder));
    if (m_transactionDepth == 1) {
        m_wholeLibrary = false;
        m_folderLocks.clear();
    }
    if (!held)
        m_folderLocks.push_back({key, m_transactionDepth});
}

void PgLibraryStore::lockDocument(qint64 docNumber) {
    if (m_transactionDepth == 0 || m_wholeLibrary)
        return;
    ensureUsable();
    const QString sql = QStringLiteral("SELECT pg_advisory_xact_lock(%1, %2)")
                            .arg(kDocumentLockSpace)
                            .arg(FolderLockKey(docNumber));
    trace(sql);
    // With the savepoint commands still pending before it, in one round trip. A lock not had
    // fails the statement: the caller's scope is rolled back.
    QString batch = sql;
    if (!m_pending.isEmpty())
        batch = m_pending.join(QLatin1String("; ")) + QLatin1String("; ") + sql;
    m_pending.clear();
    m_pendingTraced = 0;
    const Result result(PQexec(m_conn, batch.toUtf8().constData()));
    if (!result || PQresultStatus(result.get()) != PGRES_TUPLES_OK)
        raise(result.get(), sql);
}

void PgLibraryStore::beginWith(const QString& locks, const QString& nestedLocks) {
    ensureUsable();
    if (m_transactionDepth == 0) {
        // BEGIN and the write locks in one round trip; a lock not had within lock_timeout ends it.
        const QString sql = QStringLiteral("BEGIN; %1").arg(locks);
        trace(sql);
        const Result result(PQexec(m_conn, sql.toUtf8().constData()));
        if (!result || PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
            if (PQstatus(m_conn) != CONNECTION_BAD && PQtransactionStatus(m_conn) != PQTRANS_IDLE)
                commandQuietly(QStringLiteral("ROLLBACK"));
            raise(result.get(), sql);
        }
    } else if (nestedLocks.isEmpty()) {
        // Whatever the outer scope locked covers the savepoint's writes. The SAVEPOINT goes out with
        // the scope's first statement, in its round trip; a scope that sends none needs none.
        queueCommand(QStringLiteral("SAVEPOINT level%1").arg(m_transactionDepth));
    } else {
        // A savepoint and the folder's lock in one round trip (with the savepoint commands still
        // pending before them). A lock not had ends the savepoint alone; the outer transaction goes on.
        const QString savepoint = QStringLiteral("level%1").arg(m_transactionDepth);
        QString sql = QStringLiteral("SAVEPOINT %1; %2").arg(savepoint, nestedLocks);
        trace(sql);
        if (!m_pending.isEmpty())
            sql = m_pending.join(QLatin1String("; ")) + QLatin1String("; ") + sql;
        m_pending.clear();
        m_pendingTraced = 0;
        const Result result(PQexec(m_conn, sql.toUtf8().constData()));
        if (!result || PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
            if (PQstatus(m_conn) != CONNECTION_BAD && PQtransactionStatus(m_conn) == PQTRANS_INERROR) {
                commandQuietly(QStringLiteral("ROLLBACK TO SAVEPOINT %1").arg(savepoint));
                commandQuietly(QStringLiteral("RELEASE SAVEPOINT %1").arg(savepoint));
            }
            raise(result.get(), sql);
        }
    }
    if (m_transactionDepth == 0)
        ++m_transactionSerial;
    ++m_transactionDepth;
    m_deferredRows.enter();
}

void PgLibraryStore::commit() {
    if (m_transactionDepth == 0)
        throw Fault(kErrorTransaction, kSource, QStringLiteral("Commit without a transaction"));
    ensureUsable();
    // A failed statement ends the transaction on the server, where COMMIT would quietly roll it
    // back: the caller is told instead.
    if (PQtransactionStatus(m_conn) == PQTRANS_INERROR)
        throw Fault(kErrorTransaction, kSource,
                    QStringLiteral("The transaction on library %1 cannot be committed: a statement in it "
                                   "failed")
                        .arg(m_libraryName));
    if (m_transactionDepth == 1) {
        // The savepoints' RELEASEs still pending end with the transaction.
        m_pending.clear();
        m_pendingTraced = 0;
        writeDeferredRows();
        trace(QStringLiteral("COMMIT"));
        command(QStringLiteral("COMMIT"));
    } else if (!dropUnsentSavepoint(m_transactionDepth - 1)) {
        // The RELEASE goes out with the next statement. It ends the savepoints opened inside this
        // one too, so their RELEASEs still pending are not needed.
        const int level = m_transactionDepth - 1;
        while (!m_pending.isEmpty() &&
               m_pending.constLast().startsWith(QLatin1String("RELEASE SAVEPOINT level")) &&
               m_pending.constLast().mid(23).toInt() > level)
            m_pending.removeLast();
        m_pendingTraced = std::min(m_pendingTraced, m_pending.size());
        queueCommand(QStringLiteral("RELEASE SAVEPOINT level%1").arg(level));
    }
    // The savepoint's locks are its parent's now.
    for (FolderLockHeld& lock : m_folderLocks)
        lock.depth = std::min(lock.depth, m_transactionDepth - 1);
    --m_transactionDepth;
    m_deferredRows.keep();
}

void PgLibraryStore::rollback() noexcept {
    if (m_transactionDepth == 0)
        return;
    // The server lets go of the locks that the scope rolled back took.
    const int depth = m_transactionDepth;
    m_folderLocks.erase(std::remove_if(m_folderLocks.begin(), m_folderLocks.end(),
                                       [depth](const FolderLockHeld& lock) { return lock.depth >= depth; }),
                        m_folderLocks.end());
    --m_transactionDepth;
    m_deferredRows.drop();
    ++m_transactionSerial;
    if (m_transactionDepth == 0) {
        m_pending.clear();
        m_pendingTraced = 0;
        if (PQtransactionStatus(m_conn) != PQTRANS_IDLE)
            commandQuietly(QStringLiteral("ROLLBACK"));
    } else if (!dropUnsentSavepoint(m_transactionDepth)) {
        // The scope's SAVEPOINT went out, and with it every command pending before it: what is
        // pending now are RELEASEs of scopes inside this one, which the ROLLBACK TO ends anyway.
        // A scope whose SAVEPOINT never went out sent nothing, and has nothing to undo.
        m_pending.clear();
        m_pendingTraced = 0;
        commandQuietly(QStringLiteral("ROLLBACK TO SAVEPOINT level%1").arg(m_transactionDepth));
        commandQuietly(QStringLiteral("RELEASE SAVEPOINT level%1").arg(m_transactionDepth));
    }
}

bool PgLibraryStore::inTransaction() const {
    if (!m_conn || m_lost)
        return false;
    const PGTransactionStatusType status = PQtransactionStatus(m_conn);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

std::optional<TrusteeName> PgLibraryStore::findTrustee(bool isGroup, const QString& name) {
    const QueryResult rows =
        query(isGroup ? QStringLiteral("SELECT SYSTEM_ID, GROUP_ID FROM DOCSADM.GROUPS WHERE GROUP_ID = ?1")
                      : QStringLiteral("SELECT SYSTEM_ID, USER_ID FROM DOCSADM.PEOPLE WHERE USER_ID = ?1"),
              {name});
    if (rows.rows.empty())
        return std::nullopt;
    return TrusteeName{rows.rows.front().at(0).toLongLong(), rows.rows.front().at(1).toString()};
}

} // namespace vantrelis::dm::local
