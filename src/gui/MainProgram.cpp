#include "gui/MainProgram.h"

#include "app/RunJournal.h"
#include "app/RunUndoing.h"

#include <QCoreApplication>
#include <QTextStream>

namespace vantrelis::gui {

namespace {
void LeaveEventLoop(int exitStatus) {
    QCoreApplication::exit(exitStatus);
}
} // namespace

MainProgram::MainProgram(app::AppContext& context, RegistryComponent& registry, Launcher& launcher,
                         app::ProgramState state, app::Shutdown::EndProgram endProgram)
    : m_context(context), m_state(std::move(state)), m_main(context.log()), m_splash(&m_main),
      m_chooser(&m_main),
      m_shutdown(context, m_main, m_state, endProgram ? std::move(endProgram) : LeaveEventLoop),
      m_commands(context, m_main, m_state, m_chooser, launcher), m_dialogs(m_main, context, m_commands),
      m_startup(context, m_main, m_splash, m_state, registry, m_shutdown),
      m_run(context, m_main, context.folders()) {
    context.connection().setView(&m_main);
    m_commands.setImportRun([this](bool checkOnly) {
        m_inRun = true;
        m_run.Button_Go_Click(checkOnly);
        m_inRun = false;
        EndForPendingSignal();
    });
    m_startup.setGo([this] { StartedGo(); });
    m_startup.setListRuns([this] {
        for (const QString& line : app::ListRuns(m_context, m_main.runChoices()))
            QTextStream(stdout) << line << Qt::endl;
        m_shutdown.Form_Unload(app::kExitNormal);
    });
    m_startup.setUndoRun([this] {
        const app::CommandLine& commandLine = m_context.commandLine();
        app::UndoRequest request;
        request.runId = commandLine.undoRun;
        request.check = commandLine.check;
        request.reportFile = commandLine.reportFile;
        request.output = [](const QString& line) { QTextStream(stdout) << line << Qt::endl; };
        request.stop = [this] { return !m_pendingSignal.isEmpty(); };
        const app::UndoOutcome outcome = app::UndoRun(m_context, m_main.runChoices(), request);
        QTextStream(stdout) << outcome.summary << Qt::endl;
        m_shutdown.Form_Unload(outcome.exitStatus);
    });
    Connect();
}

void MainProgram::Connect() {
    app::MainCommands* commands = &m_commands;
    QObject::connect(&m_main, &DMMain::goRequested, &m_main,
                     [commands](bool checkOnly) { commands->Button_Go_Click(checkOnly); });
    QObject::connect(&m_main, &DMMain::configureRequested, &m_main,
                     [commands] { commands->Button_Configure_Click(); });
    QObject::connect(&m_main, &DMMain::importFileRequested, &m_main,
                     [commands] { commands->ButtonFile_Click(); });
    QObject::connect(&m_main, &DMMain::logFileRequested, &m_main,
                     [commands] { commands->ButtonLogDir_Click(); });
    QObject::connect(&m_main, &DMMain::libraryChosen, &m_main,
                     [commands](const QString& name) { commands->MNLibList_Click(name); });
    QObject::connect(&m_main, &DMMain::readmeRequested, &m_main,
                     [commands] { commands->MNHelpReadme_Click(); });
    QObject::connect(&m_main, &DMMain::settingsViewerRequested, &m_main,
                     [commands] { commands->MNQorvOptions_Click(); });
    MainWindowDialogs* dialogs = &m_dialogs;
    QObject::connect(&m_main, &DMMain::undoRunRequested, &m_main, [dialogs] { dialogs->ShowRunUndo(); });
    app::Shutdown* shutdown = &m_shutdown;
    QObject::connect(&m_main, &DMMain::shutdownRequested, &m_main,
                     [shutdown](int exitStatus) { shutdown->Form_Unload(exitStatus); });
}

bool MainProgram::Start() {
    const bool waiting = m_startup.Form_Load();
    m_startupDone = true;
    if (waiting && EndForPendingSignal())
        return false;
    return waiting && !m_state.ended;
}

void MainProgram::StartedGo() {
    m_startupDone = true;
    if (!EndForPendingSignal())
        m_commands.Button_Go_Click();
}

bool MainProgram::EndForPendingSignal() {
    if (m_pendingSignal.isEmpty() || m_state.ended)
        return false;
    m_context.log().WriteLog(QStringLiteral("Warning: The program ends for ") + m_pendingSignal);
    m_shutdown.Form_Unload(app::kExitStopped);
    return true;
}

void MainProgram::TerminationRequested(const QString& signalName) {
    if (m_state.ended)
        return;
    if (m_terminationSignal.isEmpty())
        m_terminationSignal = signalName;
    Log& log = m_context.log();
    if (m_main.runInProgress()) {
        log.WriteLog(QStringLiteral("Warning: ") + signalName +
                     QStringLiteral(" received - the run stops after the item it is on"));
        m_main.Button_Exit_Click();
        // Should the run have passed its last look at the request, the program ends once it is done.
        m_pendingSignal = signalName;
        return;
    }
    // Startup and the run's checks and finishing steps cannot stop halfway: they end first.
    if (!m_startupDone || m_inRun) {
        log.WriteLog(QStringLiteral("Warning: ") + signalName +
                     QStringLiteral(" received - the program ends when the step it is on is done"));
        m_pendingSignal = signalName;
        return;
    }
    log.WriteLog(QStringLiteral("Warning: ") + signalName + QStringLiteral(" received - the program ends"));
    m_main.Button_Exit_Click();
}

} // namespace vantrelis::gui
