#include "common/Log.h"
#include "common/ProductInfo.h"
#include "support/TestSeams.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantrelis {
namespace {

using testing::FixedClock;
using testing::RecordingLauncher;
using testing::RecordingPrompter;
using testing::RecordingStatusView;

const QDateTime kNow(QDate(2019, 11, 14), QTime(15, 7, 9));
const QByteArray kEquals60 = QByteArray(60, '=');

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// A log writing into a fresh temporary folder, with every seam recorded.
class LogFixture : public ::testing::Test {
protected:
    explicit LogFixture(bool unattended = false) : m_log(unattended, m_prompter, m_clock, m_launcher) {}

    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_log.setBaseName(base());
    }

    QString base() const { return m_dir.filePath(QStringLiteral("run.log")); }
    // The file as a reader sees it once the log has written out what it holds back.
    QByteArray ReadAll(const QString& path) {
        m_log.Flush();
        return ReadFile(path);
    }
    QString today() const { return m_dir.filePath(QStringLiteral("run_20191114.log")); }

    QTemporaryDir m_dir;
    RecordingPrompter m_prompter;
    FixedClock m_clock{kNow};
    RecordingLauncher m_launcher;
    Log m_log;
};

struct DatedNameCase {
    const char* base;
    const char* dated;
};

class DatedNameTest : public ::testing::TestWithParam<DatedNameCase> {};

TEST_P(DatedNameTest, InsertsTheDateAtTheFirstDotOfTheFileName) {
    EXPECT_EQ(Log::DatedName(QString::fromUtf8(GetParam().base), QDate(2019, 11, 14)).toStdString(),
              GetParam().dated);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DatedNameTest,
    ::testing::Values(DatedNameCase{"/logs/run.log", "/logs/run_20191114.log"},
                      DatedNameCase{"/logs/runlog", "/logs/runlog_20191114"},
                      DatedNameCase{"/my.logs/run.log", "/my.logs/run_20191114.log"},
                      DatedNameCase{"/my.logs/runlog", "/my.logs/runlog_20191114"},
                      DatedNameCase{"/logs/run.2019.log", "/logs/run_20191114.2019.log"},
                      DatedNameCase{"C:\\Logs\\run.log", "C:\\Logs\\run_20191114.log"},
                      DatedNameCase{"C:\\My.Logs\\run.log", "C:\\My.Logs\\run_20191114.log"},
                      DatedNameCase{"run.log", "run_20191114.log"},
                      DatedNameCase{"/logs/run.", "/logs/run_20191114."},
                      DatedNameCase{"/opt/Vantrelis Import for OpenText eDOCS.LOG",
                                    "/opt/Vantrelis Import for OpenText eDOCS_20191114.LOG"}));

struct Written {
    bool verbose;
    const char* text;
};

struct WriteLogCase {
    const char* name;
    std::vector<Written> lines;
    QByteArray file;
};

class WriteLogTest : public LogFixture, public ::testing::WithParamInterface<WriteLogCase> {};

TEST_P(WriteLogTest, WritesWhatTheRulesLetThrough) {
    for (const Written& line : GetParam().lines) {
        m_log.setVerbose(line.verbose);
        m_log.WriteLog(QString::fromUtf8(line.text));
    }
    EXPECT_EQ(ReadAll(today()).toStdString(), GetParam().file.toStdString());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), GetParam().file.isEmpty() ? 0 : 1);
}

std::string WriteLogName(const ::testing::TestParamInfo<WriteLogCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WriteLogTest,
    ::testing::Values(
        WriteLogCase{"TrimmedWithCrLf", {{true, "  Connecting  "}}, "Connecting\r\n"},
        WriteLogCase{"BlankWritesNothing", {{true, "   "}, {true, ""}}, ""},
        WriteLogCase{"SameTextTwiceOnce", {{true, "a"}, {true, " a "}, {true, "a"}}, "a\r\n"},
        WriteLogCase{"SameTextAfterAnotherAgain", {{true, "a"}, {true, "b"}, {true, "a"}}, "a\r\nb\r\na\r\n"},
        WriteLogCase{"QuietSkipsOrdinaryLines",
                     {{false, "Connecting to library DOCS"},
                      {false, "Error: Unable to set LIB object - cannot continue"},
                      {false, "============================================================"}},
                     "Error: Unable to set LIB object - cannot continue\r\n"},
        WriteLogCase{
            "QuietKeepsErrorInAnyCase",
            {{false, "error: lower"}, {false, "  ERROR:upper"}, {false, "Errors found"}, {false, "Error"}},
            "error: lower\r\nERROR:upper\r\n"},
        WriteLogCase{"SkippedLineIsNotRemembered", {{true, "a"}, {false, "b"}, {true, "a"}}, "a\r\n"},
        WriteLogCase{"EveryPhysicalLineEndsInCrLf",
                     {{true, "one\r\ntwo"}, {true, "three\nfour"}},
                     "one\r\ntwo\r\nthree\r\nfour\r\n"},
        WriteLogCase{
            "Utf8Text", {{true, "Vantrelis\u2122 M\u00fcller"}}, "Vantrelis\xe2\x84\xa2 M\xc3\xbcller\r\n"}),
    WriteLogName);

TEST_F(LogFixture, EmptyBaseNameWritesNothing) {
    m_log.setBaseName(QString());
    m_log.WriteLog(QStringLiteral("line"));
    EXPECT_TRUE(QDir(m_dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(m_log.datedName().isEmpty());
}

TEST_F(LogFixture, MissingFolderLosesTheLineAndGoesOn) {
    const QString folder = m_dir.filePath(QStringLiteral("later"));
    m_log.setBaseName(folder + QStringLiteral("/run.log"));
    m_log.WriteLog(QStringLiteral("lost"));
    EXPECT_TRUE(m_log.datedName().isEmpty());
    EXPECT_TRUE(m_log.lastLine().isEmpty());

    // Once the folder is there the same line is written: a lost line does not count as written.
    ASSERT_TRUE(QDir().mkpath(folder));
    m_log.WriteLog(QStringLiteral("lost"));
    EXPECT_EQ(ReadAll(folder + QStringLiteral("/run_20191114.log")), QByteArray("lost\r\n"));
    EXPECT_EQ(m_log.datedName(), folder + QStringLiteral("/run_20191114.log"));
}

TEST_F(LogFixture, NewDayWritesANewFile) {
    m_clock.time = QDateTime(QDate(2019, 11, 14), QTime(23, 59, 59));
    m_log.WriteLog(QStringLiteral("before midnight"));
    m_clock.time = QDateTime(QDate(2019, 11, 15), QTime(0, 0, 1));
    m_log.WriteLog(QStringLiteral("after midnight"));
    EXPECT_EQ(ReadAll(today()), QByteArray("before midnight\r\n"));
    EXPECT_EQ(ReadAll(m_dir.filePath(QStringLiteral("run_20191115.log"))), QByteArray("after midnight\r\n"));
}

TEST_F(LogFixture, AppendsToTheDaysFile) {
    {
        QFile file(today());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier\r\n");
    }
    m_log.WriteLog(QStringLiteral("later"));
    EXPECT_EQ(ReadAll(today()), QByteArray("earlier\r\nlater\r\n"));
}

struct ReportErrorCase {
    const char* name;
    bool verbose;
    qint64 number;
    const char* source;
    const char* description;
    QByteArray file;
};

class ReportErrorTest : public LogFixture, public ::testing::WithParamInterface<ReportErrorCase> {};

TEST_P(ReportErrorTest, LogsTheStandardReport) {
    const ReportErrorCase& c = GetParam();
    m_log.setVerbose(c.verbose);
    m_log.ReportError(c.number, QString::fromUtf8(c.source), QString::fromUtf8(c.description));
    EXPECT_EQ(ReadAll(today()).toStdString(), c.file.toStdString());
}

std::string ReportErrorName(const ::testing::TestParamInfo<ReportErrorCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Reports, ReportErrorTest,
    ::testing::Values(
        ReportErrorCase{"UnknownError", true, 0, "x", "y",
                        "Error: An unknown error occurred during this task!\r\n" + kEquals60 + "\r\n"},
        ReportErrorCase{"NumberSourceDescription", true, 5, "DMMain.CreateFolder", "Invalid procedure call",
                        "Error: #5 was generated by DMMain.CreateFolder\r\nInvalid procedure call\r\n" +
                            kEquals60 + "\r\n"},
        ReportErrorCase{"NumberBeyond16Bits", true, -2147417851, "DOCSObjects", "Server unreachable",
                        "Error: #-2147417851 was generated by DOCSObjects\r\nServer unreachable\r\n" +
                            kEquals60 + "\r\n"},
        ReportErrorCase{"QuietKeepsTheReportButNotTheRule", false, 91, "S", "D",
                        "Error: #91 was generated by S\r\nD\r\n"}),
    ReportErrorName);

struct ShowMessageCase {
    const char* name;
    bool unattended;
    int style;
    int pressed;
    int result;
    bool asked;
};

class ShowMessageTest : public ::testing::TestWithParam<ShowMessageCase> {};

TEST_P(ShowMessageTest, AsksUnlessUnattended) {
    const ShowMessageCase& c = GetParam();
    RecordingPrompter prompter;
    prompter.answer = c.pressed;
    FixedClock clock(kNow);
    RecordingLauncher launcher;
    Log log(c.unattended, prompter, clock, launcher);
    EXPECT_EQ(log.ShowMessage(QStringLiteral("Proceed?"), c.style, QStringLiteral("Title")), c.result);
    ASSERT_EQ(prompter.prompts.size(), c.asked ? 1 : 0);
    if (c.asked) {
        EXPECT_EQ(prompter.prompts[0].text, QStringLiteral("Proceed?"));
        EXPECT_EQ(prompter.prompts[0].style, c.style);
        EXPECT_EQ(prompter.prompts[0].title, QStringLiteral("Title"));
    }
}

std::string ShowMessageName(const ::testing::TestParamInfo<ShowMessageCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ShowMessageTest,
    ::testing::Values(
        ShowMessageCase{"UnattendedYesNo", true, StyleYesNo, AnswerNo, AnswerYes, false},
        ShowMessageCase{"UnattendedYesNoCancel", true, StyleYesNoCancel, AnswerNo, AnswerYes, false},
        ShowMessageCase{"UnattendedCritical", true, StyleCritical, 1, 0, false},
        ShowMessageCase{"UnattendedExclamation", true, StyleExclamation, 1, 0, false},
        ShowMessageCase{"UnattendedInformation", true, StyleInformation, 1, 0, false},
        ShowMessageCase{"AttendedYesNoAsks", false, StyleYesNo, AnswerNo, AnswerNo, true},
        ShowMessageCase{"AttendedYesIsPassedOn", false, StyleYesNo, AnswerYes, AnswerYes, true},
        ShowMessageCase{"CancelIsPassedOn", false, StyleYesNoCancel, AnswerCancel, AnswerCancel, true},
        ShowMessageCase{"OkOnlyStyleAnswersZero", false, StyleCritical, 1, 0, true}),
    ShowMessageName);

TEST_F(LogFixture, ShowStatusLogsAndShowsOnTheMainViewWhenNoneIsSet) {
    RecordingStatusView mainView;
    m_log.setMainView(&mainView);
    m_log.ShowStatus(QStringLiteral("  Setting form "));
    m_log.ShowStatus(QStringLiteral("   "));
    EXPECT_EQ(mainView.texts, QStringList{QStringLiteral("Setting form")});
    EXPECT_EQ(mainView.yields, 1);
    EXPECT_EQ(m_log.statusView(), &mainView);
    EXPECT_EQ(ReadAll(today()), QByteArray("Setting form\r\n"));
}

TEST_F(LogFixture, ShowStatusUsesTheStatusWindow) {
    RecordingStatusView splash;
    RecordingStatusView mainView;
    m_log.setMainView(&mainView);
    m_log.setStatusView(&splash);
    m_log.ShowStatus(QStringLiteral("One moment..."));
    EXPECT_EQ(splash.text, QStringLiteral("One moment..."));
    EXPECT_TRUE(mainView.texts.isEmpty());
}

// The busy pointer and the status texts go to the same window, before any status was shown too.
TEST_F(LogFixture, StatusViewIsTheStatusWindowElseTheMainView) {
    RecordingStatusView splash;
    RecordingStatusView mainView;
    const struct {
        StatusView* status;
        StatusView* main;
        StatusView* expected;
    } rows[] = {
        {nullptr, nullptr, nullptr},
        {nullptr, &mainView, &mainView},
        {&splash, nullptr, &splash},
        {&splash, &mainView, &splash},
    };
    for (const auto& row : rows) {
        Log log(false, m_prompter, m_clock, m_launcher);
        log.setStatusView(row.status);
        log.setMainView(row.main);
        EXPECT_EQ(log.statusView(), row.expected);
    }
}

TEST_F(LogFixture, ShowStatusWithoutAnyViewStillLogs) {
    m_log.ShowStatus(QStringLiteral("alone"));
    EXPECT_EQ(ReadAll(today()), QByteArray("alone\r\n"));
}

class ViewFileTest : public LogFixture {
protected:
    void SetUp() override {
        LogFixture::SetUp();
        m_viewer = qgetenv("VIEWER");
        m_hadViewer = qEnvironmentVariableIsSet("VIEWER");
        qunsetenv("VIEWER");
        m_mainView.text = QStringLiteral("Waiting for user input");
        m_log.setMainView(&m_mainView);
        QFile file(m_dir.filePath(QStringLiteral("shown.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    void TearDown() override {
        if (m_hadViewer)
            qputenv("VIEWER", m_viewer);
        else
            qunsetenv("VIEWER");
    }

    QByteArray m_viewer;
    bool m_hadViewer = false;
    RecordingStatusView m_mainView;
};

TEST_F(ViewFileTest, OpensTheFileInTheViewerWithoutWaiting) {
    const QString path = m_dir.filePath(QStringLiteral("shown.txt"));
    m_log.ViewFile(path);
    ASSERT_EQ(m_launcher.calls.size(), 1);
    EXPECT_EQ(m_launcher.calls[0].program, QStringLiteral("xdg-open"));
    EXPECT_EQ(m_launcher.calls[0].arguments, QStringList{path});
    EXPECT_EQ(m_mainView.texts,
              (QStringList{QStringLiteral("Loading ") + path, QStringLiteral("Waiting for user input")}));
    EXPECT_EQ(m_mainView.busyChanges, (QList<bool>{true, false}));
    EXPECT_TRUE(m_prompter.prompts.empty());
}

TEST_F(ViewFileTest, ViewerVariableMayCarryArguments) {
    qputenv("VIEWER", "less -N");
    const QString path = m_dir.filePath(QStringLiteral("shown.txt"));
    m_log.ViewFile(path);
    ASSERT_EQ(m_launcher.calls.size(), 1);
    EXPECT_EQ(m_launcher.calls[0].program, QStringLiteral("less"));
    EXPECT_EQ(m_launcher.calls[0].arguments, (QStringList{QStringLiteral("-N"), path}));
}

TEST_F(ViewFileTest, MissingFileIsReported) {
    const QString path = m_dir.filePath(QStringLiteral("absent.txt"));
    m_log.ViewFile(path);
    m_log.ViewFile(QString());
    EXPECT_TRUE(m_launcher.calls.empty());
    ASSERT_EQ(m_prompter.prompts.size(), 1);
    EXPECT_EQ(m_prompter.prompts[0].text, path + QStringLiteral(" not found"));
    EXPECT_EQ(m_prompter.prompts[0].style, StyleInformation);
    EXPECT_EQ(m_prompter.prompts[0].title, ProgramTitle());
}

// Without xdg-open and VIEWER nothing visible would happen: a box says so and names VIEWER. A VIEWER
// that cannot start is named in its own words.
TEST_F(ViewFileTest, ViewerThatCannotStartIsShownAndLogged) {
    m_launcher.succeed = false;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_dir.path()));
    const QString file = m_dir.filePath(QStringLiteral("shown.txt"));
    m_log.ViewFile(file);
    qputenv("VIEWER", "nosuchviewer -x");
    m_log.ViewFile(file);
    qputenv("PATH", path);

    const QString none =
        QStringLiteral("No text viewer found: install xdg-open or set VIEWER to a text viewer program");
    const QString chosen = QStringLiteral("The text viewer nosuchviewer could not be started for ") + file +
                           QStringLiteral(": set VIEWER to a text viewer program");
    ASSERT_EQ(m_prompter.prompts.size(), 2u);
    EXPECT_EQ(m_prompter.prompts[0].text, none);
    EXPECT_EQ(m_prompter.prompts[0].style, StyleExclamation);
    EXPECT_EQ(m_prompter.prompts[1].text, chosen);
    EXPECT_EQ(ReadAll(today()), (QStringLiteral("Error: ") + none + QStringLiteral("\r\nError: ") + chosen +
                                 QStringLiteral("\r\n"))
                                    .toUtf8());
    // The box comes once the status is back.
    EXPECT_EQ(m_mainView.text, QStringLiteral("Waiting for user input"));
}

TEST_F(LogFixture, PurgeFileDeletesOnYesAndKeepsOnNo) {
    m_log.WriteLog(QStringLiteral("first"));
    m_prompter.answer = AnswerNo;
    m_log.PurgeFile(today());
    EXPECT_TRUE(QFile::exists(today()));
    m_prompter.answer = AnswerYes;
    m_log.PurgeFile(today());
    EXPECT_FALSE(QFile::exists(today()));
    ASSERT_EQ(m_prompter.prompts.size(), 2);
    EXPECT_EQ(m_prompter.prompts[1].text,
              QStringLiteral("Are you sure you want to purge the file ") + today() + QStringLiteral("?"));
    EXPECT_EQ(m_prompter.prompts[1].style, StyleYesNo);

    // The purged log starts again with the line that was last written before.
    m_log.WriteLog(QStringLiteral("first"));
    EXPECT_EQ(ReadAll(today()), QByteArray("first\r\n"));
}

TEST_F(LogFixture, LinesFollowTheLogNameWhileTheFileStaysOpen) {
    const QString other = m_dir.filePath(QStringLiteral("other.log"));
    const QString otherToday = m_dir.filePath(QStringLiteral("other_20191114.log"));
    const std::vector<std::pair<QString, const char*>> lines = {
        {base(), "one"}, {other, "two"}, {base(), "three"}, {other, "four"}};
    for (const auto& [name, line] : lines) {
        m_log.setBaseName(name);
        m_log.WriteLog(QLatin1String(line));
    }
    EXPECT_EQ(ReadAll(today()), QByteArray("one\r\nthree\r\n"));
    EXPECT_EQ(ReadAll(otherToday), QByteArray("two\r\nfour\r\n"));
    EXPECT_EQ(m_log.datedName(), otherToday);
}

// Lines may be held back for a moment, but an error line takes everything before it to the file at
// once, and nothing held back is lost when the log ends.
TEST_F(LogFixture, HeldBackLinesReachTheFileByAnErrorLineAndAtTheEnd) {
    for (const char* line : {"one", "two", "Error: three"})
        m_log.WriteLog(QLatin1String(line));
    EXPECT_EQ(ReadFile(today()), QByteArray("one\r\ntwo\r\nError: three\r\n"));
    {
        Log log(false, m_prompter, m_clock, m_launcher);
        log.setBaseName(m_dir.filePath(QStringLiteral("end.log")));
        for (const char* line : {"four", "five", "six"})
            log.WriteLog(QLatin1String(line));
    }
    EXPECT_EQ(ReadFile(m_dir.filePath(QStringLiteral("end_20191114.log"))),
              QByteArray("four\r\nfive\r\nsix\r\n"));
}

TEST_F(LogFixture, PurgeFileOfNothingAsksNothing) {
    m_log.PurgeFile(QString());
    m_log.PurgeFile(m_dir.filePath(QStringLiteral("absent.log")));
    EXPECT_TRUE(m_prompter.prompts.empty());
}

TEST_F(LogFixture, PurgeFileReportsAFileThatSurvives) {
    // A folder with something in it cannot be removed as a file.
    const QString stubborn = m_dir.filePath(QStringLiteral("stubborn"));
    ASSERT_TRUE(QDir().mkpath(stubborn + QStringLiteral("/inside")));
    m_prompter.answer = AnswerYes;
    m_log.PurgeFile(stubborn);
    ASSERT_EQ(m_prompter.prompts.size(), 2);
    EXPECT_EQ(m_prompter.prompts[1].text,
              QStringLiteral("File ") + stubborn + QStringLiteral(" has NOT been removed."));
    EXPECT_EQ(m_prompter.prompts[1].style, StyleExclamation);
}

class UnattendedLogFixture : public LogFixture {
protected:
    UnattendedLogFixture() : LogFixture(true) {}
};

TEST_F(UnattendedLogFixture, PurgeFileAnswersYesItself) {
    m_log.WriteLog(QStringLiteral("line"));
    m_log.PurgeFile(today());
    EXPECT_FALSE(QFile::exists(today()));
    EXPECT_TRUE(m_prompter.prompts.empty());
}

// Unattended, every error line also reaches the error output (standard error), and the first one is
// kept on one line for the summary, whether or not the log file takes it.
TEST_F(UnattendedLogFixture, ErrorLinesReachTheErrorOutputAndTheFirstIsKept) {
    QStringList told;
    m_log.setErrorOutput([&told](const QString& line) { told.append(line); });
    m_log.setVerbose(false);
    m_log.WriteLog(QStringLiteral("Connecting"));
    m_log.WriteLog(QStringLiteral("Error: #5 was generated by X\r\nInvalid call"));
    m_log.WriteLog(QStringLiteral("Error: #5 was generated by X\r\nInvalid call"));
    m_log.WriteLog(QStringLiteral("error: second"));
    m_log.WriteLog(QStringLiteral("Errors found"));
    EXPECT_EQ(told, (QStringList{QStringLiteral("Error: #5 was generated by X\nInvalid call"),
                                 QStringLiteral("error: second")}));
    EXPECT_EQ(m_log.firstError(), QStringLiteral("Error: #5 was generated by X Invalid call"));
    m_log.ClearFirstError();
    m_log.setBaseName(QString());
    m_log.WriteLog(QStringLiteral("Error: third"));
    EXPECT_EQ(m_log.firstError(), QStringLiteral("Error: third"));
    EXPECT_FALSE(m_log.writeFailed());
}

TEST_F(LogFixture, AttendedErrorLinesStayInTheLog) {
    QStringList told;
    m_log.setErrorOutput([&told](const QString& line) { told.append(line); });
    m_log.WriteLog(QStringLiteral("Error: one"));
    EXPECT_TRUE(told.isEmpty());
    EXPECT_EQ(m_log.firstError(), QStringLiteral("Error: one"));
}

// Nobody sees a box of an unattended run: its text goes to the log, verbose logging or not.
TEST_F(UnattendedLogFixture, BoxTextsGoToTheLog) {
    m_log.setVerbose(false);
    m_log.ShowMessage(QStringLiteral("Notice: There are 0 rules defined - cannot continue"), StyleCritical);
    m_log.ShowMessage(QStringLiteral("Proceed?"), StyleYesNo);
    EXPECT_EQ(ReadAll(today()),
              QByteArray("Notice: There are 0 rules defined - cannot continue\r\nProceed?\r\n"));
    EXPECT_TRUE(m_prompter.prompts.empty());
}

TEST_F(LogFixture, AttendedBoxTextsAreNotLogged) {
    m_log.ShowMessage(QStringLiteral("Notice: shown"), StyleCritical);
    EXPECT_EQ(m_prompter.prompts.size(), 1u);
    EXPECT_FALSE(QFile::exists(today()));
}

// A log that cannot be written (a full disk) is told once on the error output, the program goes on,
// and the log says it lost lines.
TEST_F(LogFixture, LogOnAFullDiskToldOnceAndMarkedIncomplete) {
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), today()));
    QStringList told;
    m_log.setErrorOutput([&told](const QString& line) { told.append(line); });
    m_log.WriteLog(QStringLiteral("first"));
    m_log.Flush();
    m_log.WriteLog(QStringLiteral("Error: second"));
    m_log.CloseFile();
    EXPECT_TRUE(m_log.writeFailed());
    ASSERT_EQ(told.size(), 1) << told.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("Error: The log file ") + today() +
                                   QStringLiteral(" cannot be written (")))
        << told[0].toStdString();
    EXPECT_TRUE(told[0].endsWith(QStringLiteral("): the log is incomplete from here on")));
}

TEST_F(LogFixture, LogThatCannotBeOpenedIsIncompleteToo) {
    m_log.setBaseName(m_dir.filePath(QStringLiteral("missing/run.log")));
    m_log.WriteLog(QStringLiteral("lost"));
    EXPECT_TRUE(m_log.writeFailed());
    EXPECT_TRUE(m_log.datedName().isEmpty());
}

TEST(LogDefaults, DefaultPlaceIsTheProgramFolderWhenWritable) {
    QTemporaryDir program;
    QTemporaryDir data;
    const QString fileName = ProductName() + QStringLiteral(".LOG");
    EXPECT_EQ(Log::DefaultBaseName(program.path(), data.path()), QDir(program.path()).filePath(fileName));
    EXPECT_EQ(Log::DefaultBaseName(program.filePath(QStringLiteral("gone")), data.path()),
              QDir(data.path()).filePath(fileName));
    EXPECT_EQ(Log::DefaultBaseName(QString(), data.path()), QDir(data.path()).filePath(fileName));
}

TEST(LogDefaults, TitleAndProductName) {
    FixedClock clock(kNow);
    RecordingPrompter prompter;
    RecordingLauncher launcher;
    Log log(false, prompter, clock, launcher);
    EXPECT_EQ(log.programTitle(), QString::fromUtf8("Vantrelis\u2122 Import for Hummingbird DM5"));
    EXPECT_EQ(log.productName(), QStringLiteral("Vantrelis Import for OpenText eDOCS"));
    EXPECT_TRUE(log.verbose());
}

} // namespace
} // namespace vantrelis
