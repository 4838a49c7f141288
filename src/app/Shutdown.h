#pragma once

#include "app/AppContext.h"
#include "app/MainView.h"
#include "app/ProgramState.h"

#include <functional>

namespace vantrelis::app {

// The main window's unload (`Form_Unload`): saves the settings, releases the DM objects and ends
// the program. Runs once; a second call does nothing.
class Shutdown {
public:
    // Ends the program with an exit status (leaves the event loop).
    using EndProgram = std::function<void(int exitStatus)>;

    Shutdown(AppContext& context, MainView& main, ProgramState& state, EndProgram endProgram);

    void Form_Unload(int exitStatus) noexcept;

private:
    void SaveSettings();

    AppContext& m_context;
    MainView& m_main;
    ProgramState& m_state;
    EndProgram m_endProgram;
};

} // namespace vantrelis::app
