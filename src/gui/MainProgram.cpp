#include "gui/MainProgram.h"

#include <QCoreApplication>

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
    m_commands.setImportRun([this] { m_run.Button_Go_Click(); });
    m_startup.setGo([this] { m_commands.Button_Go_Click(); });
    Connect();
}

void MainProgram::Connect() {
    app::MainCommands* commands = &m_commands;
    QObject::connect(&m_main, &DMMain::goRequested, &m_main, [commands] { commands->Button_Go_Click(); });
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
    app::Shutdown* shutdown = &m_shutdown;
    QObject::connect(&m_main, &DMMain::shutdownRequested, &m_main,
                     [shutdown](int exitStatus) { shutdown->Form_Unload(exitStatus); });
}

bool MainProgram::Start() {
    return m_startup.Form_Load();
}

} // namespace vantrelis::gui
