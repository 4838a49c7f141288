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
    app::Startup& startup() { return m_startup; }
    const app::ProgramState& state() const { return m_state; }

    // Brings the program up (Form_Load); true when it waits for the user, false when it has ended.
    bool Start();

    // A termination signal (SIGTERM, SIGINT, SIGHUP) acts as Exit: during a run, the run stops after
    // the item it is on, finishes and ends the program (status 2); otherwise the program shuts down.
    // One that comes while startup works is acted on once startup is done, before a "/G" run.
    void TerminationRequested(const QString& signalName);
    // The first termination signal's name; empty while none came.
    const QString& terminationSignal() const { return m_terminationSignal; }

private:
    void Connect();
    // The "/G" start's run, or the end a signal during startup asked for.
    void StartedGo();
    // Ends the program for a signal that came while nothing could stop; true when it did.
    bool EndForPendingSignal();

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
    bool m_startupDone = false;
    bool m_inRun = false;
    QString m_pendingSignal;
    QString m_terminationSignal;
};

} // namespace vantrelis::gui
