#pragma once

#include "app/AppContext.h"
#include "app/DmSettingsViewer.h"
#include "config/DefinitionEditor.h"

#include <QObject>

namespace vantrelis::gui {

class DMMain;

// The main window's two modal windows: the import set editor behind Configure and the DM settings
// viewer behind "Display Current DM Settings", on the program's context.
class MainWindowDialogs : public QObject {
    Q_OBJECT
public:
    MainWindowDialogs(DMMain& window, app::AppContext& context);

    // Opens the editor on the main window's import set, unless the current library has no settings
    // table or no folder rule (then a message says what is missing).
    void Button_Configure_Click();
    // Opens the viewer; the busy pointer shows while it reads the libraries and parameters.
    void MNQorvOptions_Click();

private:
    DMMain& m_window;
    app::AppContext& m_context;
    DefinitionEditor m_editor;
    app::DmSettingsViewer m_viewer;
};

} // namespace vantrelis::gui
