#include "gui/MainWindowDialogs.h"

#include "gui/DMMain.h"
#include "gui/QorvOptions.h"
#include "gui/Vantrelis_Definition.h"

namespace vantrelis::gui {

MainWindowDialogs::MainWindowDialogs(DMMain& window, app::AppContext& context, app::MainCommands& commands)
    : m_window(window), m_editor(context.rules(), context.importSets(), context.importSetStore(),
                                 context.log(), context.session()),
      m_viewer(context.session(), context.log(), [&connection = context.connection()](const QString& name) {
          return connection.ConnectLibrary(name);
      }) {
    commands.setImportSetEditor([this] { ShowImportSetEditor(); });
    commands.setSettingsViewer([this] { ShowSettingsViewer(); });
}

void MainWindowDialogs::ShowImportSetEditor() {
    Vantrelis_Definition::ShowModal(m_editor, m_window.runChoices().importSet, &m_window);
}

void MainWindowDialogs::ShowSettingsViewer() {
    QorvOptions form(m_viewer, &m_window);
    const bool loaded = form.Form_Load();
    m_window.setBusy(false);
    if (loaded)
        form.exec();
}

} // namespace vantrelis::gui
