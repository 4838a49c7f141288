#include "dm/local/LocalSql.h"

#include "common/Fault.h"
#include "dm/LibraryDamaged.h"
#include "dm/local/LocalErrors.h"

#include <QRegularExpression>

namespace vantrelis::dm::local {

namespace {

const QString kQuotedIdentifierParam = QStringLiteral("SQL.QUOTED_IDENTIFIER");

// Whether anything but blanks, semicolons and comments follows the first statement separator
// (a semicolon or a line break outside quotes). The server commands are answered here, not by
// SQLite, so a second statement behind one would otherwise be swallowed and reported as done.
bool FollowedByAnotherStatement(const QString& text) {
    QChar quote;
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char(';') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            break;
        }
    }
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c.isSpace() || c == QLatin1Char(';')) {
            ++i;
        } else if (text.mid(i, 2) == QLatin1String("--")) {
            const qsizetype end = text.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? text.size() : end + 1;
        } else if (text.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = text.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? text.size() : end + 2;
        } else {
            return true;
        }
    }
    return false;
}

bool IsSetCommand(const QString& instruction) {
    return instruction.size() > 4 && instruction.startsWith(QLatin1String("set"), Qt::CaseInsensitive) &&
           instruction.at(3).isSpace();
}

} // namespace

LocalSql::LocalSql(std::shared_ptr<LocalServer> server) : m_server(std::move(server)) {}

void LocalSql::setToken(const QString& token) {
    m_token = token;
    m_db.reset();
}

void LocalSql::setLibrary(const QString& libraryName) {
    m_libraryName = libraryName.trimmed().toUpper();
    m_db.reset();
}

bool LocalSql::bound() const {
    return m_server && m_server->isValidToken(m_token) && m_server->engineCode(m_libraryName) != 0;
}

int LocalSql::engineCode() const {
    return bound() ? m_server->engineCode(m_libraryName) : 0;
}

std::shared_ptr<LibraryStore> LocalSql::database() {
    // A library whose file was replaced stays failed until it is bound again (a new connection).
    if (!m_db)
        m_db = m_server->store(m_libraryName);
    return m_db;
}

bool LocalSql::errorIsPassing() const {
    return IsPassingError(m_errorNumber);
}

qint64 LocalSql::fail(qint64 number, const QString& text) {
    releaseResults();
    m_errorNumber = number;
    m_errorText = text;
    return number;
}

qint64 LocalSql::execute(const QString& instruction) {
    releaseResults();
    m_errorNumber = 0;
    m_errorText.clear();
    if (!bound())
        return fail(kErrorNotBound,
                    QStringLiteral(
                        "The SQL object is not connected: it needs a valid login token and a known library"));
    try {
        const std::shared_ptr<LibraryStore> db = database();
        if (!runServerCommand(instruction, *db))
            db->queryText(instruction, m_result);
    } catch (const LibraryDamaged& damage) {
        // Not one statement's failure: the library itself is lost for this run.
        fail(damage.number(), damage.description());
        throw;
    } catch (const Fault& fault) {
        return fail(fault.number(), fault.description());
    }
    if (m_errorNumber != 0)
        return m_errorNumber;
    const size_t columns = m_result.columns.size();
    m_rowCount = columns == 0 ? 0 : int(m_result.values.size() / columns);
    m_row = m_rowCount > 0 ? 1 : 0;
    return 0;
}

bool LocalSql::runServerCommand(const QString& instruction, LibraryStore& db) {
    if (IsOracle(db.engineCode()))
        return false; // Oracle has neither; SQLite rejects them as the server would
    const QString text = instruction.trimmed();
    const bool isSet = IsSetCommand(text);
    const bool isDbOption = text.startsWith(QLatin1String("SP_DBOPTION"), Qt::CaseInsensitive) &&
                            (text.size() == 11 || text.at(11).isSpace());
    if ((isSet || isDbOption) && FollowedByAnotherStatement(text)) {
        db.traceStatement(instruction);
        LibraryStore::RaiseSeveralStatements(instruction);
    }
    if (isSet) {
        // Session options ("set dateformat mdy", "set nocount on"): accepted, nothing to do.
        db.traceStatement(instruction);
        return true;
    }
    if (isDbOption) {
        db.traceStatement(instruction);
        answerDbOption(text, db);
        return true;
    }
    return false;
}

void LocalSql::answerDbOption(const QString& instruction, LibraryStore& db) {
    static const QRegularExpression syntax(
        QStringLiteral(R"(^SP_DBOPTION\s+([^,]+?)\s*,\s*'([^']*)'\s*(?:,\s*'([^']*)'\s*)?;?$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = syntax.match(instruction);
    if (!match.hasMatch()) {
        fail(kErrorServerCommand,
             QStringLiteral(
                 "Incorrect syntax for SP_DBOPTION; expected SP_DBOPTION dbname, 'option' [, 'value']"));
        return;
    }
    const QString option = match.captured(2).trimmed().toUpper();
    if (option != QLatin1String("QUOTED_IDENTIFIER")) {
        fail(kErrorServerCommand,
             QStringLiteral("The database option '%1' is not known").arg(match.captured(2)));
        return;
    }
    if (match.capturedLength(3) > 0) {
        const QString value = match.captured(3).trimmed().toUpper();
        const bool on = value == QLatin1String("ON") || value == QLatin1String("TRUE");
        if (!on && value != QLatin1String("OFF") && value != QLatin1String("FALSE")) {
            fail(kErrorServerCommand,
                 QStringLiteral("The value '%1' is not valid for a database option; use ON or OFF")
                     .arg(match.captured(3)));
            return;
        }
        db.begin();
        try {
            db.execute(QStringLiteral("DELETE FROM DOCSADM.LIBRARY_PARAMS WHERE NAME = ?1 AND USER_ID = '*'"),
                       {kQuotedIdentifierParam});
            db.execute(QStringLiteral(
                           "INSERT INTO DOCSADM.LIBRARY_PARAMS (USER_ID, NAME, VALUE) VALUES ('*', ?1, ?2)"),
                       {kQuotedIdentifierParam, on ? QStringLiteral("ON") : QStringLiteral("OFF")});
            db.commit();
        } catch (...) {
            db.rollback();
            throw;
        }
        return;
    }
    const QString stored =
        db.scalar(
              QStringLiteral("SELECT VALUE FROM DOCSADM.LIBRARY_PARAMS WHERE NAME = ?1 AND USER_ID = '*'"),
              {kQuotedIdentifierParam})
            .toString()
            .trimmed()
            .toUpper();
    const bool off = stored == QLatin1String("OFF") || stored == QLatin1String("FALSE") ||
                     stored == QLatin1String("N") || stored == QLatin1String("0");
    m_result.columns = {QStringLiteral("OptionName"), QStringLiteral("CurrentSetting")};
    m_result.values = {QStringLiteral("quoted identifier"),
                       off ? QStringLiteral("OFF") : QStringLiteral("ON")};
}

QString LocalSql::columnValue(int column) const {
    const int columns = int(m_result.columns.size());
    if (column < 1 || column > columns || m_row < 1 || m_row > m_rowCount)
        return QString();
    return m_result.values[size_t(m_row - 1) * size_t(columns) + size_t(column - 1)];
}

QString LocalSql::columnName(int column) const {
    if (column < 1 || column > int(m_result.columns.size()))
        return QString();
    return m_result.columns[size_t(column - 1)];
}

void LocalSql::setRow(int row) {
    m_row = row;
}

int LocalSql::nextRow() {
    if (m_row < 1 || m_row >= m_rowCount)
        return 0;
    ++m_row;
    return 1;
}

void LocalSql::releaseResults() {
    m_result.clear();
    m_rowCount = 0;
    m_row = 0;
}

qint64 LocalSql::nextKey(const QString& counterName) {
    m_errorNumber = 0;
    m_errorText.clear();
    if (!bound()) {
        m_errorNumber = kErrorNotBound;
        m_errorText = QStringLiteral(
            "The SQL object is not connected: it needs a valid login token and a known library");
        return 0;
    }
    try {
        return database()->nextKey(counterName);
    } catch (const Fault& fault) {
        m_errorNumber = fault.number();
        m_errorText = fault.description();
        return 0;
    }
}

void LocalSql::beginTransaction() {
    beginScope(std::nullopt);
}

void LocalSql::beginFolderTransaction(qint64 folder) {
    beginScope(folder);
}

void LocalSql::beginScope(std::optional<qint64> folder) {
    if (!bound())
        throw Fault(kErrorNotBound, QStringLiteral("LocalSql"),
                    QStringLiteral("The SQL object is not connected: no transaction can begin"));
    // The scope stays with the database it began on, even if the object is bound elsewhere
    // before it ends.
    std::shared_ptr<LibraryStore> db = database();
    if (folder)
        db->beginForFolder(*folder);
    else
        db->begin();
    m_scopes.push_back(std::move(db));
}

void LocalSql::lockDocument(qint64 docNumber) {
    // The lock belongs to the transaction the scope opened, on the database it began on.
    if (!m_scopes.empty())
        m_scopes.back()->lockDocument(docNumber);
}

void LocalSql::commitTransaction() {
    if (m_scopes.empty())
        throw Fault(kErrorTransaction, QStringLiteral("LocalSql"),
                    QStringLiteral("Commit without a transaction"));
    const std::shared_ptr<LibraryStore> db = m_scopes.back();
    m_scopes.pop_back();
    try {
        db->commit();
    } catch (...) {
        // A commit that fails (a full disk) leaves nothing half written: the scope is undone.
        db->rollback();
        throw;
    }
}

void LocalSql::rollbackTransaction() noexcept {
    if (m_scopes.empty())
        return;
    const std::shared_ptr<LibraryStore> db = m_scopes.back();
    m_scopes.pop_back();
    db->rollback();
}

} // namespace vantrelis::dm::local
