// Runs the program as a user would, with its settings and data folders in a temporary place.

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

const QString kSettingsFile = QStringLiteral("config/vantrelis/Vantrelis Import for OpenText eDOCS.ini");

class StartupRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(m_dir.filePath(QStringLiteral("config/vantrelis"))));
        ASSERT_TRUE(QDir().mkpath(m_dir.filePath(QStringLiteral("logs"))));
    }

    void writeSettings(const QByteArray& general) {
        QFile file(m_dir.filePath(kSettingsFile));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[General]\n" + general);
    }

    int run(const QStringList& arguments) {
        QProcess process;
        start(process, arguments);
        // A whole import of the demo takes tens of seconds under the sanitizers on a loaded machine.
        if (!process.waitForFinished(240000))
            return -1;
        return finished(process);
    }

    // The program's exit status once it has ended by itself (-1 when it crashed), with its output.
    int finished(QProcess& process) {
        m_output = process.readAllStandardOutput();
        m_errors = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    void start(QProcess& process, const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        // No DM server unless a test makes one: the user's own server file must never be reached.
        environment.insert(QStringLiteral("VANTRELIS_DM_SERVER"), m_serverFile);
        for (const auto& [name, value] : m_environment)
            environment.insert(name, value);
        if (m_withoutDisplay)
            for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                environment.remove(QLatin1String(name));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VANTRELIS_IMPORT_EXE), arguments);
    }

    // A demo DM environment in the temporary folder, for runs that log in, with `current` as the
    // user's current library.
    void makeDemo(const QString& current) {
        const QString demo = m_dir.filePath(QStringLiteral("demo"));
        QProcess tool;
        tool.start(QStringLiteral(VANTRELIS_DM_EXE), {QStringLiteral("demo"), demo});
        ASSERT_TRUE(tool.waitForFinished(60000));
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
        m_serverFile = demo + QStringLiteral("/dm-server.ini");
        QFile server(m_serverFile);
        ASSERT_TRUE(server.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(server.readAll());
        server.close();
        text.replace(QRegularExpression(QStringLiteral("CurrentLibrary=[^\n]*")),
                     QStringLiteral("CurrentLibrary=") + current);
        ASSERT_TRUE(server.open(QIODevice::WriteOnly | QIODevice::Truncate));
        server.write(text.toUtf8());
    }

    QString logBase() const { return m_dir.filePath(QStringLiteral("logs/run.log")); }
    QString todaysLog() const {
        return m_dir.filePath(QStringLiteral("logs/run_") +
                              QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
                              QStringLiteral(".log"));
    }
    QByteArray read(const QString& path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    // Further variables of the program's environment.
    QList<std::pair<QString, QString>> m_environment;
    QString m_serverFile = m_dir.filePath(QStringLiteral("no-dm-server.ini"));
    QByteArray m_output;
    bool m_withoutDisplay = false;
    QByteArray m_errors;
};

const QRegularExpression
    kBanner(QStringLiteral("^Vantrelis Import for OpenText eDOCS Starting at [A-Z][a-z]{2} \\d\\d, "
                           "\\d{4} at \\d\\d:\\d\\d (AM|PM)\\r\\n={60}\\r\\n"),
            QRegularExpression::MultilineOption);

const QStringList kUnattended = {QStringLiteral("/G"), QStringLiteral("/X")};
// The exit status of a start that took the stop path.
constexpr int kStopped = 2;
const QString kStoppedAt =
    QStringLiteral("Vantrelis Import for OpenText eDOCS stopped at point where the program was ");

TEST_F(StartupRun, WritesTheStartBannerAndStopsWithoutADmServer) {
    writeSettings("LogFile=" + logBase().toUtf8() + "\n");
    EXPECT_EQ(run(kUnattended), kStopped);
    const QString log = QString::fromUtf8(read(todaysLog()));
    EXPECT_TRUE(kBanner.match(log).hasMatch()) << log.toStdString();
    EXPECT_TRUE(log.contains(QString(60, QLatin1Char('-')) + QStringLiteral("\r\n") + kStoppedAt))
        << log.toStdString();
    // Nobody sees the box of an unattended start: its text is in the log.
    EXPECT_TRUE(
        log.contains(QStringLiteral("\r\nError: Unable to start the Fusion application - I will end the "
                                    "program now\r\n")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("\r\nProgram ended at "))) << log.toStdString();
    // Why the login fails comes before the login's own check text, and reaches the terminal.
    const QString why = QStringLiteral("Error: The DM server file ") + m_serverFile +
                        QStringLiteral(" cannot be used: it does not exist");
    const qsizetype reason = log.indexOf(why + QStringLiteral("\r\n"));
    EXPECT_GT(reason, 0) << log.toStdString();
    EXPECT_LT(reason, log.indexOf(QStringLiteral("Error: Unable to set Fusion Security Token")));
    EXPECT_TRUE(m_errors.startsWith((why + QLatin1Char('\n')).toUtf8())) << m_errors.toStdString();
    EXPECT_EQ(QString::fromUtf8(m_output), QStringLiteral("Vantrelis Import stopped before its run: ") + why +
                                               QStringLiteral("; log: ") + todaysLog() + QLatin1Char('\n'));
    EXPECT_TRUE(read(m_dir.filePath(kSettingsFile)).contains("Path=" VANTRELIS_IMPORT_EXE));
}

TEST_F(StartupRun, SettingsOrServerFileThatIsNoRegularFileStopsTheRunWithItsName) {
    // A FIFO would block the reader, /dev/zero would fill the memory: both end at once instead.
    const QString settings = m_dir.filePath(kSettingsFile);
    ASSERT_EQ(::mkfifo(QFile::encodeName(settings).constData(), 0600), 0);
    EXPECT_EQ(run(kUnattended), 1);
    EXPECT_TRUE(m_errors.contains("Error: The settings file " + settings.toUtf8() +
                                  " cannot be used: it is not a regular file"))
        << m_errors.toStdString();

    ASSERT_TRUE(QFile::remove(settings));
    writeSettings("LogFile=" + logBase().toUtf8() + "\n");
    m_serverFile = m_dir.filePath(QStringLiteral("zero.ini"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), m_serverFile));
    EXPECT_EQ(run(kUnattended), kStopped);
    const QString log = QString::fromUtf8(read(todaysLog()));
    EXPECT_TRUE(log.contains(QStringLiteral("Error: The DM server file ") + m_serverFile +
                             QStringLiteral(" cannot be read: it is not a regular file")))
        << log.toStdString();
}

TEST_F(StartupRun, LogsInAndConnectsTheCurrentLibraryOfTheDmServer) {
    makeDemo(QStringLiteral("VANTRELIS_SMALL"));
    writeSettings("LogFile=" + logBase().toUtf8() + "\n");
    // The small library has no settings table and so no rules: the start ends after the login.
    ASSERT_EQ(run(kUnattended), kStopped) << m_output.toStdString();
    const QString log = QString::fromUtf8(read(todaysLog()));
    for (const char* line : {"Logging in to the Fusion Server", "SQL Database_Engine value is 10",
                             "Connected to MSSQL Library Object VANTRELIS_SMALL.",
                             "Fusion started with connection to VANTRELIS_SMALL", "Setting form"})
        EXPECT_TRUE(log.contains(QString::fromLatin1(line) + QStringLiteral("\r\n"))) << line;
    EXPECT_TRUE(log.contains(kStoppedAt + QStringLiteral("Setting form\r\n"))) << log.toStdString();
}

TEST_F(StartupRun, StartsOnTheDemoAndRunsUnattended) {
    makeDemo(QStringLiteral("VANTRELIS_MSSQL"));
    writeSettings("LogFile=" + logBase().toUtf8() + "\n");
    // It ends by itself: -1 would be a program still waiting, or one that crashed.
    EXPECT_GE(run(kUnattended), 0) << m_output.toStdString();
    const QString log = QString::fromUtf8(read(todaysLog()));
    for (const char* line : {"Fusion started with connection to VANTRELIS_MSSQL", "Setting Libraries",
                             "Retrieving Session information", "Activating the main form"})
        EXPECT_TRUE(log.contains(QString::fromLatin1(line) + QStringLiteral("\r\n"))) << line;
    EXPECT_TRUE(log.contains(QStringLiteral("\r\nVerifying rights for "))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral(" started on "))) << log.toStdString();
    EXPECT_FALSE(log.contains(kStoppedAt)) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("\r\nProgram ended at "))) << log.toStdString();
}

TEST_F(StartupRun, PurgeRemovesTheBaseAndTodaysFileFirst) {
    writeSettings("LogFile=" + logBase().toUtf8() + "\n");
    for (const QString& path : {logBase(), todaysLog()}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old line\r\n");
    }
    ASSERT_EQ(run({QStringLiteral("/p"), QStringLiteral("/G/X")}), kStopped);
    EXPECT_FALSE(QFile::exists(logBase()));
    const QByteArray log = read(todaysLog());
    EXPECT_FALSE(log.contains("old line"));
    EXPECT_TRUE(kBanner.match(QString::fromUtf8(log)).hasMatch());
}

TEST_F(StartupRun, PathWithSwitchLettersDoesNotPurge) {
    writeSettings("LogFile=" + logBase().toUtf8() + "\n");
    {
        QFile file(todaysLog());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old line\r\n");
    }
    ASSERT_EQ(run(QStringList{QStringLiteral("/F"), QStringLiteral("/projects/gary/x.csv")} + kUnattended),
              kStopped);
    EXPECT_TRUE(read(todaysLog()).startsWith("old line\r\n"));
}

TEST_F(StartupRun, QuietLoggingLeavesTheBannerOut) {
    writeSettings("LogFile=" + logBase().toUtf8() + "\nLogMethod=0\n");
    ASSERT_EQ(run(kUnattended), kStopped);
    const QByteArray log = read(todaysLog());
    EXPECT_FALSE(log.contains("Starting at"));
    EXPECT_FALSE(log.contains("stopped at point"));
    EXPECT_TRUE(log.contains("\r\nError: ")) << log.toStdString();
}

TEST_F(StartupRun, UnwritableLogPlaceDoesNotStopTheProgram) {
    makeDemo(QStringLiteral("VANTRELIS_SMALL"));
    writeSettings("LogFile=" + m_dir.filePath(QStringLiteral("missing/folder/run.log")).toUtf8() + "\n");
    EXPECT_EQ(run(kUnattended), kStopped);
    // It came as far as the rules of the library, and its shutdown saved the log settings.
    EXPECT_TRUE(read(m_dir.filePath(kSettingsFile)).contains("LogMethod=1"));
}

TEST_F(StartupRun, RunsWithoutADisplay) {
    writeSettings("LogFile=" + logBase().toUtf8() + "\n");
    m_withoutDisplay = true;
    EXPECT_EQ(run(kUnattended), kStopped);
    EXPECT_TRUE(kBanner.match(QString::fromUtf8(read(todaysLog()))).hasMatch());
}

// An unattended run that stops says why on the terminal: the summary line names the first error, and
// every error line is on standard error.
TEST_F(StartupRun, UnattendedStopsSayWhyOnTheTerminal) {
    makeDemo(QStringLiteral("VANTRELIS_MSSQL"));
    writeSettings("LogFile=" + logBase().toUtf8() + "\n");
    const QString demo = m_dir.filePath(QStringLiteral("demo"));
    const QString missing = demo + QStringLiteral("/missing.csv");
    ASSERT_EQ(run(kUnattended + QStringList{QStringLiteral("/F"), missing, QStringLiteral("/S"),
                                            QStringLiteral("CLIENT_MATTER")}),
              kStopped);
    const QString notTaken = QStringLiteral("Error: Import file ") + missing +
                             QStringLiteral(" given by /F was not taken: it does not exist");
    EXPECT_EQ(QString::fromUtf8(m_output),
              QStringLiteral(
                  "Vantrelis Import stopped: 0 paths, 0 libraries, 0 folders added, 0 documents filed, 0 "
                  "errors; first error: ") +
                  notTaken + QStringLiteral("; log: ") + todaysLog() + QLatin1Char('\n'));
    EXPECT_EQ(QString::fromUtf8(m_errors),
              notTaken + QStringLiteral("\nError: Import file not specified - cannot continue\n"));

    // A set the library lacks is never replaced by another: the start stops before the file is read.
    ASSERT_EQ(run(kUnattended + QStringList{QStringLiteral("/F"), demo + QStringLiteral("/import.csv"),
                                            QStringLiteral("/S"), QStringLiteral("NOSUCHSET")}),
              kStopped);
    const QString noSet =
        QStringLiteral("Error: Import set NOSUCHSET not found in library VANTRELIS_MSSQL - cannot continue");
    EXPECT_EQ(QString::fromUtf8(m_output), QStringLiteral("Vantrelis Import stopped before its run: ") +
                                               noSet + QStringLiteral("; log: ") + todaysLog() +
                                               QLatin1Char('\n'));
    EXPECT_EQ(QString::fromUtf8(m_errors), noSet + QLatin1Char('\n'));
    EXPECT_FALSE(read(todaysLog()).contains("Preparing import information"));
}

// A log on a full disk: one line on standard error, the work is done, the summary says the log is
// incomplete and the exit status is at least 1.
TEST_F(StartupRun, LogOnAFullDiskIsAnErrorOfTheRun) {
    makeDemo(QStringLiteral("VANTRELIS_MSSQL"));
    writeSettings("LogFile=" + logBase().toUtf8() + "\n[Libraries]\nVANTRELIS_ORACLE=0\nVANTRELIS_SMALL=0\n");
    const QString demo = m_dir.filePath(QStringLiteral("demo"));
    const QString lines = m_dir.filePath(QStringLiteral("two.csv"));
    QFile file(lines);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(read(demo + QStringLiteral("/import.csv")).split('\n').mid(0, 2).join('\n') + '\n');
    file.close();
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), todaysLog()));
    const QStringList arguments = kUnattended + QStringList{QStringLiteral("/F"), lines, QStringLiteral("/S"),
                                                            QStringLiteral("CLIENT_MATTER")};
    EXPECT_EQ(run(arguments), 1) << m_output.toStdString() << m_errors.toStdString();
    EXPECT_TRUE(QString::fromUtf8(m_output).contains(QRegularExpression(
        QStringLiteral("^Vantrelis Import finished: 2 paths, 1 libraries, \\d+ folders added, \\d+ "
                       "documents filed, 0 errors; the log is incomplete; log: "))))
        << m_output.toStdString();
    EXPECT_TRUE(m_errors.startsWith("Error: The log file " + todaysLog().toUtf8() + " cannot be written ("))
        << m_errors.toStdString();
    EXPECT_EQ(m_errors.count("Error: The log file "), 1);
}

// SIGTERM during an unattended run acts as Exit: the run stops between items, finishes, writes the
// log's end and the summary, and ends with status 2; a rerun completes the work.
TEST_F(StartupRun, TerminationSignalStopsTheRunAsExitDoes) {
    makeDemo(QStringLiteral("VANTRELIS_MSSQL"));
    writeSettings("LogFile=" + logBase().toUtf8() + "\n[Libraries]\nVANTRELIS_ORACLE=0\nVANTRELIS_SMALL=0\n");
    const QString lines = m_dir.filePath(QStringLiteral("many.csv"));
    QFile file(lines);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < 1000; ++i)
        file.write(QStringLiteral("T%1,M%2,MEMO\n")
                       .arg(i / 10, 4, 10, QLatin1Char('0'))
                       .arg(i, 5, 10, QLatin1Char('0'))
                       .toUtf8());
    file.close();
    const QStringList arguments = kUnattended + QStringList{QStringLiteral("/F"), lines, QStringLiteral("/S"),
                                                            QStringLiteral("CLIENT_MATTER")};
    QProcess process;
    start(process, arguments);
    ASSERT_TRUE(process.waitForStarted());
    // The signal comes once the paths are being walked.
    for (int waited = 0; waited < 120000 && !read(todaysLog()).contains("import rows into library");
         waited += 20)
        QThread::msleep(20);
    ASSERT_EQ(process.state(), QProcess::Running) << read(todaysLog()).right(2000).toStdString();
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(240000));
    EXPECT_EQ(finished(process), kStopped) << m_errors.toStdString();
    EXPECT_TRUE(QString::fromUtf8(m_output).contains(QRegularExpression(QStringLiteral(
        "^Vantrelis Import stopped: 1000 paths, 1 libraries, \\d+ folders added, \\d+ documents filed, "
        "0 errors; stopped by SIGTERM; log: "))))
        << m_output.toStdString();
    const QString log = QString::fromUtf8(read(todaysLog()));
    EXPECT_TRUE(log.contains(
        QStringLiteral("Warning: SIGTERM received - the run stops after the item it is on\r\n")));
    EXPECT_TRUE(log.contains(QStringLiteral("Warning: The import run was stopped before its end\r\n")));
    EXPECT_TRUE(log.contains(QRegularExpression(QStringLiteral("\r\nProgram ended at [^\r]+\r\n-{60}\r\n$"))))
        << log.right(500).toStdString();

    const QRegularExpression finishedLine(
        QStringLiteral("^Vantrelis Import finished: 1000 paths, 1 libraries, (\\d+) folders added"),
        QRegularExpression::MultilineOption);
    const int status = run(arguments);
    const QRegularExpressionMatch rerun = finishedLine.match(QString::fromUtf8(m_output));
    ASSERT_TRUE(rerun.hasMatch()) << m_output.toStdString();
    EXPECT_LE(status, 1);
    EXPECT_GT(rerun.captured(1).toInt(), 0) << "the rerun creates what the stopped run did not";
    ASSERT_GE(run(arguments), 0);
    EXPECT_TRUE(QString::fromUtf8(m_output).startsWith(
        QStringLiteral("Vantrelis Import finished: 1000 paths, 1 libraries, 0 folders added")))
        << m_output.toStdString();
    QProcess tool;
    tool.start(QStringLiteral(VANTRELIS_DM_EXE),
               {QStringLiteral("folders"), m_dir.filePath(QStringLiteral("demo/vantrelis_mssql.db"))});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardOutput().right(2000).toStdString();
}

// Outside a run a signal ends the program as Exit does: the settings are saved and the log ends.
TEST_F(StartupRun, TerminationSignalWhileWaitingEndsTheProgramAsExitDoes) {
    makeDemo(QStringLiteral("VANTRELIS_MSSQL"));
    writeSettings("LogFile=" + logBase().toUtf8() + "\n");
    QProcess process;
    start(process, {});
    ASSERT_TRUE(process.waitForStarted());
    for (int waited = 0; waited < 120000 && !read(todaysLog()).contains(" started on "); waited += 20)
        QThread::msleep(20);
    ASSERT_EQ(process.state(), QProcess::Running) << read(todaysLog()).right(2000).toStdString();
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(finished(process), 0) << m_errors.toStdString();
    const QString log = QString::fromUtf8(read(todaysLog()));
    EXPECT_TRUE(log.contains(QStringLiteral("\r\nWarning: SIGTERM received - the program ends\r\n")));
    EXPECT_TRUE(log.contains(QRegularExpression(QStringLiteral("\r\nProgram ended at [^\r]+\r\n-{60}\r\n$"))))
        << log.right(500).toStdString();
    EXPECT_TRUE(read(m_dir.filePath(kSettingsFile)).contains("ComboImportSet=CLIENT_MATTER"));
}

TEST_F(StartupRun, ImportsIntoBothDemoLibrariesAndASecondRunCreatesNothing) {
    makeDemo(QStringLiteral("VANTRELIS_MSSQL"));
    writeSettings("LogFile=" + logBase().toUtf8() +
                  "\n[Libraries]\nVANTRELIS_MSSQL=1\nVANTRELIS_ORACLE=1\nVANTRELIS_SMALL=0\n");
    const QString demo = m_dir.filePath(QStringLiteral("demo"));
    const QStringList arguments =
        kUnattended + QStringList{QStringLiteral("/F"), demo + QStringLiteral("/import.csv"),
                                  QStringLiteral("/S"), QStringLiteral("CLIENT_MATTER")};
    const QRegularExpression summary(
        QStringLiteral("^Vantrelis Import finished: (\\d+) paths, 2 libraries, (\\d+) folders added, (\\d+) "
                       "documents filed, (\\d+) errors; log: (.+)$"),
        QRegularExpression::MultilineOption);
    // A check first: both library files stay as they were, and it counts what the first run then does.
    const auto libraries = [&] {
        return read(demo + QStringLiteral("/vantrelis_mssql.db")) +
               read(demo + QStringLiteral("/vantrelis_oracle.db"));
    };
    const QByteArray before = libraries();
    const QString checkReport = m_dir.filePath(QStringLiteral("check.csv"));
    const QString runReport = m_dir.filePath(QStringLiteral("run.csv"));
    ASSERT_GE(
        run(arguments + QStringList{QStringLiteral("--check"), QStringLiteral("--report"), checkReport}), 0);
    EXPECT_EQ(libraries(), before);
    const QRegularExpressionMatch check =
        QRegularExpression(
            QStringLiteral("^Vantrelis Import check finished: (\\d+) paths, 2 libraries, (\\d+) "
                           "folders would be added, (\\d+) documents would be filed"),
            QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(m_output));
    ASSERT_TRUE(check.hasMatch()) << m_output.toStdString();
    for (const bool first : {true, false}) {
        SCOPED_TRACE(first ? "first run" : "second run");
        const int status =
            run(first ? arguments + QStringList{QStringLiteral("--report=") + runReport} : arguments);
        const QRegularExpressionMatch line = summary.match(QString::fromUtf8(m_output));
        ASSERT_TRUE(line.hasMatch()) << m_output.toStdString() << m_errors.toStdString();
        if (first) {
            for (int field : {1, 2})
                EXPECT_EQ(line.captured(field), check.captured(field)) << field;
        }
        EXPECT_EQ(status, line.captured(4).toInt() > 0 ? 1 : 0);
        EXPECT_GT(line.captured(1).toInt(), 200);
        EXPECT_EQ(line.captured(2).toInt() > 0, first);
        EXPECT_EQ(line.captured(3).toInt() > 0, first);
        EXPECT_EQ(line.captured(5).trimmed(), todaysLog());
    }
    // The check named, line by line, the folders the run then created.
    const auto outcomes = [&](const QString& file, const char* outcome) {
        QStringList lines;
        for (const QString& row : QString::fromUtf8(read(file)).split(QStringLiteral("\r\n")))
            if (row.section(QLatin1Char(','), 3, 3) == QLatin1String(outcome))
                lines.append(row.section(QLatin1Char(','), 0, 2));
        return lines;
    };
    EXPECT_GT(outcomes(runReport, "created").size(), 100);
    EXPECT_EQ(outcomes(checkReport, "would-create"), outcomes(runReport, "created"));
    // Every folder's item chain is still one clean list.
    for (const char* library : {"vantrelis_mssql.db", "vantrelis_oracle.db"}) {
        QProcess tool;
        tool.start(QStringLiteral(VANTRELIS_DM_EXE),
                   {QStringLiteral("folders"), demo + QLatin1Char('/') + QLatin1String(library)});
        ASSERT_TRUE(tool.waitForFinished(60000));
        EXPECT_EQ(tool.exitCode(), 0) << library << tool.readAllStandardOutput().right(2000).toStdString();
    }
}

// --runs lists each ticked library's runs and ends; a library without the run journal says so.
TEST_F(StartupRun, RunsListsTheJournalledRunsOfTheTickedLibraries) {
    makeDemo(QStringLiteral("VANTRELIS_MSSQL"));
    writeSettings("LogFile=" + logBase().toUtf8() +
                  "\n[Libraries]\nVANTRELIS_MSSQL=1\nVANTRELIS_ORACLE=1\nVANTRELIS_SMALL=0\n");
    const QString demo = m_dir.filePath(QStringLiteral("demo"));
    // A library made before the journal: the demo's Oracle library without its tables.
    sqlite3* oracle = nullptr;
    ASSERT_EQ(
        SQLITE_OK,
        sqlite3_open(QFile::encodeName(demo + QStringLiteral("/vantrelis_oracle.db")).constData(), &oracle));
    const int dropped = sqlite3_exec(oracle, "DROP TABLE VANTRELIS_RUN_CHANGES; DROP TABLE VANTRELIS_RUNS",
                                     nullptr, nullptr, nullptr);
    sqlite3_close(oracle);
    ASSERT_EQ(dropped, SQLITE_OK);
    const QString noJournal =
        QStringLiteral("VANTRELIS_ORACLE: the run journal is not available in this library (add it with "
                       "vantrelis-dm upgrade)");

    EXPECT_EQ(run({QStringLiteral("--runs")}), 0) << m_errors.toStdString();
    EXPECT_EQ(QString::fromUtf8(m_output).trimmed(), noJournal);
    ASSERT_GE(run(kUnattended + QStringList{QStringLiteral("/F"), demo + QStringLiteral("/import.csv"),
                                            QStringLiteral("/S"), QStringLiteral("CLIENT_MATTER")}),
              0);
    const QByteArray library = read(demo + QStringLiteral("/vantrelis_mssql.db"));
    EXPECT_EQ(run({QStringLiteral("--runs")}), 0) << m_errors.toStdString();
    const QStringList lines = QString::fromUtf8(m_output).trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << m_output.toStdString();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d{8}-\\d{6}-[A-Z2-7]{4} VANTRELIS_MSSQL .* set CLIENT_MATTER: "
                                          "\\d+ paths, [1-9]\\d* folders added, \\d+ documents filed, "
                                          "\\d+ errors \\(finished\\)$"))
            .match(lines.at(0))
            .hasMatch())
        << lines.at(0).toStdString();
    EXPECT_EQ(lines.at(1), noJournal);
    EXPECT_EQ(read(demo + QStringLiteral("/vantrelis_mssql.db")), library) << "a listing writes nothing";
}

// Another writer holds one demo library's lock and never lets go: the run waits for it once (not five
// seconds for every write of its lines, which took half an hour), fails that library's lines with one
// line saying why, imports the other library, and keeps the held one ticked for the next run.
TEST_F(StartupRun, ALibraryHeldByAnotherWriterFailsAloneAndStaysTicked) {
    makeDemo(QStringLiteral("VANTRELIS_ORACLE"));
    writeSettings("LogFile=" + logBase().toUtf8() +
                  "\n[Libraries]\nVANTRELIS_MSSQL=1\nVANTRELIS_ORACLE=1\nVANTRELIS_SMALL=0\n");
    m_environment.append({QStringLiteral("VANTRELIS_BUSY_TIMEOUT_MS"), QStringLiteral("1000")});
    const QString demo = m_dir.filePath(QStringLiteral("demo"));
    const QString report = m_dir.filePath(QStringLiteral("run.csv"));
    sqlite3* other = nullptr;
    ASSERT_EQ(
        SQLITE_OK,
        sqlite3_open(QFile::encodeName(demo + QStringLiteral("/vantrelis_mssql.db")).constData(), &other));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
    const int status =
        run(kUnattended + QStringList{QStringLiteral("/F"), demo + QStringLiteral("/import.csv"),
                                      QStringLiteral("/S"), QStringLiteral("CLIENT_MATTER"),
                                      QStringLiteral("--report"), report});
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_EQ(status, 1) << m_output.toStdString() << m_errors.toStdString();
    const QRegularExpressionMatch summary =
        QRegularExpression(QStringLiteral("^Vantrelis Import finished: (\\d+) paths, 2 libraries, (\\d+) "
                                          "folders added, \\d+ documents filed, (\\d+) errors"))
            .match(QString::fromUtf8(m_output));
    ASSERT_TRUE(summary.hasMatch()) << m_output.toStdString();
    const int paths = summary.captured(1).toInt();
    EXPECT_GT(summary.captured(2).toInt(), 0) << "the other library is imported";
    EXPECT_GE(summary.captured(3).toInt(), paths) << "every line of the held library is an error";
    const QString log = QString::fromUtf8(read(todaysLog()));
    EXPECT_EQ(log.count(QStringLiteral("Error: Library VANTRELIS_MSSQL is held by another writer")), 1)
        << m_errors.toStdString();
    for (const char* wrong : {"damaged", "does not have rights", "UserName not identified", "malformed"})
        EXPECT_FALSE(log.contains(QLatin1String(wrong), Qt::CaseInsensitive)) << wrong;
    EXPECT_TRUE(read(m_dir.filePath(kSettingsFile)).contains("VANTRELIS_MSSQL=1"));
    const auto outcomes = [&](const char* outcome, const char* library = "VANTRELIS_MSSQL") {
        int count = 0;
        for (const QString& row : QString::fromUtf8(read(report)).split(QStringLiteral("\r\n")))
            count += row.section(QLatin1Char(','), 1, 1) == QLatin1String(library) &&
                     row.section(QLatin1Char(','), 3, 3) == QLatin1String(outcome);
        return count;
    };
    EXPECT_EQ(outcomes("failed"), paths);

    // The lock is gone: a rerun completes the held library's lines.
    EXPECT_LE(run(kUnattended + QStringList{QStringLiteral("/F"), demo + QStringLiteral("/import.csv"),
                                            QStringLiteral("/S"), QStringLiteral("CLIENT_MATTER"),
                                            QStringLiteral("--report"), report}),
              1)
        << m_output.toStdString() << m_errors.toStdString();
    // Only the lines that fail in any library (the demo has a few) are left.
    EXPECT_EQ(outcomes("failed"), outcomes("failed", "VANTRELIS_ORACLE"));
    EXPECT_LT(outcomes("failed"), paths / 10);
    EXPECT_GT(outcomes("created"), 0);
}

} // namespace
