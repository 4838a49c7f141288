#pragma once

#include "app/AppContext.h"
#include "app/DmSettingsViewer.h"
#include "app/MainCommands.h"
#include "config/DefinitionEditor.h"

namespace vantrelis::gui {

class DMMain;

// The main window's modal windows on the program's context: the import set editor that
// Configure opens once its checks pass, the DM settings viewer of "Display Current DM Settings"
// and the list of runs to undo.
class MainWindowDialogs {
public:
    // Hands both to the window's commands.
    MainWindowDialogs(DMMain& window, app::AppContext& context, app::MainCommands& commands);
    MainWindowDialogs(const MainWindowDialogs&) = delete;
    MainWindowDialogs& operator=(const MainWindowDialogs&) = delete;

    // The editor on the main window's import set.
    void ShowImportSetEditor();
    // The viewer; the busy pointer the command set lasts while it loads, not while the user works in it.
    void ShowSettingsViewer();
    // "Undo a run…": the runs of the current and ticked libraries, and the undo of one of them.
    void ShowRunUndo();

private:
    DMMain& m_window;
    app::AppContext& m_context;
    DefinitionEditor m_editor;
    app::DmSettingsViewer m_viewer;
};

} // namespace vantrelis::gui
