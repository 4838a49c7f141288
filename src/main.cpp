// vantrelis-import: builds folder structures in DM libraries from an import file.

#include "app/AppContext.h"
#include "app/BuildInfo.h"
#include "app/CommandLine.h"
#include "app/ProgramState.h"
#include "common/Clock.h"
#include "common/ConfigFile.h"
#include "common/IniRegistry.h"
#include "common/IniSettingsStore.h"
#include "common/ProcessLauncher.h"
#include "common/ProductInfo.h"
#include "common/StandardLines.h"
#include "common/TerminationSignals.h"
#include "dm/local/LocalBackend.h"
#include "gui/MainProgram.h"
#include "gui/MessageBoxPrompter.h"
#include "gui/ProgramApplication.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

// "--help", "--version" and an unknown option are answered before anything starts; -1 lets the
// program start.
int AnswerOptions(const vantrelis::app::CommandLine& commandLine) {
    using namespace vantrelis;
    if (!commandLine.unknownOption.isEmpty()) {
        const bool report = commandLine.unknownOption == QLatin1String("--report") ||
                            commandLine.unknownOption == QLatin1String("--report=");
        const bool undo = commandLine.unknownOption == QLatin1String("--undo") ||
                          commandLine.unknownOption == QLatin1String("--undo=");
        QTextStream(stderr) << "vantrelis-import: "
                            << (report ? "a file name must follow "
                                : undo ? "a run id (vantrelis-import --runs lists them) must follow "
                                       : "unknown option ")
                            << commandLine.unknownOption << " (vantrelis-import --help lists the options)"
                            << Qt::endl;
        return 2;
    }
    if (commandLine.help) {
        QTextStream(stdout) << app::CommandLine::Usage();
        return 0;
    }
    if (commandLine.version) {
        QTextStream(stdout) << ProductName() << ' ' << app::BuildNumber() << Qt::endl;
        return 0;
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace vantrelis;
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const app::CommandLine commandLine = app::CommandLine::Parse(arguments);
    if (const int answered = AnswerOptions(commandLine); answered >= 0)
        return answered;
    // An unattended run answers on standard output and its exit status alone: the offscreen
    // platform's notes about window features it lacks would fill cron's mail.
    if (commandLine.unattended())
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                QTextStream(stderr) << message << Qt::endl;
        });
    // Without a display (cron, ssh) the windows live on Qt's offscreen platform.
    const std::unique_ptr<QCoreApplication> application = gui::CreateProgramApplication(argc, argv);

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
    app::AppContext context(commandLine, settings, prompter, clock, launcher);
    const QString serverFile = dm::local::LocalServer::DefaultServerFile();
    // A check and a listing of runs only look: their libraries are opened for reading only, so
    // that not even a fault can change them.
    dm::local::RegisterLocalBackend(context.factory(), serverFile,
                                    commandLine.check || commandLine.runs
                                        ? dm::local::LibraryDatabase::Access::ReadOnly
                                        : dm::local::LibraryDatabase::Access::ReadWrite);

    app::ProgramState state;
    state.programFolder = QCoreApplication::applicationDirPath();
    state.executablePath = QCoreApplication::applicationFilePath();
    state.readmePath = app::ProgramState::FindReadme(state.programFolder);
    gui::MainProgram program(context, registry, launcher, state);
    Log& log = context.log();
    // A log that cannot be written, and in an unattended run every error line, reach the terminal.
    log.setErrorOutput([](const QString& line) { QTextStream(stderr) << line << Qt::endl; });
    // An unattended log already tells every error line there; the run's own lines are told once.
    program.run().setErrorOutput([&log](const QString& line) {
        if (!log.unattended())
            QTextStream(stderr) << line << Qt::endl;
    });
    // Each run leaves one summary line on standard output for whoever started the program from a
    // shell or cron, with the first error that stopped it; a start that stops before its run, one
    // line that says why.
    program.run().setSummaryOutput([&program, &log](const QString& line) {
        QStringList notes;
        if (program.run().summary().stopped) {
            if (!program.terminationSignal().isEmpty())
                notes.append(QStringLiteral("stopped by ") + program.terminationSignal());
            else if (!log.firstError().isEmpty())
                notes.append(QStringLiteral("first error: ") + log.firstError());
        }
        QTextStream(stdout) << StandardLines::Summary(line, notes) << Qt::endl;
        // The next run's first error is its own.
        log.ClearFirstError();
    });
    program.startup().setStopOutput([](const QString& line) { QTextStream(stdout) << line << Qt::endl; });
    // The server file is checked before the login, so that the reason comes before the login's failure.
    program.startup().setLoginCheck([serverFile] {
        QByteArray contents;
        QString problem;
        if (ReadConfigFile(serverFile, contents, problem))
            return QString();
        return QStringLiteral("The DM server file ") + serverFile + QStringLiteral(" cannot be used: ") +
               problem;
    });
    // SIGTERM, SIGINT and SIGHUP end the program as Exit does; a second one ends it at once.
    const TerminationSignals terminationSignals(
        [&program](const QString& name) { program.TerminationRequested(name); });
    if (!program.Start())
        return program.state().exitStatus;
    return QCoreApplication::exec();
}
