#pragma once

#include "app/AppContext.h"
#include "app/DmSettingsViewer.h"
#include "app/MainCommands.h"
#include "config/DefinitionEditor.h"

namespace vantrelis::gui {

class DMMain;

// The main window's two modal windows on the program's context: the import set editor that
// Configure opens once its checks pass, and the DM settings viewer of "Display Current DM Settings".
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

private:
    DMMain& m_window;
    DefinitionEditor m_editor;
    app::DmSettingsViewer m_viewer;
};

} // namespace vantrelis::gui
