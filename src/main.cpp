// vantrelis-import: builds folder structures in DM libraries from an import file.

#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/ProgramState.h"
#include "common/Clock.h"
#include "common/IniRegistry.h"
#include "common/IniSettingsStore.h"
#include "common/ProcessLauncher.h"
#include "common/ProductInfo.h"
#include "dm/local/LocalBackend.h"
#include "gui/MainProgram.h"
#include "gui/MessageBoxPrompter.h"
#include "gui/ProgramLook.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    using namespace vantrelis;
    // Without a display (cron, ssh) the windows live on Qt's offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    gui::ApplyProgramLook(application);

    IniSettingsStore settings;
    // Nothing can be read or saved, not even where the log goes: say why and stop.
    if (const QString problem = settings.problem(ProductName()); !problem.isEmpty()) {
        QTextStream(stderr) << "Error: " << problem << Qt::endl;
        return 1;
    }
    SystemClock clock;
    ProcessLauncher launcher;
    gui::MessageBoxPrompter prompter;
    IniRegistry registry(IniRegistry::EnvironmentFileName());
    app::AppContext context(app::CommandLine::Parse(QCoreApplication::arguments().mid(1)), settings, prompter,
                            clock, launcher);
    dm::local::RegisterLocalBackend(context.factory(), dm::local::LocalServer::DefaultServerFile());

    app::ProgramState state;
    state.programFolder = QCoreApplication::applicationDirPath();
    state.executablePath = QCoreApplication::applicationFilePath();
    state.readmePath = app::ProgramState::FindReadme(state.programFolder);
    gui::MainProgram program(context, registry, launcher, state);
    if (!program.Start())
        return program.state().exitStatus;
    return QApplication::exec();
}
