#include "dm/FusionConnection.h"

#include "common/Fault.h"
#include "common/FaultReport.h"
#include "common/LibraryQueries.h"
#include "common/ProductInfo.h"
#include "common/Prompter.h"
#include "common/SavedSetting.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "dm/LibraryDamaged.h"
#include "dm/SqlRows.h"

#include <QRegularExpression>

namespace vantrelis::dm {

namespace {
// A database name that SP_DBOPTION can take as it stands: a regular identifier of the server.
bool IsPlainIdentifier(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_@#$]{0,127}$"));
    return pattern.match(name).hasMatch();
}

// The REMOTE_LIBRARIES row of a library, by name.
QString RemoteLibraryQuery(const QString& column, const QString& libraryName) {
    return QStringLiteral("SELECT ") + column + QStringLiteral(" FROM ") + OwnerPrefix() +
           QStringLiteral("REMOTE_LIBRARIES WHERE LIBRARY_NAME = '") + EscapeSQLText(libraryName) +
           QLatin1Char('\'');
}

// Thrown for a missing DM object, as the object model would fault on it.
[[noreturn]] void ObjectNotSet(const QString& what) {
    throw Fault(kObjectNotSetNumber, QStringLiteral("ConnectLibrary"),
                QStringLiteral("Object variable not set (") + what + QLatin1Char(')'));
}
} // namespace

FusionConnection::FusionConnection(const DmFactory& factory, DmSession& session, LibraryContext& library,
                                   SqlGateway& gateway, Log& log, SettingsStore& settings)
    : m_factory(factory), m_session(session), m_library(library), m_gateway(gateway), m_log(log),
      m_settings(settings) {}

void FusionConnection::SetBusy() {
    if (StatusView* view = m_log.statusView())
        view->setBusy(true);
}

bool FusionConnection::StartFailure(const QString& text) {
    m_log.WriteLog(text);
    m_log.ShowMessage(text, StyleCritical);
    return false;
}

bool FusionConnection::StartFusion() {
    StatusView* view = m_log.statusView();
    const bool wasBusy = view ? view->isBusy() : false;
    bool result = false;
    bool failed = false;
    const QString cannotStart = QStringLiteral(" - cannot start ") + ProductName();
    try {
        m_log.ShowStatus(QStringLiteral("Starting DM Browser Object"));
        m_session.browser = m_factory.createAs<DmBrowser>(QLatin1String(kBrowserClass));
        if (!m_session.companion)
            m_session.companion = m_factory.createAs<DmCompanion>(QLatin1String(kCompanionClass));
        if (m_session.browser)
            m_session.browser->setCompanion(m_session.companion, nullptr);
        m_log.WriteLog(StandardLines::LookupSeparator());

        m_log.ShowStatus(QStringLiteral("Creating Fusion Application Object"));
        m_session.application = m_factory.createAs<DmApplication>(QLatin1String(kApplicationClass));
        m_log.WriteLog(StandardLines::LookupSeparator());
        if (!m_session.application) {
            failed = !StartFailure(QStringLiteral("Error: Unable to set FUSION object") + cannotStart);
        } else {
            m_session.application->setWindowHandle(0);
            SetBusy();
            m_log.ShowStatus(QStringLiteral("Logging in to the Fusion Server"));
            m_session.token = m_session.application->dst();
            m_session.browser.reset();
            m_log.WriteLog(StandardLines::LookupSeparator());
            if (m_session.token.isEmpty()) {
                // The server's own reason (its file, the user, a library) is worth one more line.
                const QString reason = m_session.application->errorText();
                m_session.application.reset();
                failed =
                    !StartFailure(QStringLiteral("Error: Unable to set Fusion Security Token") + cannotStart);
                if (!reason.isEmpty())
                    m_log.WriteLog(QStringLiteral("Error: ") + reason);
            }
        }

        if (!failed) {
            SetBusy();
            m_log.ShowStatus(QStringLiteral("Setting PCDClient.PCDSQL Object"));
            m_session.sql = m_factory.createAs<DmSql>(QLatin1String(kSqlClass));
            m_log.WriteLog(StandardLines::LookupSeparator());
            if (!m_session.sql)
                failed = !StartFailure(QStringLiteral("Error: Unable to set SQL object") + cannotStart);
        }
        if (!failed) {
            SetBusy();
            m_log.ShowStatus(QStringLiteral("Setting Fusion Libraries Object"));
            m_session.libraries = m_session.application->libraries();
            m_log.WriteLog(StandardLines::LookupSeparator());
            if (!m_session.libraries)
                failed = !StartFailure(QStringLiteral("Error: Unable to set LIBS object") + cannotStart);
        }
        std::shared_ptr<DmLibrary> current;
        if (!failed) {
            SetBusy();
            m_log.ShowStatus(QStringLiteral("Identifying CurrentLibrary Object"));
            current = m_session.application->currentLibrary();
            if (!current) {
                m_log.WriteLog(StandardLines::LookupSeparator());
                failed = !StartFailure(QStringLiteral("Error: Unable to identify CurrentLibrary object") +
                                       cannotStart);
            }
        }
        if (!failed) {
            // The slot stays for ConnectLibrary to fill, so that it binds the SQL object.
            const QString name = current->name();
            m_log.WriteLog(StandardLines::LookupSeparator());
            SetBusy();
            m_log.ShowStatus(QStringLiteral("Connecting to current library ") + name);
            m_log.WriteLog(StandardLines::LookupSeparator());
            if (ConnectLibrary(name)) {
                m_log.ShowStatus(QStringLiteral("Fusion started with connection to ") + name);
                m_log.WriteLog(StandardLines::StepSeparator());
                result = true;
            } else {
                failed = true;
            }
        }
        if (failed) {
            m_log.WriteLog(StandardLines::LookupSeparator());
            m_log.WriteLog(QStringLiteral("StartFusion:"));
            m_log.ReportError(0, QString(), QString());
        }
    } catch (...) {
        m_log.WriteLog(StandardLines::LookupSeparator());
        m_log.WriteLog(QStringLiteral("StartFusion:"));
        ReportCurrentFault(m_log);
        result = false;
    }
    if (view) {
        view->setBusy(wasBusy);
        view->yield();
    }
    return result;
}

bool FusionConnection::ConnectionFailure(const QString& name, bool result) {
    m_log.WriteLog(QStringLiteral("Error: Unable to connect Library Object to ") + name);
    m_log.WriteLog(StandardLines::StepSeparator());
    return result;
}

bool FusionConnection::ConnectLibrary(const QString& libraryName) {
    const QString name = TrimBlanks(libraryName).toUpper();
    bool result = false;
    try {
        if (name.isEmpty())
            return ConnectionFailure(name, result);
        if (!m_session.application) {
            m_log.WriteLog(QStringLiteral("Error: Fusion object is not set"));
            return false;
        }
        if (!m_session.libraries) {
            m_log.WriteLog(QStringLiteral("Error: Libs object is not set"));
            return false;
        }
        if (m_connected && m_session.currentLibrary &&
            m_session.currentLibrary->name().compare(name, Qt::CaseInsensitive) == 0)
            return true;

        m_log.WriteLog(QStringLiteral("Connecting to library ") + name);
        std::shared_ptr<DmLibrary> found;
        try {
            const int count = m_session.libraries->count();
            for (int index = 1; index <= count && !found; ++index) {
                std::shared_ptr<DmLibrary> item = m_session.libraries->item(index);
                if (item && item->name().compare(name, Qt::CaseInsensitive) == 0) {
                    m_log.WriteLog(QStringLiteral("Setting Lib object to ") + item->name());
                    found = item;
                }
            }
        } catch (...) {
            const QString text =
                QStringLiteral("Error: The LIBS object is not set - this indicates a problem with how ") +
                ProductName() + QStringLiteral(" accesses the Fusion API on your computer");
            m_log.WriteLog(text);
            m_log.ShowMessage(text, StyleCritical);
            return ConnectionFailure(name, result);
        }
        // A name that is not in the collection leaves the current library as it was.
        if (!found) {
            m_log.WriteLog(QStringLiteral("Error: Unable to set LIB object - cannot continue"));
            return ConnectionFailure(name, result);
        }
        m_connected = false;
        m_lastFailurePassing = false;
        const qint64 passingBefore = m_gateway.PassingErrors();
        m_session.currentLibrary = found;
        // The general settings are the library's own: a key it does not set must not keep another
        // library's value (a parent folder number of one library names some other item in the next).
        m_library.ClearSettings();
        DmLibrary& library = *found;

        library.prepare();
        const QString userName = library.userName();
        if (userName.isEmpty()) {
            // The library's own reason when it gives one (its file, a lock, the user), in one line.
            const QString reason = library.errorText();
            m_lastFailurePassing = library.errorIsPassing();
            m_log.WriteLog(reason.isEmpty() ? QStringLiteral("Error: Library UserName not identified")
                                            : QStringLiteral("Error: Library ") + name +
                                                  QStringLiteral(" cannot be used: ") + reason);
            return false;
        }
        const QString currentName = library.name();
        if (m_view) {
            m_view->setUserName(userName);
            m_view->setPrimaryGroup(library.primaryGroup());
            m_view->setLibraryName(currentName);
        }

        if (!m_session.sql)
            ObjectNotSet(QStringLiteral("pSQL"));
        m_log.WriteLog(QStringLiteral("Setting pSQL object"));
        m_session.sql->setToken(m_session.token);
        m_log.WriteLog(QStringLiteral("Setting pSQL library to ") + currentName);
        m_session.sql->setLibrary(currentName);

        const int engine = DetectEngine(currentName);
        m_log.WriteLog(QStringLiteral("SQL Database_Engine value is ") + FormatWhole(engine));
        m_log.WriteLog(StandardLines::StepSeparator());
        m_library.setEngine(engine);
        if (engine != 0 && !IsOracle(engine)) {
            const SqlRows dateFormat(m_gateway, QStringLiteral("set dateformat mdy"));
        }

        if (currentName.compare(name, Qt::CaseInsensitive) != 0)
            return ConnectionFailure(name, result);
        result = true;
        m_connected = true;

        if (m_view)
            m_view->checkLibraryMenu(currentName);

        if (m_library.libraryCount() == 0) {
            QStringList names;
            const int count = m_session.libraries->count();
            for (int index = 1; index <= count; ++index) {
                std::shared_ptr<DmLibrary> item = m_session.libraries->item(index);
                names.append(item ? item->name() : QString());
            }
            m_library.BuildLibraryTable(names);
        }

        const int row = m_library.FindLibrary(currentName);
        if (row == 0) {
            m_log.WriteLog(QStringLiteral("Warning: Unable to define library ") + name +
                           QStringLiteral(" in requisite Library Array"));
            // The flag must not stay with the previous library's answer.
            m_library.setSettingsTablePresent(m_gateway.TableExists(QStringLiteral("QORV_SETTINGS")));
        } else {
            CheckLibrary(row, currentName);
        }

        if (m_loader) {
            m_loader->LoadRules();
            m_loader->LoadImportSets();
        }
        if (m_gateway.PassingErrors() != passingBefore) {
            // What another writer's lock kept from being read (the settings table, the rules) is not
            // the library's: nothing of it is kept, and the library may be connected again later.
            if (row != 0) {
                m_library.setLibraryField(row, LibraryContext::kFieldSettingsTable, QString());
                m_library.setLibraryField(row, LibraryContext::kFieldQuotedIdentifier, QString());
            }
            m_connected = false;
            m_lastFailurePassing = true;
            m_log.WriteLog(QStringLiteral("Error: Library ") + name +
                           QStringLiteral(" cannot be used now: another writer holds it"));
            return ConnectionFailure(name, false);
        }
        m_log.WriteLog(QStringLiteral("Connected to ") + m_library.engineName() +
                       QStringLiteral(" Library Object ") + currentName + QLatin1Char('.'));
        m_log.WriteLog(StandardLines::StepSeparator());
        return result;
    } catch (const LibraryDamaged&) {
        // Whatever was read so far, nothing may run on a damaged library: the connection fails
        // even after the library became the current one.
        ReportCurrentFault(m_log);
        m_connected = false;
        return ConnectionFailure(name, false);
    } catch (...) {
        ReportCurrentFault(m_log);
        return ConnectionFailure(name, result);
    }
}

int FusionConnection::DetectEngine(const QString& libraryName) {
    int engine = m_session.sql->engineCode();
    if (engine == 0) {
        const SqlRows rows(m_gateway, RemoteLibraryQuery(QStringLiteral("DATABASE_ENGINE"), libraryName));
        engine = static_cast<int>(rows.scalar());
    }
    return engine;
}

void FusionConnection::CheckLibrary(int row, const QString& libraryName) {
    CheckUniqueNames(libraryName);
    if (m_library.libraryField(row, LibraryContext::kFieldQuotedIdentifier).isEmpty())
        CheckQuotedIdentifier(row, libraryName);
    const bool present = CheckSettingsTable(row);
    m_library.setSettingsTablePresent(present);
    if (present)
        ReadGeneralSettings();
}

void FusionConnection::CheckUniqueNames(const QString& libraryName) {
    const SavedSetting warned = SavedSetting::UniqueNameWarning(libraryName);
    bool unique = false;
    if (std::shared_ptr<DmParameters> parameters = m_session.currentLibrary->parameters()) {
        const QVariant value = parameters->value(QStringLiteral("DOCSParms.UniqueDocNames"));
        unique = value.isValid() && value.toBool();
    }
    // A warning that nobody saw is not recorded as seen, so the next attended run shows it.
    if (unique && LeadingWhole(warned.read(m_settings)) == 0 &&
        !Warn(QStringLiteral("Warning: The library setting Unique Document Names is enabled. ") +
                  QStringLiteral("This will require you to have unique folder names in order to use "
                                 "Vantrelis in library ") +
                  libraryName + QLatin1Char('.'),
              m_log.programTitle()))
        return;
    warned.save(m_settings, unique ? QStringLiteral("-1") : QStringLiteral("0"));
}

bool FusionConnection::Warn(const QString& text, const QString& title) {
    if (m_log.unattended()) {
        m_log.WriteLog(text);
        return false;
    }
    m_log.ShowMessage(text, StyleExclamation, title);
    return true;
}

void FusionConnection::CheckQuotedIdentifier(int row, const QString& libraryName) {
    const int engine = m_library.engineCode();
    if (IsOracle(engine)) {
        m_library.setLibraryField(row, LibraryContext::kFieldQuotedIdentifier, FormatWhole(engine));
        return;
    }
    m_log.WriteLog(QStringLiteral("Checking DB_OPTION 'QUOTED_IDENTIFIER' in ") + libraryName);
    QString database;
    {
        const SqlRows rows(m_gateway, RemoteLibraryQuery(QStringLiteral("DATABASE_NAME"), libraryName));
        // A CHAR column comes back padded; the name itself has no blanks.
        database = TrimBlanks(rows.value(1));
    }
    if (!IsPlainIdentifier(database)) {
        // The name would have to be spliced into the statement as it stands; it is not sent.
        m_log.WriteLog(QStringLiteral("Warning: The database name \"") + database +
                       QStringLiteral("\" of library ") + libraryName +
                       QStringLiteral(" is not a plain identifier - the 'QUOTED_IDENTIFIER' check was "
                                      "skipped"));
        m_library.setLibraryField(row, LibraryContext::kFieldQuotedIdentifier, QStringLiteral("SKIPPED"));
        return;
    }
    const SqlRows rows(m_gateway,
                       QStringLiteral("SP_DBOPTION ") + database + QStringLiteral(",'QUOTED_IDENTIFIER'"));
    const QString option = rows.value(1).toUpper();
    const QString setting = rows.value(2).toUpper();
    if (option.contains(QLatin1String("QUOTED")) && setting != QLatin1String("ON")) {
        if (m_view)
            m_view->beep();
        Warn(QStringLiteral("The SQL option 'QUOTED_IDENTIFIER' is set to '") + setting +
                 QStringLiteral("' in the database for library ") + libraryName + QStringLiteral("!") +
                 kCrLf + kCrLf +
                 QStringLiteral(
                     "This option must be turned ON by a user that is connected to the SQL database as SA") +
                 kCrLf + QStringLiteral("in order to be able to manipulate folders in ") + ProductName() +
                 QStringLiteral(".") + kCrLf + kCrLf +
                 QStringLiteral("The syntax for this option (for library ") + libraryName +
                 QStringLiteral(") is:") + kCrLf + QStringLiteral("SP_DBOPTION ") + database +
                 QStringLiteral(", 'QUOTED_IDENTIFIER', 'ON'"),
             QStringLiteral("WARNING!"));
    }
    m_library.setLibraryField(row, LibraryContext::kFieldQuotedIdentifier, setting);
}

bool FusionConnection::CheckSettingsTable(int row) {
    const QString known = m_library.libraryField(row, LibraryContext::kFieldSettingsTable);
    const bool present =
        known.isEmpty() ? m_gateway.TableExists(QStringLiteral("QORV_SETTINGS")) : LeadingNumber(known) != 0;
    m_library.setLibraryField(row, LibraryContext::kFieldSettingsTable,
                              present ? QStringLiteral("-1") : QStringLiteral("0"));
    return present;
}

void FusionConnection::ReadGeneralSettings() {
    SqlRows rows(m_gateway, QStringLiteral("SELECT SUB_KEY, CHAR_VAL, INT_VAL FROM ") + SettingsRowsWhere() +
                                QStringLiteral(" AND SECTION_KEY = 'SETTINGS'"));
    for (bool more = rows.rowCount() != 0; more; more = rows.next()) {
        const QString warning = m_library.ApplySetting(rows.value(1), rows.value(2), rows.value(3));
        if (!warning.isEmpty())
            m_log.WriteLog(warning);
    }
}

} // namespace vantrelis::dm
