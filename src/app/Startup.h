#pragma once

#include "app/AppContext.h"
#include "app/MainView.h"
#include "app/ProgramState.h"
#include "app/Shutdown.h"
#include "app/SplashView.h"
#include "common/RegistryComponent.h"

#include <functional>

namespace vantrelis::app {

// The main window's load (`Form_Load`): from nothing to "Waiting for user input" with the DM login,
// the current library connected, its rules and import sets loaded and the window filled from the
// saved settings and the command line; with "/G" the run follows. A step that fails takes the stop
// path, which ends the program through the shutdown.
class Startup {
public:
    Startup(AppContext& context, MainView& main, SplashView& splash, ProgramState& state,
            RegistryComponent& registry, Shutdown& shutdown);

    // The Go button's handler, run at the end with "/G".
    void setGo(std::function<void()> go) { m_go = std::move(go); }
    // What "--runs" does instead of a run: list the runs, then end the program.
    void setListRuns(std::function<void()> listRuns) { m_listRuns = std::move(listRuns); }
    // "--undo RUN": what the program does instead of a run (it ends the program).
    void setUndoRun(std::function<void()> undoRun) { m_undoRun = std::move(undoRun); }
    // Receives the line of a start that stopped before its run (the program prints it).
    void setStopOutput(std::function<void(const QString&)> output) { m_stopOutput = std::move(output); }
    // Made just before the login: why the DM server cannot be used (its file missing or unreadable),
    // empty when nothing is wrong. Its answer is logged as an error line ahead of the login's own.
    void setLoginCheck(std::function<QString()> check) { m_loginCheck = std::move(check); }

    // True when the program is up and waiting; false when it has ended (stopped, or a "/G" run
    // that ended it).
    bool Form_Load();

    // The DM client version as the splash shows it: "(" + version + " patch " + level + ")" when a
    // patch level is set, otherwise the version alone.
    static QString DmVersionText(RegistryComponent& registry);

private:
    bool Load();
    void KeepRegistrations() noexcept;
    void LoadLogSettings();
    // False when "/S" names no import set of the current library.
    bool PlaceForm();
    void PreselectImportFile() noexcept;
    void SetDocumentOptions() noexcept;
    bool HasRights() noexcept;
    // Whether the rights query failed because another writer held the library.
    bool RightsUnread() noexcept;
    // `why`: the text that stopped the start, for its line on standard output when no error line
    // came before it.
    bool Stop(bool userTold, const QString& why) noexcept;

    AppContext& m_context;
    MainView& m_main;
    SplashView& m_splash;
    ProgramState& m_state;
    RegistryComponent& m_registry;
    Shutdown& m_shutdown;
    std::function<void()> m_go;
    std::function<void()> m_listRuns;
    std::function<void()> m_undoRun;
    std::function<void(const QString&)> m_stopOutput;
    std::function<QString()> m_loginCheck;
};

} // namespace vantrelis::app
