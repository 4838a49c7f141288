#include "app/Startup.h"

#include "app/BuildInfo.h"
#include "app/WindowPlacement.h"
#include "common/ConfigFile.h"
#include "common/FaultReport.h"
#include "common/LibraryQueries.h"
#include "common/ProductInfo.h"
#include "common/QorvClass.h"
#include "common/SavedSetting.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "dm/SqlRows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace vantrelis::app {

namespace {

const QString kDmKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS\\");
const QString kMinusOne = QStringLiteral("-1");

} // namespace

Startup::Startup(AppContext& context, MainView& main, SplashView& splash, ProgramState& state,
                 RegistryComponent& registry, Shutdown& shutdown)
    : m_context(context), m_main(main), m_splash(splash), m_state(state), m_registry(registry),
      m_shutdown(shutdown) {}

QString Startup::DmVersionText(RegistryComponent& registry) {
    const QString version = ReadRegistryValue(kDmKey + QStringLiteral("CurrentVersion"), registry).toString();
    const QString patch = ReadRegistryValue(kDmKey + QStringLiteral("PatchLevel"), registry).toString();
    if (patch.isEmpty())
        return version;
    return QLatin1Char('(') + version + QStringLiteral(" patch ") + patch + QLatin1Char(')');
}

bool Startup::Form_Load() {
    Log& log = m_context.log();
    log.setMainView(&m_main);
    log.setStatusView(&m_main);
    m_main.setCaption(log.programTitle());
    try {
        SavedSetting::Path().save(m_context.settings(), m_state.executablePath);
    } catch (...) {
    }
    KeepRegistrations();
    const bool loaded = Load();
    // The program now waits for the user (or starts the run): startup's lines are in the file.
    log.Flush();
    if (!loaded)
        return false;
    if (m_context.commandLine().runs && m_listRuns) {
        m_listRuns();
        return !m_state.ended;
    }
    if (!m_context.commandLine().undoRun.isEmpty() && m_undoRun) {
        m_undoRun();
        return !m_state.ended;
    }
    // With "/G" the run starts at once; with "/X" as well, it ends the program when it is done.
    if (m_context.commandLine().go && m_go)
        m_go();
    return !m_state.ended;
}

// Registering the DM API library and the companion component is the Windows installation's
// business; here nothing is started, and the two settings record that there is nothing left to do.
void Startup::KeepRegistrations() noexcept {
    try {
        SettingsStore& settings = m_context.settings();
        for (const SavedSetting& registered :
             {SavedSetting::RegisterAPI(), SavedSetting::RegisterQorvClasses()})
            if (registered.read(settings) != kMinusOne)
                registered.save(settings, kMinusOne);
    } catch (...) {
    }
}

bool Startup::Load() {
    Log& log = m_context.log();
    const CommandLine& commandLine = m_context.commandLine();
    try {
        m_main.setBusy(true);
        m_main.setWindowEnabled(false);
        m_main.yield();

        m_state.dmVersion = DmVersionText(m_registry);
        m_main.setAboutInfo(m_state.dmVersion, BuildNumber(), BuildDate());

        m_main.setWindowShown(false);
        log.setStatusView(&m_splash);
        m_splash.setDmVersion(m_state.dmVersion);
        m_splash.setBuild(BuildNumber(), BuildDate());
        m_splash.showSplash();
        m_splash.yield();
        log.ShowStatus(QStringLiteral("One moment..."));
        log.Yield();

        SettingsStore& settings = m_context.settings();
        m_main.moveTo(PlaceWindow(SavedSetting::ScreenLeft().read(settings),
                                  SavedSetting::ScreenTop().read(settings), m_main.screenArea(),
                                  m_main.windowSize()));
        m_main.setCaption(QStringLiteral("Vantrelis") + QChar(0x2122) + QStringLiteral(" Import For DM5"));
        m_state.stage = StartupStage::WindowPlaced;

        log.ShowStatus(QStringLiteral("Getting Command Line Parameters"));
        log.Yield();
        LoadLogSettings();
        m_state.stage = StartupStage::LogLoaded;

        log.WriteLog(StandardLines::Starting(log.productName(), log.clock().now(), QLocale::system()));
        log.WriteLog(StandardLines::SectionEnd());

        log.ShowStatus(QStringLiteral("Connecting to Hummingbird DM (Fusion) Application"));
        m_main.setBusy(true);
        log.Yield();
        if (m_loginCheck)
            if (const QString problem = m_loginCheck(); !problem.isEmpty())
                log.WriteLog(QStringLiteral("Error: ") + problem);
        if (!m_context.connection().StartFusion()) {
            const QString text =
                QStringLiteral("Error: Unable to start the Fusion application - I will end the program now");
            log.ShowMessage(text, StyleCritical);
            return Stop(true, text);
        }

        log.ShowStatus(QStringLiteral("Setting form"));
        m_main.setBusy(true);
        log.Yield();
        const int ruleCount = m_context.rules().count();
        if (ruleCount == 0) {
            const QString text = QStringLiteral("Notice: There are ") + FormatWhole(ruleCount) +
                                 QStringLiteral(" rules defined - cannot continue");
            log.ShowMessage(text, StyleCritical);
            return Stop(false, text);
        }
        if (!PlaceForm()) {
            // Another set must never run in its place: attended, the box is left without a choice.
            const QString text = QStringLiteral("Error: Import set ") + commandLine.importSet +
                                 QStringLiteral(" not found in library ") +
                                 m_context.session().LibraryName() + QStringLiteral(" - cannot continue");
            log.WriteLog(text);
            log.ShowMessage(text, StyleExclamation);
            if (log.unattended())
                return Stop(true, text);
        } else if (commandLine.hasImportSet) {
            // "/S" is the import set of this start and of the next.
            SavedSetting::ComboImportSet().save(settings, commandLine.importSet);
        }

        log.ShowStatus(QStringLiteral("Retrieving Session information"));
        log.Yield();
    } catch (...) {
        ReportCurrentFault(log);
        return Stop(false, QString());
    }

    PreselectImportFile();
    SetDocumentOptions();
    m_state.stage = StartupStage::FormFilled;
    const bool rights = HasRights();
    if (!rights && RightsUnread()) {
        // Another writer's lock kept the rights from being read: that says nothing about them.
        const QString text = QStringLiteral("Error: Library ") + m_context.session().LibraryName() +
                             QStringLiteral(" is held by another writer - the rights could not be "
                                            "verified; try again later");
        log.WriteLog(text);
        log.ShowMessage(text, StyleExclamation);
        return Stop(true, text);
    }
    if (!rights) {
        const QString text =
            QStringLiteral("Error: You are not a member of any groups with Universal Access = ") +
            QString::number(kAdministratorAccess) + QStringLiteral(". ") +
            QStringLiteral("This is a requirement for running ") + log.productName();
        log.ShowMessage(text, StyleExclamation);
        return Stop(false, text);
    }

    try {
        log.ShowStatus(QStringLiteral("Activating the main form"));
        log.Yield();
        try {
            m_splash.Unload();
        } catch (...) {
        }
        if (!QFileInfo(m_state.readmePath).isFile())
            m_main.setReadmeVisible(false);

        log.setStatusView(&m_main);
        m_main.setWindowShown(true);
        m_main.setWindowEnabled(true);
        m_main.activate();
        m_main.yield();
        log.SetStatusLabel(QStringLiteral("Waiting for user input"));
        m_main.setBusy(false);
        m_main.yield();

        log.WriteLog(
            StandardLines::StartedOn(log.programTitle(), log.clock().now().date(), QLocale::system()));
        log.WriteLog(StandardLines::StepSeparator());
    } catch (...) {
        ReportCurrentFault(log);
        return Stop(false, QString());
    }
    return true;
}

void Startup::LoadLogSettings() {
    Log& log = m_context.log();
    SettingsStore& settings = m_context.settings();
    const QString defaultLog = Log::DefaultBaseName(m_state.programFolder, Log::UserDataFolder());
    const QString baseName = SavedSetting::LogFile(defaultLog).read(settings);
    if (baseName == defaultLog)
        QDir().mkpath(QFileInfo(defaultLog).absolutePath());
    m_main.setLogFileTip(baseName);
    if (m_context.commandLine().purgeLog && !baseName.isEmpty()) {
        // The undated name is never written itself; today's dated file is the log "/P" means to clear.
        QFile::remove(baseName);
        QFile::remove(Log::DatedName(baseName, log.clock().now().date()));
    }
    log.setBaseName(baseName);

    log.ShowStatus(QStringLiteral("Retrieving basic configuration settings"));
    log.Yield();
    const bool verbose = LeadingNumber(SavedSetting::LogMethod().read(settings)) != 0;
    m_main.setVerboseLogging(verbose);
    log.setVerbose(verbose);
}

bool Startup::PlaceForm() {
    Log& log = m_context.log();
    log.ShowStatus(QStringLiteral("Setting Libraries"));
    QStringList names;
    try {
        if (const auto& libraries = m_context.session().libraries) {
            const int count = libraries->count();
            for (int index = 1; index <= count; ++index) {
                const std::shared_ptr<dm::DmLibrary> library = libraries->item(index);
                names.append(library ? library->name() : QString());
            }
        }
    } catch (...) {
        // The boxes gathered so far are placed; the import sets are not.
        ReportCurrentFault(log);
        FormContent partial;
        for (const QString& name : names)
            partial.libraries.append({name, true});
        m_main.PlaceForm(partial);
        return true;
    }
    const CommandLine& commandLine = m_context.commandLine();
    const FormContent content =
        FormContent::Make(names, m_context.session().LibraryName(), m_context.rules(), m_context.settings(),
                          commandLine.hasImportSet ? commandLine.importSet : QString());
    m_main.PlaceForm(content);
    return content.selectedImportSet >= 0;
}

void Startup::PreselectImportFile() noexcept {
    try {
        const CommandLine& commandLine = m_context.commandLine();
        SettingsStore& settings = m_context.settings();
        if (commandLine.hasImportFile) {
            // A file given that cannot be read is not taken, and the saved last file stays saved.
            m_state.importFileName = commandLine.importFile;
            const QString problem = ReadableFileProblem(commandLine.importFile);
            if (problem.isEmpty()) {
                m_main.setImportFileLabel(commandLine.importFile);
                return;
            }
            Log& log = m_context.log();
            const QString text = QStringLiteral("Error: Import file ") + commandLine.importFile +
                                 QStringLiteral(" given by /F was not taken: ") + problem;
            log.WriteLog(text);
            log.ShowMessage(text, StyleExclamation);
            return;
        }
        m_state.importFileName = SavedSetting::LastImportFile().read(settings);
        if (QFileInfo(m_state.importFileName).isFile())
            m_main.setImportFileLabel(m_state.importFileName);
        else
            SavedSetting::LastImportFile().save(settings, QString());
    } catch (...) {
    }
}

void Startup::SetDocumentOptions() noexcept {
    try {
        const CommandLine& commandLine = m_context.commandLine();
        SettingsStore& settings = m_context.settings();
        m_main.setAddNewDocs(commandLine.addNewDocs ||
                             LeadingNumber(SavedSetting::CheckAddNewDocs().read(settings)) == 1);
        m_main.setAddExistingDocs(commandLine.addExistingDocs ||
                                  LeadingNumber(SavedSetting::CheckAddExistingDocs().read(settings)) == 1);
        m_main.setFillFromLine(commandLine.profileFromLine ||
                               LeadingNumber(SavedSetting::CheckFillFromLine().read(settings)) == 1);
    } catch (...) {
    }
}

// A check that cannot be made counts as no membership.
bool Startup::HasRights() noexcept {
    try {
        Log& log = m_context.log();
        const auto& library = m_context.session().currentLibrary;
        const QString userName = library ? library->userName() : QString();
        log.ShowStatus(QStringLiteral("Verifying rights for ") + userName);
        log.Yield();
        dm::SqlRows rows(m_context.gateway(), AdministratorCheckSql(userName));
        return LeadingNumber(rows.value(1)) != 0;
    } catch (...) {
        return false;
    }
}

bool Startup::RightsUnread() noexcept {
    try {
        const auto& library = m_context.session().currentLibrary;
        return m_context.gateway().LastErrorPassing() || (library && library->heldByAnotherWriter());
    } catch (...) {
        return false;
    }
}

bool Startup::Stop(bool userTold, const QString& why) noexcept {
    try {
        Log& log = m_context.log();
        const QString lastStep = log.statusView() ? log.StatusLabel() : QString();
        const QString text = StandardLines::StoppedAt(log.productName(), lastStep);
        log.WriteLog(StandardLines::StepSeparator());
        log.WriteLog(text);
        log.WriteLog(StandardLines::SectionEnd());
        if (!userTold)
            log.ShowMessage(text, StyleCritical);
        // Whoever started the program learns why from the first error, else from the box.
        if (m_stopOutput) {
            const QString reason =
                !log.firstError().isEmpty() ? log.firstError() : (!why.isEmpty() ? why : text);
            m_stopOutput(StandardLines::StoppedBeforeRun(reason, log.datedName()));
        }
    } catch (...) {
    }
    try {
        m_splash.Unload();
    } catch (...) {
    }
    m_shutdown.Form_Unload(kExitStopped);
    return false;
}

} // namespace vantrelis::app
