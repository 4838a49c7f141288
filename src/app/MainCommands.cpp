#include "app/MainCommands.h"

#include "common/Fault.h"
#include "common/FaultReport.h"
#include "common/SavedSetting.h"
#include "common/TextViewer.h"
#include "config/FolderRules.h"

#include <QFileInfo>

namespace vantrelis::app {

namespace {

// The folder of a saved file, or the fallback when nothing is saved.
QString StartFolder(const QString& savedFile, const QString& fallback) {
    return savedFile.isEmpty() ? fallback : QFileInfo(savedFile).absolutePath();
}

// A rule of the library's own; the default rule stands in when the library has none.
bool HasFolderRule(const RuleTable& rules, const QString& libraryName) {
    for (int row = 1; row <= rules.count(); ++row)
        if (rules.field(row, RuleTable::kLibrary) == libraryName &&
            rules.field(row, RuleTable::kName) != FolderRules::DefaultRuleName())
            return true;
    return false;
}

} // namespace

MainCommands::MainCommands(AppContext& context, MainView& main, ProgramState& state, FileChooser& chooser,
                           Launcher& launcher)
    : m_context(context), m_main(main), m_state(state), m_chooser(chooser), m_launcher(launcher) {}

void MainCommands::Cancelled() {
    throw Fault(kCancelError, QStringLiteral("CommonDialog"), QStringLiteral("Cancel was selected."));
}

void MainCommands::Button_Go_Click(bool checkOnly) {
    if (m_importRun) {
        m_importRun(checkOnly);
        return;
    }
    // A build without the import run: Go can do nothing, and an unattended start must still end.
    m_context.log().ShowStatus(QStringLiteral("Error: The import run is not available in this build"));
    if (m_context.commandLine().exitWhenDone)
        m_main.endProgram(kExitStopped);
}

void MainCommands::Button_Configure_Click() {
    try {
        Log& log = m_context.log();
        const QString library = m_context.session().LibraryName();
        if (!m_context.library().settingsTablePresent()) {
            log.ShowMessage(QStringLiteral("You must create the QORV_SETTINGS table in library ") + library +
                                QStringLiteral(" before you can configure ") + log.productName(),
                            StyleExclamation);
            return;
        }
        if (!HasFolderRule(m_context.rules(), library)) {
            log.ShowMessage(
                QStringLiteral("You must first create at least one Folder Rule in library ") + library +
                    QStringLiteral(" before you can create an import set. Please exit ") + log.productName() +
                    QStringLiteral(" now and create the rule in Vantrelis Maintenance."),
                StyleExclamation);
            return;
        }
        if (m_importSetEditor)
            m_importSetEditor();
    } catch (...) {
    }
}

void MainCommands::ButtonFile_Click() {
    Log& log = m_context.log();
    try {
        SettingsStore& settings = m_context.settings();
        const QString saved = SavedSetting::LastImportFile().read(settings);
        FileRequest request;
        request.folder = StartFolder(saved, m_state.programFolder);
        request.fileName = saved;
        if (saved.isEmpty()) {
            m_importExtension.clear();
        } else {
            m_state.importFileName = saved;
            // The extension is that of the file name, whatever dots its folders have.
            const QString name = QFileInfo(saved).fileName();
            const qsizetype dot = name.indexOf(QLatin1Char('.'));
            if (dot >= 0)
                m_importExtension = name.mid(dot + 1);
        }
        request.defaultSuffix = m_importExtension;
        request.title = QStringLiteral("Select the import file and press Open:");
        request.filter = QStringLiteral("All files (*.*)|*.*|CSV Files (*.csv)|*.csv|Txt Files (*.txt)|*.txt|"
                                        "Ascii Files (*.asc)|*.asc|Import files (*.rpt)|*.rpt");
        const std::optional<QString> chosen = m_chooser.openFile(request);
        if (!chosen)
            Cancelled();
        m_state.importFileName = *chosen;
        m_main.setImportFileLabel(*chosen);
        SavedSetting::LastImportFile().save(settings, *chosen);
    } catch (...) {
        ReportCurrentFault(log);
        log.ShowStatus(QStringLiteral("Error: Unable to select import file."));
    }
}

void MainCommands::ButtonLogDir_Click() {
    Log& log = m_context.log();
    try {
        SettingsStore& settings = m_context.settings();
        const SavedSetting logFile = SavedSetting::LogFile(QString());
        const QString saved = logFile.read(settings);
        FileRequest request;
        request.folder = StartFolder(saved, m_state.programFolder);
        request.fileName = saved.isEmpty() ? log.baseName() : saved;
        request.title = QStringLiteral("Select location for log file:");
        request.defaultSuffix = QStringLiteral("LOG");
        request.filter = QStringLiteral("Log files (*.log)|*.log");
        const std::optional<QString> chosen = m_chooser.saveFile(request);
        if (!chosen)
            Cancelled();
        if (chosen->isEmpty())
            return;
        log.setBaseName(*chosen);
        logFile.save(settings, *chosen);
        m_main.setLogFileTip(*chosen);
    } catch (...) {
        ReportCurrentFault(log);
    }
}

void MainCommands::MNLibList_Click(const QString& caption) {
    try {
        if (caption == m_context.session().LibraryName())
            return;
        Log& log = m_context.log();
        const QString saved = log.StatusLabel();
        log.SetStatusLabel(QStringLiteral("Switching to library ") + caption);
        m_main.setBusy(true);
        log.Yield();
        m_context.connection().ConnectLibrary(caption);
        log.SetStatusLabel(saved);
        m_main.setBusy(false);
        log.Yield();
    } catch (...) {
    }
}

void MainCommands::MNHelpReadme_Click() {
    try {
        const QString readme = m_state.readmePath;
        if (!QFileInfo(readme).isFile())
            return;
        Log& log = m_context.log();
        m_main.setBusy(true);
        const QString saved = log.StatusLabel();
        log.Yield();
        log.SetStatusLabel(QStringLiteral("Viewing File ") + readme + QStringLiteral(" using Notepad"));
        const QString failed = StartTextViewer(m_launcher, readme);
        m_main.setBusy(false);
        log.SetStatusLabel(saved);
        if (!failed.isEmpty()) {
            log.WriteLog(QStringLiteral("Error: ") + failed);
            log.ShowMessage(failed, StyleExclamation);
        }
    } catch (...) {
    }
}

void MainCommands::MNQorvOptions_Click() {
    m_main.setBusy(true);
    m_main.yield();
    try {
        if (m_settingsViewer)
            m_settingsViewer();
    } catch (...) {
    }
    m_main.setBusy(false);
}

} // namespace vantrelis::app
