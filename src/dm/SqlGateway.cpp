#include "dm/SqlGateway.h"

#include "common/FaultReport.h"
#include "common/Prompter.h"
#include "common/SavedSetting.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "dm/LibraryDamaged.h"
#include "dm/SqlRows.h"

#include <cstdlib>

namespace vantrelis::dm {

SqlGateway::SqlGateway(DmSession& session, LibraryContext& library, Log& log, SettingsStore& settings)
    : m_session(session), m_library(library), m_log(log), m_settings(settings) {}

bool SqlGateway::Guard(const QString& text) {
    m_log.WriteLog(Equals(70));
    m_log.WriteLog(text);
    m_log.WriteLog(Equals(70));
    m_log.ShowMessage(text, StyleCritical);
    return false;
}

bool SqlGateway::ExecuteSQL(const QString& instruction) {
    if (instruction.isEmpty())
        return true;
    m_lastErrorPassing = false;
    try {
        if (!m_session.currentLibrary || !m_session.application)
            return Guard(QStringLiteral("Error: Cannot execute a SQL instruction on the library ") +
                         QStringLiteral("because the Fusion or Library object is not set"));
        DmSql* sql = m_session.sql.get();
        if (sql)
            sql->releaseResults();
        const QString libraryName = m_session.currentLibrary->name();
        if (libraryName.isEmpty())
            return Guard(QStringLiteral("Error: Library Name appears to have been lost"));
        if (m_session.application->dst().isEmpty())
            return Guard(QStringLiteral("Error: Fusion DST appears to have been lost"));
        if (!sql)
            return Guard(QStringLiteral("Error: psql Object connection has been lost!"));

        if (sql->engineCode() == 0) {
            m_log.WriteLog(QStringLiteral("Warning: Database Vendor not set for SQL"));
            m_log.WriteLog(StandardLines::LookupSeparator());
            m_log.WriteLog(QStringLiteral("Resetting pSQL object"));
            sql->setToken(m_session.token);
            m_log.WriteLog(StandardLines::LookupSeparator());
            m_log.WriteLog(QStringLiteral("Resetting pSQL library to ") + libraryName);
            sql->setLibrary(libraryName);
            m_log.WriteLog(StandardLines::LookupSeparator());
        }

        m_log.WriteLog(QStringLiteral("Executing ") + m_library.engineName() +
                       QStringLiteral(" SQL Instruction on ") + libraryName);
        m_log.WriteLog(instruction);

        const QString success = QStringLiteral("SQL Instruction Executed Successfully on ") + libraryName;
        const qint64 answer = sql->execute(instruction);
        if (answer == 0) {
            const qint64 affected = sql->rowsAffected();
            const int rows = sql->rowCount();
            if (affected != 0) {
                m_log.WriteLog(success + QStringLiteral(" with ") + FormatWhole(std::llabs(affected)) +
                               QStringLiteral(" row(s) processed."));
            } else if (rows != 0) {
                m_log.WriteLog(success + QStringLiteral(" with ") + FormatWhole(rows) +
                               QStringLiteral(" row(s) returned."));
                sql->setRow(1);
            } else {
                m_log.WriteLog(success);
            }
            if (instruction.left(15) == QLatin1String("SELECT COUNT(*)"))
                m_log.WriteLog(QStringLiteral("Results: ") + FormatWhole(LeadingWhole(Value(1))));
        } else {
            const qint64 error = sql->errorNumber();
            if (error == 0 || error == 9)
                m_log.WriteLog(success + QLatin1Char('.'));
            else if (error == kServerInterfaceError || answer == kServerInterfaceError)
                ReportServerInterface();
            else {
                // The database's own message says what is wrong; the number alone does not.
                const QString text = sql->errorText().simplified();
                m_log.WriteLog(QStringLiteral("SQL Error ") + FormatWhole(error) +
                               (text.isEmpty() ? QString() : QStringLiteral(": ") + text));
                m_lastErrorPassing = sql->errorIsPassing();
                m_passingErrors += m_lastErrorPassing ? 1 : 0;
            }
        }
        m_log.WriteLog(StandardLines::StepSeparator());
        return true;
    } catch (const LibraryDamaged&) {
        // The library, not the statement, failed: its connection must fail, so the fault goes on.
        throw;
    } catch (...) {
        ReportCurrentFault(m_log);
        m_log.ShowStatus(QStringLiteral("Error: Unable to execute SQL Instruction") + kCrLf + instruction);
        return false;
    }
}

void SqlGateway::ReportServerInterface() {
    const QString text =
        QStringLiteral("Error: Cannot load the DOCSFusion Server Interface. The DOCSFusion server may not be "
                       "started.") +
        kCrLf +
        QStringLiteral(
            "This is a known Hummingbird issue described in SD012671. Use the REGSVR32.EXE utility and "
            "register the PCDSERVERIFPS.DLL file in the following location:") +
        kCrLf + QStringLiteral("C:\\PROGRAM FILES\\HUMMINGBIRD\\DOCSFUSION\\PCDSERVERIFPS.DLL");
    m_log.WriteLog(text);
    const SavedSetting shown = SavedSetting::WarningRegisterAPI();
    if (LeadingWhole(shown.read(m_settings)) == 0) {
        m_log.ShowMessage(text, StyleCritical);
        shown.save(m_settings, QStringLiteral("-1"));
    }
}

bool SqlGateway::TableExists(const QString& table) {
    try {
        m_log.WriteLog(QStringLiteral("Checking for ") + table + QStringLiteral(" Table in ") +
                       m_session.LibraryName());
        m_log.WriteLog(StandardLines::StepSeparator());
        const int engine = m_library.engineCode();
        QString query;
        if (IsOracle(engine)) {
            query = QStringLiteral("SELECT COUNT(*) FROM ALL_TABLES WHERE TABLE_NAME = '") +
                    EscapeSQLText(table) + QLatin1Char('\'');
        } else if (engine != 0) {
            query = QStringLiteral("select count(*) from sysobjects ") + kCrLf +
                    QStringLiteral("where id = object_id('") + OwnerPrefix() + EscapeSQLText(table) +
                    QStringLiteral("') ") + kCrLf + QStringLiteral("and sysstat & 0xf = 3 ");
        } else {
            query = QStringLiteral("SELECT COUNT(*) FROM ") + OwnerPrefix() +
                    QStringLiteral("DOCSTABLE WHERE UPPER(TABLE_NAME) = '") + EscapeSQLText(table.toUpper()) +
                    QLatin1Char('\'');
        }
        const SqlRows rows(*this, query);
        return LeadingNumber(rows.value(1)) > 0;
    } catch (const LibraryDamaged&) {
        throw;
    } catch (...) {
        ReportCurrentFault(m_log);
        return false;
    }
}

QString SqlGateway::Value(int column) const {
    if (!m_session.sql || m_session.sql->rowCount() == 0)
        return QString();
    return m_session.sql->columnValue(column);
}

void SqlGateway::Release() {
    if (m_session.sql)
        m_session.sql->releaseResults();
}

} // namespace vantrelis::dm
