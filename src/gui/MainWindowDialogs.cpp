#include "gui/MainWindowDialogs.h"

#include "common/ProductInfo.h"
#include "common/Prompter.h"
#include "gui/DMMain.h"
#include "gui/QorvOptions.h"
#include "gui/Vantrelis_Definition.h"

namespace vantrelis::gui {

MainWindowDialogs::MainWindowDialogs(DMMain& window, app::AppContext& context)
    : QObject(&window), m_window(window), m_context(context),
      m_editor(context.rules(), context.importSets(), context.importSetStore(), context.log(),
               context.session()),
      m_viewer(context.session(), context.log(), [&connection = context.connection()](const QString& name) {
          return connection.ConnectLibrary(name);
      }) {
    connect(&window, &DMMain::configureRequested, this, &MainWindowDialogs::Button_Configure_Click);
    connect(&window, &DMMain::settingsViewerRequested, this, &MainWindowDialogs::MNQorvOptions_Click);
}

void MainWindowDialogs::Button_Configure_Click() {
    try {
        Log& log = m_context.log();
        const QString library = m_context.session().LibraryName();
        if (!m_context.library().settingsTablePresent()) {
            log.ShowMessage(QStringLiteral("You must create the QORV_SETTINGS table in library ") + library +
                                QStringLiteral(" before you can configure ") + ProductName(),
                            StyleExclamation);
            return;
        }
        if (m_context.rules().count() == 0) {
            log.ShowMessage(
                QStringLiteral("You must first create at least one Folder Rule in library ") + library +
                    QStringLiteral(" before you can create an import set. Please exit ") + ProductName() +
                    QStringLiteral(" now and create the rule in Vantrelis Maintenance."),
                StyleExclamation);
            return;
        }
        Vantrelis_Definition::ShowModal(m_editor, m_window.runChoices().importSet, &m_window);
    } catch (...) {
    }
}

void MainWindowDialogs::MNQorvOptions_Click() {
    try {
        m_window.setBusy(true);
        m_window.yield();
        QorvOptions form(m_viewer, &m_window);
        const bool loaded = form.Form_Load();
        // The pointer is the normal one while the user works in the viewer.
        m_window.setBusy(false);
        if (loaded)
            form.exec();
    } catch (...) {
        m_window.setBusy(false);
    }
}

} // namespace vantrelis::gui
