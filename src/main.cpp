// vantrelis-import: builds folder structures in DM libraries from an import file.

#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "common/Clock.h"
#include "common/IniSettingsStore.h"
#include "common/Log.h"
#include "common/ProcessLauncher.h"
#include "common/Prompter.h"
#include "common/SavedSetting.h"
#include "common/StandardLines.h"
#include "common/StatusView.h"
#include "common/Text.h"
#include "dm/ConnectionView.h"
#include "dm/local/LocalBackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>

#include <cstdio>

namespace vantrelis {
namespace {

// Until the windows exist, the status line is the terminal: each status text is one output line.
class ConsoleStatusView : public StatusView {
public:
    QString statusText() const override { return m_text; }
    void setStatusText(const QString& text) override {
        m_text = text;
        QTextStream(stdout) << text << Qt::endl;
    }
    void setBusy(bool busy) override { m_busy = busy; }
    bool isBusy() const override { return m_busy; }
    void setStatusColour(quint32) override {}
    void yield() override { QCoreApplication::processEvents(); }

private:
    QString m_text;
    bool m_busy = false;
};

// Without a window nobody can press a button: the message goes to the terminal and questions are
// answered No, so nothing is done that the user did not confirm.
class ConsolePrompter : public Prompter {
public:
    int ask(const QString& prompt, int style, const QString& title) override {
        QTextStream(stderr) << title << ": " << prompt << Qt::endl;
        return style == StyleYesNo || style == StyleYesNoCancel ? AnswerNo : 0;
    }
};

// Until the main window exists, the connection's info texts go to the log.
class LoggedConnectionView : public dm::ConnectionView {
public:
    explicit LoggedConnectionView(Log& log) : m_log(log) {}
    void setUserName(const QString& userName) override {
        m_log.WriteLog(QStringLiteral("Login id: ") + userName);
    }
    void setPrimaryGroup(const QString& group) override {
        m_log.WriteLog(QStringLiteral("Primary group: ") + group);
    }
    void setLibraryName(const QString& name) override {
        m_log.WriteLog(QStringLiteral("Current library: ") + name);
    }
    void checkLibraryMenu(const QString&) override {}
    void beep() override {}

private:
    Log& m_log;
};

// The start of the program, in order: settings, log, start banner, then the DM login.
int Startup(app::AppContext& context) {
    SettingsStore& settings = context.settings();
    Log& log = context.log();
    SavedSetting::Path().save(settings, QCoreApplication::applicationFilePath());
    log.ShowStatus(QStringLiteral("One moment..."));

    log.ShowStatus(QStringLiteral("Getting Command Line Parameters"));
    const QString defaultLog =
        Log::DefaultBaseName(QCoreApplication::applicationDirPath(), Log::UserDataFolder());
    const QString baseName = SavedSetting::LogFile(defaultLog).read(settings);
    if (baseName == defaultLog)
        QDir().mkpath(QFileInfo(defaultLog).absolutePath());
    if (context.commandLine().purgeLog && !baseName.isEmpty()) {
        // The undated name is never written itself; today's dated file is the log "/P" means to clear.
        QFile::remove(baseName);
        QFile::remove(Log::DatedName(baseName, log.clock().now().date()));
    }
    log.setBaseName(baseName);

    log.ShowStatus(QStringLiteral("Retrieving basic configuration settings"));
    log.setVerbose(SavedSetting::LogMethod().read(settings).trimmed() != QLatin1String("0"));

    log.WriteLog(StandardLines::Starting(log.productName(), log.clock().now(), QLocale::system()));
    log.WriteLog(StandardLines::SectionEnd());

    log.ShowStatus(QStringLiteral("Connecting to Hummingbird DM (Fusion) Application"));
    int exitCode = 0;
    if (!context.connection().StartFusion()) {
        const QString text =
            QStringLiteral("Error: Unable to start the Fusion application - I will end the program now");
        log.WriteLog(text);
        log.ShowMessage(text, StyleCritical);
        exitCode = 1;
    } else {
        log.ShowStatus(QStringLiteral("Connected to library ") + context.session().LibraryName() +
                       QStringLiteral(" as ") + context.session().currentLibrary->userName() +
                       QStringLiteral(": ") + FormatWhole(context.rules().count()) +
                       QStringLiteral(" rule(s), ") + FormatWhole(context.importSets().count()) +
                       QStringLiteral(" import set row(s)"));
        log.ShowStatus(
            QStringLiteral("The main window and the import run are not available in this version yet - "
                           "nothing more to do"));
    }

    log.WriteLog(StandardLines::StepSeparator());
    log.ShowStatus(StandardLines::ProgramEnded(log.clock().now(), QLocale::system()));
    log.WriteLog(StandardLines::StepSeparator());
    return exitCode;
}

} // namespace
} // namespace vantrelis

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    using namespace vantrelis;
    IniSettingsStore settings;
    SystemClock clock;
    ProcessLauncher launcher;
    ConsolePrompter prompter;
    ConsoleStatusView statusView;
    app::AppContext context(app::CommandLine::Parse(QCoreApplication::arguments().mid(1)), settings, prompter,
                            clock, launcher);
    context.log().setMainView(&statusView);
    dm::local::RegisterLocalBackend(context.factory(), dm::local::LocalServer::DefaultServerFile());
    LoggedConnectionView view(context.log());
    context.connection().setView(&view);
    return Startup(context);
}
