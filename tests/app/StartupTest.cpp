// Startup and shutdown against real local libraries, with recording windows.

#include "app/Startup.h"
#include "RecordingMainView.h"
#include "app/AppContext.h"
#include "app/ImportRun.h"
#include "app/Shutdown.h"
#include "common/IniRegistry.h"
#include "common/ProductInfo.h"
#include "common/SavedSetting.h"
#include "config/FolderRuleDefinition.h"
#include "dm/local/LocalBackend.h"
#include "support/LocalEnvironment.h"
#include "support/LogAssertions.h"
#include "support/LogHarness.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <memory>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

const QString kSixtyDashes = QString(60, QLatin1Char('-'));
const QString kSixtyEquals = QString(60, QLatin1Char('='));

QString Saved(const MemorySettingsStore& settings, const SavedSetting& setting) {
    return settings.values.value(
        MemorySettingsStore::Key(setting.application(), setting.section(), setting.key()),
        QStringLiteral("<unset>"));
}

// One start of the program: its own context and windows; the settings live across starts.
struct ProgramRun {
    ProgramRun(const QString& serverFile, MemorySettingsStore& settings, LogRecorder& recorder,
               const QString& programFolder, app::CommandLine commandLine)
        : context(std::move(commandLine), settings, recorder.prompter, recorder.clock, recorder.launcher) {
        dm::local::RegisterLocalBackend(context.factory(), serverFile);
        context.connection().setView(&connectionView);
        state.programFolder = programFolder;
        state.executablePath = QDir(programFolder).filePath(QStringLiteral("vantrelis-import"));
        state.readmePath = app::ProgramState::FindReadme(programFolder);
        startup.setStopOutput([this](const QString& line) { stopLines.append(line); });
        startup.setGo([this] { importRun.Button_Go_Click(); });
        importRun.setSummaryOutput([this](const QString& line) { summaries.append(line); });
    }

    bool Start() { return startup.Form_Load(); }

    app::AppContext context;
    RecordingConnectionView connectionView;
    RecordingMainView main;
    RecordingSplashView splash;
    IniRegistry registry;
    app::ProgramState state;
    std::vector<int> ended;
    app::Shutdown shutdown{context, main, state, [this](int status) { ended.push_back(status); }};
    app::Startup startup{context, main, splash, state, registry, shutdown};
    app::ImportRun importRun{context, main, context.folders()};
    QStringList stopLines;
    QStringList summaries;
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& docs = environment.AddLibrary(QStringLiteral("DOCS"), 10, true);
        docs.replaceSettings(LocalEnvironment::Rule(QStringLiteral("CLIENTS")).settingsRows());
        docs.replaceSettings(LocalEnvironment::Rule(QStringLiteral("MATTERS")).settingsRows());
        environment.AddLibrary(QStringLiteral("OTHER"), 2, true);
        environment.AddLibrary(QStringLiteral("BARE"), 10, false);
        settings.values.insert(
            MemorySettingsStore::Key(ProductName(), QStringLiteral("General"), QStringLiteral("LogFile")),
            recorder.folder.filePath(QStringLiteral("test.log")));
    }

    ProgramRun& NewRun(app::CommandLine commandLine = {}) {
        if (environment.serverFile().isEmpty() || !QFile::exists(environment.serverFile()))
            environment.WriteServerFile();
        run = std::make_unique<ProgramRun>(environment.serverFile(), settings, recorder, programFolder.path(),
                                           std::move(commandLine));
        return *run;
    }

    static app::CommandLine Unattended() {
        app::CommandLine commandLine;
        commandLine.go = true;
        commandLine.exitWhenDone = true;
        return commandLine;
    }

    QStringList Prompts() const {
        QStringList texts;
        for (const Prompt& prompt : recorder.prompter.prompts)
            texts.append(prompt.text);
        return texts;
    }

    LocalEnvironment environment;
    MemorySettingsStore settings;
    LogRecorder recorder;
    QTemporaryDir programFolder;
    std::unique_ptr<ProgramRun> run;
};

TEST_F(StartupTest, BringsTheProgramUpAndWaitsForTheUser) {
    ProgramRun& program = NewRun();
    ASSERT_TRUE(program.Start()) << recorder.Lines().join(QLatin1Char('\n')).toStdString();

    const QString title = ProgramTitle();
    EXPECT_TRUE(
        InOrder(recorder.Lines(),
                {QStringLiteral("Retrieving basic configuration settings"), kSixtyEquals,
                 QStringLiteral("Connecting to Hummingbird DM (Fusion) Application"),
                 QStringLiteral("Fusion started with connection to DOCS"), QStringLiteral("Setting form"),
                 QStringLiteral("Setting Libraries"), QStringLiteral("Retrieving Session information"),
                 QStringLiteral("Verifying rights for TESTER"), QStringLiteral("Activating the main form"),
                 title + QStringLiteral(" started on ") +
                     QLocale::system().toString(QDate(2024, 3, 5), QLocale::LongFormat),
                 kSixtyDashes}));
    EXPECT_TRUE(recorder.Lines().filter(QStringLiteral(" Starting at ")).size() == 1);
    EXPECT_TRUE(recorder.Lines().filter(QStringLiteral("Error")).isEmpty());
    // The status the user sees is not a log line.
    EXPECT_EQ(program.main.statusText(), QStringLiteral("Waiting for user input"));
    EXPECT_FALSE(recorder.Lines().contains(QStringLiteral("Waiting for user input")));
    // The splash showed the first steps and is gone; the window is up and ready.
    EXPECT_TRUE(program.splash.texts.contains(QStringLiteral("One moment...")));
    EXPECT_EQ(program.splash.unloads, 1);
    EXPECT_FALSE(program.splash.shown);
    EXPECT_TRUE(program.main.shown);
    EXPECT_TRUE(program.main.enabled);
    EXPECT_FALSE(program.main.busy);
    EXPECT_EQ(program.main.captions.last(),
              QStringLiteral("Vantrelis") + QChar(0x2122) + QStringLiteral(" Import For DM5"));
    EXPECT_EQ(program.connectionView.userName, QStringLiteral("TESTER"));
    EXPECT_EQ(program.connectionView.libraryName, QStringLiteral("DOCS"));
    // Filled from the login and the rules: every library, the current one's rules.
    ASSERT_TRUE(program.main.placed.has_value());
    QStringList libraries;
    for (const app::LibraryChoice& library : program.main.placed->libraries)
        libraries.append(library.name);
    EXPECT_EQ(libraries,
              QStringList({QStringLiteral("DOCS"), QStringLiteral("OTHER"), QStringLiteral("BARE")}));
    EXPECT_EQ(program.main.placed->currentLibrary, QStringLiteral("DOCS"));
    EXPECT_EQ(program.main.placed->importSets,
              QStringList({QStringLiteral("CLIENTS"), QStringLiteral("MATTERS")}));
    // No readme beside this program; the registrations are recorded as done.
    EXPECT_FALSE(program.main.readmeVisible);
    EXPECT_EQ(Saved(settings, SavedSetting::RegisterAPI()), QStringLiteral("-1"));
    EXPECT_EQ(Saved(settings, SavedSetting::RegisterQorvClasses()), QStringLiteral("-1"));
    EXPECT_EQ(Saved(settings, SavedSetting::Path()), program.state.executablePath);
    EXPECT_TRUE(program.ended.empty());
    EXPECT_TRUE(recorder.prompter.prompts.empty());
}

TEST_F(StartupTest, ShowsTheReadmeMenuItemWhenTheReadmeIsThere) {
    QFile readme(programFolder.filePath(QLatin1String(app::ProgramState::kReadmeName)));
    ASSERT_TRUE(readme.open(QIODevice::WriteOnly));
    readme.close();
    ProgramRun& program = NewRun();
    ASSERT_TRUE(program.Start());
    EXPECT_TRUE(program.main.readmeVisible);
}

// Each way startup can fail (0 no login, 1 no rules, 2 no rights), attended or with /G /X: its box,
// the stop path's lines and box, the shutdown; unattended, no box at all.
class StopPathTest : public StartupTest, public ::testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(StopPathTest, ShowsItsMessageAndEndsThroughTheStopPath) {
    const auto [situation, unattended] = GetParam();
    QString boxText;
    int boxStyle = 0;
    QString lastStep;
    bool stopBox = true;
    const QString product = ProductName();
    switch (situation) {
    case 0: // nobody can log in: the server file names no user
        environment.setUser(QString());
        environment.WriteServerFile();
        boxText =
            QStringLiteral("Error: Unable to start the Fusion application - I will end the program now");
        boxStyle = 16;
        stopBox = false;
        lastStep = QStringLiteral("Logging in to the Fusion Server");
        break;
    case 1: // the current library has no settings table, so no rules
        environment.WriteServerFile(QStringLiteral("BARE"));
        boxText = QStringLiteral("Notice: There are 0 rules defined - cannot continue");
        boxStyle = 16;
        lastStep = QStringLiteral("Setting form");
        break;
    case 2: // the user is in no group with universal access 255
        environment.admin(QStringLiteral("DOCS"))
            .database()
            .execute(QStringLiteral("UPDATE DOCSADM.GROUPS SET UNIV_ACCESS = 0"));
        environment.WriteServerFile();
        boxText = QStringLiteral("Error: You are not a member of any groups with Universal Access = 255. "
                                 "This is a requirement for running ") +
                  product;
        boxStyle = 48;
        lastStep = QStringLiteral("Verifying rights for TESTER");
        break;
    }
    settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("ComboImportSet"),
                  QStringLiteral("MATTERS"));
    ProgramRun& program = NewRun(unattended ? Unattended() : app::CommandLine{});
    EXPECT_FALSE(program.Start());

    const QStringList lines = recorder.Lines();
    const QString stoppedAt = product + QStringLiteral(" stopped at point where the program was ");
    qsizetype stopped = -1;
    for (qsizetype i = 0; i < lines.size() && stopped < 0; ++i)
        if (lines.at(i).startsWith(stoppedAt))
            stopped = i;
    ASSERT_GT(stopped, 0) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines.at(stopped), stoppedAt + lastStep);
    EXPECT_EQ(lines.at(stopped - 1), kSixtyDashes);
    EXPECT_EQ(lines.value(stopped + 1), kSixtyEquals);
    EXPECT_TRUE(InOrder(lines.mid(stopped),
                        {QStringLiteral("Program ended at 09:30:00 AM on 2024/03/05"), kSixtyDashes}))
        << "shutdown after the stop";
    // The box text is the user's; nobody sees the box of an unattended start, so its text is logged.
    EXPECT_EQ(lines.contains(boxText), unattended);

    if (unattended) {
        EXPECT_TRUE(recorder.prompter.prompts.empty());
    } else {
        const QStringList prompts = Prompts();
        const qsizetype box = prompts.indexOf(boxText);
        ASSERT_GE(box, 0) << prompts.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(recorder.prompter.prompts.at(static_cast<size_t>(box)).style, boxStyle);
        EXPECT_EQ(prompts.contains(lines.at(stopped)), stopBox);
        if (stopBox) {
            EXPECT_EQ(prompts.last(), lines.at(stopped));
        }
    }
    EXPECT_EQ(program.ended, std::vector<int>{app::kExitStopped});
    EXPECT_FALSE(program.main.shown);
    EXPECT_EQ(program.splash.unloads, 1);
    EXPECT_EQ(program.context.session().application, nullptr) << "DM objects released";
    // What the window held is saved only once it had been filled from the saved settings.
    const bool filled = situation == 2;
    EXPECT_EQ(Saved(settings, SavedSetting::CheckAddNewDocs()),
              filled ? QStringLiteral("1") : QStringLiteral("<unset>"));
    EXPECT_EQ(Saved(settings, SavedSetting::CheckFillFromLine()),
              filled ? QStringLiteral("0") : QStringLiteral("<unset>"));
    EXPECT_EQ(Saved(settings, SavedSetting::Library(QStringLiteral("OTHER"))),
              filled ? QStringLiteral("1") : QStringLiteral("<unset>"));
    EXPECT_EQ(Saved(settings, SavedSetting::ComboImportSet()), QStringLiteral("MATTERS"));
    EXPECT_EQ(Saved(settings, SavedSetting::LogFile(QString())),
              recorder.folder.filePath(QStringLiteral("test.log")));
}

INSTANTIATE_TEST_SUITE_P(Situations, StopPathTest,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Bool()));

TEST_F(StartupTest, SettingsSavedAtShutdownAreReadBackAtTheNextStart) {
    for (int i = 1; i <= 3; ++i)
        environment.AddLibrary(QStringLiteral("EXTRA_%1").arg(i), 10, false);
    ProgramRun& first = NewRun();
    ASSERT_TRUE(first.Start());
    ASSERT_EQ(first.main.placed->libraries.size(), 6);
    first.main.untickLibrary(1);
    first.main.untickLibrary(4);
    first.main.placed->selectedImportSet = 1;
    first.main.addNewDocs = false;
    first.main.verbose = false;
    first.main.place = QPoint(123, 77);
    first.shutdown.Form_Unload(app::kExitNormal);
    EXPECT_EQ(first.ended, std::vector<int>{app::kExitNormal});
    first.shutdown.Form_Unload(app::kExitNormal);
    EXPECT_EQ(first.ended.size(), 1u) << "shutdown runs once";
    EXPECT_FALSE(first.main.shown);
    EXPECT_EQ(first.context.session().application, nullptr);
    EXPECT_TRUE(recorder.Lines().contains(QStringLiteral("Program ended at 09:30:00 AM on 2024/03/05")));

    ProgramRun& second = NewRun();
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(second.main.placed.has_value());
    const QList<app::LibraryChoice>& libraries = second.main.placed->libraries;
    for (int i = 0; i < libraries.size(); ++i)
        EXPECT_EQ(libraries.at(i).ticked, i != 1 && i != 4) << libraries.at(i).name.toStdString();
    EXPECT_EQ(second.main.placed->selectedImportSet, 1);
    EXPECT_FALSE(second.main.addNewDocs);
    EXPECT_TRUE(second.main.addExistingDocs);
    EXPECT_FALSE(second.main.verbose);
    EXPECT_FALSE(second.context.log().verbose());
    EXPECT_EQ(second.main.place, QPoint(123, 77));
}

TEST_F(StartupTest, CommandLineChoosesFileImportSetAndDocumentOptions) {
    const QString file = programFolder.filePath(QStringLiteral("in.txt"));
    QFile input(file);
    ASSERT_TRUE(input.open(QIODevice::WriteOnly));
    input.close();
    settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("ComboImportSet"),
                  QStringLiteral("CLIENTS"));
    settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("CheckAddNewDocs"),
                  QStringLiteral("0"));
    settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("CheckAddExistingDocs"),
                  QStringLiteral("0"));

    app::CommandLine commandLine =
        app::CommandLine::Parse({QStringLiteral("/F"), file, QStringLiteral("/S"), QStringLiteral("matters"),
                                 QStringLiteral("/ADNF"), QStringLiteral("--profile-from-line")});
    ProgramRun& program = NewRun(commandLine);
    ASSERT_TRUE(program.Start());
    EXPECT_EQ(program.main.importFile, file);
    EXPECT_EQ(program.state.importFileName, file);
    EXPECT_EQ(program.main.placed->importSets.value(program.main.placed->selectedImportSet),
              QStringLiteral("MATTERS"));
    EXPECT_EQ(Saved(settings, SavedSetting::ComboImportSet()), QStringLiteral("MATTERS"));
    EXPECT_TRUE(program.main.addNewDocs);
    EXPECT_FALSE(program.main.addExistingDocs);
    EXPECT_TRUE(program.main.fillFromLine);
}

TEST_F(StartupTest, ImportFileThatIsGoneIsForgotten) {
    const QString gone = programFolder.filePath(QStringLiteral("gone.csv"));
    settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("LastImportFile"), gone);
    ProgramRun& program = NewRun();
    ASSERT_TRUE(program.Start());
    EXPECT_EQ(program.main.importFile, QString());
    EXPECT_EQ(program.state.importFileName, gone);
    EXPECT_EQ(Saved(settings, SavedSetting::LastImportFile()), QString());
}

// A "/S" that names no import set of the current library never runs another set: unattended the start
// stops before the run with a line that names the set and the library; attended a box says so and no
// set is selected.
TEST_F(StartupTest, ImportSetThatTheLibraryLacksIsNotReplacedByAnother) {
    const QString file = programFolder.filePath(QStringLiteral("in.csv"));
    QFile input(file);
    ASSERT_TRUE(input.open(QIODevice::WriteOnly));
    input.write("C1,M1\n");
    input.close();
    const QString text =
        QStringLiteral("Error: Import set NOSUCHSET not found in library DOCS - cannot continue");
    for (const bool unattended : {true, false}) {
        SCOPED_TRACE(unattended ? "unattended" : "attended");
        recorder.prompter.prompts.clear();
        settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("ComboImportSet"),
                      QStringLiteral("MATTERS"));
        QStringList arguments = {QStringLiteral("/F"), file, QStringLiteral("/S"),
                                 QStringLiteral("NoSuchSet")};
        if (unattended)
            arguments += {QStringLiteral("/G"), QStringLiteral("/X")};
        ProgramRun& program = NewRun(app::CommandLine::Parse(arguments));
        EXPECT_EQ(program.Start(), !unattended);
        ASSERT_TRUE(program.main.placed.has_value());
        EXPECT_EQ(program.main.placed->selectedImportSet, -1);
        EXPECT_EQ(program.main.runChoices().importSet, QString());
        EXPECT_TRUE(recorder.Lines().contains(text));
        EXPECT_TRUE(program.summaries.isEmpty()) << "no run";
        if (unattended) {
            EXPECT_TRUE(recorder.prompter.prompts.empty());
            EXPECT_EQ(program.ended, std::vector<int>{app::kExitStopped});
            EXPECT_EQ(program.stopLines,
                      QStringList{QStringLiteral("Vantrelis Import stopped before its run: ") + text +
                                  QStringLiteral("; log: ") + program.context.log().datedName()});
        } else {
            EXPECT_EQ(Prompts(), QStringList{text});
            EXPECT_EQ(recorder.prompter.prompts.front().style, 48);
            EXPECT_TRUE(program.ended.empty());
        }
        EXPECT_EQ(Saved(settings, SavedSetting::ComboImportSet()), QStringLiteral("MATTERS"));
    }
}

// A "/F" file that cannot be read is not taken: the saved last file stays, and the box (attended) and
// the log say why; unattended the line comes before the run's own check text.
TEST_F(StartupTest, ImportFileGivenThatCannotBeReadIsNotTaken) {
    environment.admin(QStringLiteral("DOCS"))
        .addImportSet(QStringLiteral("CLIENTS"), QStringLiteral(","),
                      {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), 1, 0, QString(), 0}});
    const QString saved = programFolder.filePath(QStringLiteral("saved.csv"));
    QFile savedFile(saved);
    ASSERT_TRUE(savedFile.open(QIODevice::WriteOnly));
    savedFile.close();
    const QString folder = programFolder.filePath(QStringLiteral("a-folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString missing = programFolder.filePath(QStringLiteral("missing.csv"));
    const struct {
        QString given;
        bool unattended;
        QString why;
    } cases[] = {
        {missing, false, QStringLiteral("it does not exist")},
        {folder, false, QStringLiteral("it is not a regular file")},
        {missing, true, QStringLiteral("it does not exist")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given.toStdString());
        recorder.prompter.prompts.clear();
        recorder.Mark();
        settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("LastImportFile"), saved);
        QStringList arguments = {QStringLiteral("/F"), c.given};
        if (c.unattended)
            arguments += {QStringLiteral("/G"), QStringLiteral("/X")};
        ProgramRun& program = NewRun(app::CommandLine::Parse(arguments));
        program.Start();
        const QString text = QStringLiteral("Error: Import file ") + c.given +
                             QStringLiteral(" given by /F was not taken: ") + c.why;
        EXPECT_EQ(program.main.importFile, QString());
        EXPECT_EQ(Saved(settings, SavedSetting::LastImportFile()), saved);
        const QStringList lines = recorder.LinesSinceMark();
        if (c.unattended) {
            EXPECT_TRUE(recorder.prompter.prompts.empty());
            EXPECT_TRUE(
                InOrder(lines, {text, QStringLiteral("Error: Import file not specified - cannot continue")}))
                << lines.join(QLatin1Char('\n')).toStdString();
            EXPECT_EQ(program.context.log().firstError(), text);
            EXPECT_EQ(program.main.endedWith, std::vector<int>{app::kExitStopped});
        } else {
            EXPECT_TRUE(lines.contains(text));
            EXPECT_EQ(Prompts(), QStringList{text});
        }
    }
}

// The reason the DM server cannot be used is an error line before the login's own check text, and
// the line of the stopped start names it.
TEST_F(StartupTest, LoginCheckReasonComesFirstAndNamesTheStop) {
    environment.setUser(QString());
    environment.WriteServerFile();
    ProgramRun& program = NewRun(Unattended());
    program.startup.setLoginCheck(
        [] { return QStringLiteral("The DM server file /x.ini cannot be used: it does not exist"); });
    EXPECT_FALSE(program.Start());
    const QString why = QStringLiteral("Error: The DM server file /x.ini cannot be used: it does not exist");
    EXPECT_TRUE(
        InOrder(recorder.Lines(), {QStringLiteral("Connecting to Hummingbird DM (Fusion) Application"), why,
                                   QStringLiteral("Logging in to the Fusion Server")}))
        << recorder.Lines().join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(program.stopLines.size(), 1);
    EXPECT_TRUE(program.stopLines[0].startsWith(QStringLiteral("Vantrelis Import stopped before its run: ") +
                                                why + QStringLiteral("; log: ")));
}

// A start stopped by a box text, with no error line before it, names the box text.
TEST_F(StartupTest, StopWithoutAnErrorLineNamesTheBoxText) {
    environment.WriteServerFile(QStringLiteral("BARE"));
    ProgramRun& program = NewRun(Unattended());
    EXPECT_FALSE(program.Start());
    EXPECT_EQ(program.stopLines,
              QStringList{
                  QStringLiteral("Vantrelis Import stopped before its run: Notice: There are 0 rules defined "
                                 "- cannot continue; log: ") +
                  program.context.log().datedName()});
}

// "/G" without "/X": someone may be there, but the run's checks and its end show no box.
TEST_F(StartupTest, GoWithoutExitShowsNoBoxForTheChecksOrTheEnd) {
    dm::local::LibraryAdmin& docs = environment.admin(QStringLiteral("DOCS"));
    FolderRuleDefinition rule = LocalEnvironment::Rule(QStringLiteral("RUN"));
    rule.pathTemplate = FolderRuleDefinition::DefaultTemplate();
    docs.replaceSettings(rule.settingsRows());
    docs.addImportSet(QStringLiteral("RUN"), QStringLiteral(","),
                      {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), 1, 0, QString(), 0},
                       {QStringLiteral("MATTER.MATTER_ID"), 2, 0, QString(), 1},
                       {QStringLiteral("DOCUMENTTYPE.TYPE_ID"), 3, 0, QString(), 1}});
    const QString file = programFolder.filePath(QStringLiteral("in.csv"));
    QFile input(file);
    ASSERT_TRUE(input.open(QIODevice::WriteOnly));
    input.write("C1,M1,MEMO\n");
    input.close();
    const QString go = QStringLiteral("/G");
    // A check that fails: no import file.
    ProgramRun& failing = NewRun(app::CommandLine::Parse({go, QStringLiteral("/S"), QStringLiteral("RUN")}));
    EXPECT_TRUE(failing.Start());
    EXPECT_TRUE(
        recorder.Lines().contains(QStringLiteral("Error: Import file not specified - cannot continue")));
    ASSERT_EQ(failing.summaries.size(), 1);
    EXPECT_TRUE(failing.summaries[0].startsWith(QStringLiteral("Vantrelis Import stopped: ")));
    // A run to its end.
    ProgramRun& whole = NewRun(app::CommandLine::Parse(
        {go, QStringLiteral("/S"), QStringLiteral("RUN"), QStringLiteral("/F"), file}));
    EXPECT_TRUE(whole.Start());
    EXPECT_TRUE(recorder.Lines().contains(QStringLiteral("Finished processing.")));
    ASSERT_EQ(whole.summaries.size(), 1);
    EXPECT_TRUE(whole.summaries[0].startsWith(QStringLiteral("Vantrelis Import finished: 1 paths")))
        << whole.summaries[0].toStdString();
    EXPECT_TRUE(whole.ended.empty());
    EXPECT_TRUE(recorder.prompter.prompts.empty()) << Prompts().join(QLatin1Char('\n')).toStdString();
}

// A log that lost lines (a full disk) makes the program's exit status at least 1.
TEST_F(StartupTest, LogThatLostLinesEndsWithAtLeastStatusOne) {
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"),
                            recorder.folder.filePath(QStringLiteral("test_20240305.log"))));
    ProgramRun& program = NewRun();
    ASSERT_TRUE(program.Start());
    EXPECT_TRUE(program.context.log().writeFailed());
    program.shutdown.Form_Unload(app::kExitNormal);
    EXPECT_EQ(program.ended, std::vector<int>{app::kExitErrors});
    EXPECT_EQ(program.state.exitStatus, app::kExitErrors);
    ProgramRun& stopped = NewRun();
    ASSERT_TRUE(stopped.Start());
    stopped.shutdown.Form_Unload(app::kExitStopped);
    EXPECT_EQ(stopped.ended, std::vector<int>{app::kExitStopped});
}

TEST(DmVersionText, PatchLevelInBracketsWhenSet) {
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("CurrentVersion=5.1.0.5\nPatchLevel=3\n"), QStringLiteral("(5.1.0.5 patch 3)")},
        {QStringLiteral("CurrentVersion=5.1.0.5\n"), QStringLiteral("5.1.0.5")},
        {QString(), QString()},
    };
    for (const auto& [values, text] : cases) {
        IniRegistry registry;
        registry.Load(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS]\n") + values);
        EXPECT_EQ(app::Startup::DmVersionText(registry), text) << values.toStdString();
    }
}

} // namespace
