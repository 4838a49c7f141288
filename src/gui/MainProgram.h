#pragma once

#include "app/AppContext.h"
#include "app/ImportRun.h"
#include "app/MainCommands.h"
#include "app/ProgramState.h"
#include "app/Shutdown.h"
#include "app/Startup.h"
#include "common/Launcher.h"
#include "common/RegistryComponent.h"
#include "gui/DMMain.h"
#include "gui/DialogFileChooser.h"
#include "gui/MainWindowDialogs.h"
#include "gui/QorvSplash.h"

namespace vantrelis::gui {

// The program's windows on an application context, wired to startup, shutdown and the window's
// commands: what main() and the window tests both bring up.
class MainProgram {
public:
    // `state` carries the program's folder, path and readme; `endProgram` leaves the event loop
    // (QCoreApplication::exit when not given).
    MainProgram(app::AppContext& context, RegistryComponent& registry, Launcher& launcher,
                app::ProgramState state, app::Shutdown::EndProgram endProgram = {});
    MainProgram(const MainProgram&) = delete;
    MainProgram& operator=(const MainProgram&) = delete;

    DMMain& main() { return m_main; }
    QorvSplash& splash() { return m_splash; }
    app::MainCommands& commands() { return m_commands; }
    app::Shutdown& shutdown() { return m_shutdown; }
    // The import run behind Go and the "/G" start.
    app::ImportRun& run() { return m_run; }
    const app::ProgramState& state() const { return m_state; }

    // Brings the program up (Form_Load); true when it waits for the user, false when it has ended.
    bool Start();

private:
    void Connect();

    app::AppContext& m_context;
    app::ProgramState m_state;
    DMMain m_main;
    QorvSplash m_splash;
    DialogFileChooser m_chooser;
    app::Shutdown m_shutdown;
    app::MainCommands m_commands;
    MainWindowDialogs m_dialogs;
    app::Startup m_startup;
    app::ImportRun m_run;
};

} // namespace vantrelis::gui
