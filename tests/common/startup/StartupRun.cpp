// Runs the program as a user would, with its settings and data folders in a temporary place.

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VANTRELIS_IMPORT_EXE), arguments);
        if (!process.waitForFinished(30000))
            return -1;
        m_output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
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
    QByteArray m_output;
};

const QRegularExpression
    kBanner(QStringLiteral("^Vantrelis Import for OpenText eDOCS Starting at [A-Z][a-z]{2} \\d\\d, "
                           "\\d{4} at \\d\\d:\\d\\d (AM|PM)\\r\\n={60}\\r\\n"),
            QRegularExpression::MultilineOption);

TEST_F(StartupRun, WritesTheStartBannerToTheDatedLog) {
    writeSettings("LogFile=" + logBase().toUtf8() + "\n");
    ASSERT_EQ(run({}), 0);
    const QString log = QString::fromUtf8(read(todaysLog()));
    EXPECT_TRUE(kBanner.match(log).hasMatch()) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("DM login is not available"))) << log.toStdString();
    EXPECT_TRUE(m_output.contains("DM login is not available"));
    EXPECT_TRUE(read(m_dir.filePath(kSettingsFile)).contains("Path=" VANTRELIS_IMPORT_EXE));
}

TEST_F(StartupRun, PurgeRemovesTheBaseAndTodaysFileFirst) {
    writeSettings("LogFile=" + logBase().toUtf8() + "\n");
    for (const QString& path : {logBase(), todaysLog()}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old line\r\n");
    }
    ASSERT_EQ(run({QStringLiteral("/p")}), 0);
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
    ASSERT_EQ(run({QStringLiteral("/F"), QStringLiteral("/projects/gary/x.csv")}), 0);
    EXPECT_TRUE(read(todaysLog()).startsWith("old line\r\n"));
}

TEST_F(StartupRun, QuietLoggingLeavesTheBannerOut) {
    writeSettings("LogFile=" + logBase().toUtf8() + "\nLogMethod=0\n");
    ASSERT_EQ(run({}), 0);
    EXPECT_FALSE(read(todaysLog()).contains("Starting at"));
}

TEST_F(StartupRun, UnwritableLogPlaceDoesNotStopTheProgram) {
    writeSettings("LogFile=" + m_dir.filePath(QStringLiteral("missing/folder/run.log")).toUtf8() + "\n");
    EXPECT_EQ(run({}), 0);
    EXPECT_TRUE(m_output.contains("DM login is not available"));
}

} // namespace
