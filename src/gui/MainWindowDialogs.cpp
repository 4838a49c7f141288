#include "gui/MainWindowDialogs.h"

#include "app/RunJournal.h"
#include "app/RunUndoing.h"
#include "gui/DMMain.h"
#include "gui/QorvOptions.h"
#include "gui/RunUndoDialog.h"
#include "gui/Vantrelis_Definition.h"

namespace vantrelis::gui {

MainWindowDialogs::MainWindowDialogs(DMMain& window, app::AppContext& context, app::MainCommands& commands)
    : m_window(window), m_context(context),
      m_editor(context.rules(), context.importSets(), context.importSetStore(), context.log(),
               context.session()),
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

void MainWindowDialogs::ShowRunUndo() {
    app::AppContext& context = m_context;
    DMMain& window = m_window;
    RunUndoDialog::Actions actions;
    actions.list = [&context, &window] { return app::CollectRuns(context, window.runChoices()); };
    const auto undo = [&context, &window](const QString& runId, bool check) {
        app::UndoRequest request;
        request.runId = runId;
        request.check = check;
        return app::UndoRun(context, window.runChoices(), request);
    };
    actions.check = [undo](const QString& runId) { return app::UndoPlan(undo(runId, true)); };
    actions.undo = [undo](const QString& runId) { return undo(runId, false).summary; };
    RunUndoDialog dialog(std::move(actions), context.log(), &m_window);
    dialog.exec();
}

} // namespace vantrelis::gui
