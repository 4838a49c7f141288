// The main window's commands against real local libraries, with a recording window.

#include "app/MainCommands.h"
#include "RecordingMainView.h"
#include "common/ProductInfo.h"
#include "common/SavedSetting.h"
#include "config/FolderRuleDefinition.h"
#include "support/ConnectedProgram.h"
#include "support/LocalEnvironment.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

// Answers each dialog with the next prepared answer (none: cancelled) and records the request.
class ScriptedChooser : public app::FileChooser {
public:
    std::vector<app::FileRequest> requests;
    std::vector<std::optional<QString>> answers;

    std::optional<QString> openFile(const app::FileRequest& request) override { return Answer(request); }
    std::optional<QString> saveFile(const app::FileRequest& request) override { return Answer(request); }

private:
    std::optional<QString> Answer(const app::FileRequest& request) {
        requests.push_back(request);
        if (answers.empty())
            return std::nullopt;
        std::optional<QString> answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

class MainCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        environment.AddLibrary(QStringLiteral("DOCS"), 10, true)
            .replaceSettings(LocalEnvironment::Rule(QStringLiteral("CLIENTS")).settingsRows());
        environment.AddLibrary(QStringLiteral("OTHER"), 10, true);
        environment.AddLibrary(QStringLiteral("BARE"), 10, false);
        environment.WriteServerFile(QStringLiteral("DOCS"));
        program = std::make_unique<ConnectedProgram>(environment.serverFile());
        program->context.log().setStatusView(&main);
        ASSERT_TRUE(program->context.connection().StartFusion());
        state.programFolder = programFolder.path();
        state.readmePath = programFolder.filePath(QLatin1String(app::ProgramState::kReadmeName));
        main.setStatusText(QStringLiteral("Waiting for user input"));
        main.texts.clear();
        main.texts.append(QStringLiteral("Waiting for user input"));
        program->harness.Mark();
    }

    QString Saved(const SavedSetting& setting) const {
        return program->settings.read(setting.application(), setting.section(), setting.key(),
                                      QStringLiteral("<unset>"));
    }
    Log& log() { return program->context.log(); }

    LocalEnvironment environment;
    std::unique_ptr<ConnectedProgram> program;
    RecordingMainView main;
    ScriptedChooser chooser;
    QTemporaryDir programFolder;
    app::ProgramState state;
    std::unique_ptr<app::MainCommands> commands_;

    app::MainCommands& commands() {
        if (!commands_)
            commands_ = std::make_unique<app::MainCommands>(program->context, main, state, chooser,
                                                            program->harness.launcher);
        return *commands_;
    }
};

TEST_F(MainCommandsTest, ChoosingTheCurrentLibraryDoesNothing) {
    commands().MNLibList_Click(QStringLiteral("DOCS"));
    EXPECT_EQ(main.texts, QStringList{QStringLiteral("Waiting for user input")});
    EXPECT_TRUE(program->harness.LinesSinceMark().isEmpty());
}

TEST_F(MainCommandsTest, ChoosingAnotherLibrarySwitchesToIt) {
    commands().MNLibList_Click(QStringLiteral("OTHER"));
    EXPECT_EQ(main.texts, QStringList({QStringLiteral("Waiting for user input"),
                                       QStringLiteral("Switching to library OTHER"),
                                       QStringLiteral("Waiting for user input")}));
    EXPECT_EQ(program->context.session().LibraryName(), QStringLiteral("OTHER"));
    EXPECT_EQ(program->view.libraryName, QStringLiteral("OTHER"));
    EXPECT_FALSE(main.busy);
    EXPECT_FALSE(program->harness.LinesSinceMark().contains(QStringLiteral("Switching to library OTHER")))
        << "shown, not logged";
}

struct ConfigureCase {
    const char* library;
    QString message; // empty: the editor opens
};

TEST_F(MainCommandsTest, ConfigureOpensTheEditorOnlyWithSettingsTableAndRule) {
    const QString product = ProductName();
    const std::vector<ConfigureCase> cases = {
        {"DOCS", QString()},
        {"BARE",
         QStringLiteral("You must create the QORV_SETTINGS table in library BARE before you can configure ") +
             product},
        {"OTHER",
         QStringLiteral("You must first create at least one Folder Rule in library OTHER before you can "
                        "create an import set. Please exit ") +
             product + QStringLiteral(" now and create the rule in Vantrelis Maintenance.")},
    };
    int editors = 0;
    commands().setImportSetEditor([&] { ++editors; });
    for (const ConfigureCase& c : cases) {
        ASSERT_TRUE(program->context.connection().ConnectLibrary(QLatin1String(c.library)));
        program->harness.prompter.prompts.clear();
        const int before = editors;
        commands().Button_Configure_Click();
        if (c.message.isEmpty()) {
            EXPECT_EQ(editors, before + 1) << c.library;
            EXPECT_TRUE(program->harness.prompter.prompts.empty()) << c.library;
        } else {
            EXPECT_EQ(editors, before) << c.library;
            ASSERT_EQ(program->harness.prompter.prompts.size(), 1u) << c.library;
            EXPECT_EQ(program->harness.prompter.prompts[0].text, c.message);
            EXPECT_EQ(program->harness.prompter.prompts[0].style, 48);
        }
    }
}

TEST_F(MainCommandsTest, ImportFileChooserShowsAndSavesTheChosenFile) {
    const QString last = QStringLiteral("/srv/imports.d/clients.2024.csv");
    program->settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("LastImportFile"), last);
    chooser.answers = {QStringLiteral("/srv/new/in.txt")};
    commands().ButtonFile_Click();
    ASSERT_EQ(chooser.requests.size(), 1u);
    EXPECT_EQ(chooser.requests[0].title, QStringLiteral("Select the import file and press Open:"));
    EXPECT_EQ(chooser.requests[0].folder, QStringLiteral("/srv/imports.d"));
    EXPECT_EQ(chooser.requests[0].fileName, last);
    EXPECT_EQ(chooser.requests[0].defaultSuffix, QStringLiteral("2024.csv"));
    EXPECT_EQ(main.importFile, QStringLiteral("/srv/new/in.txt"));
    EXPECT_EQ(state.importFileName, QStringLiteral("/srv/new/in.txt"));
    EXPECT_EQ(Saved(SavedSetting::LastImportFile()), QStringLiteral("/srv/new/in.txt"));
}

TEST_F(MainCommandsTest, ImportFileChooserCancelledReportsAndKeepsTheLabel) {
    main.importFile = QStringLiteral("/shown.csv");
    program->settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("LastImportFile"),
                           QStringLiteral("/last.csv"));
    commands().ButtonFile_Click();
    EXPECT_EQ(main.importFile, QStringLiteral("/shown.csv"));
    EXPECT_EQ(state.importFileName, QStringLiteral("/last.csv"));
    EXPECT_EQ(main.statusText(), QStringLiteral("Error: Unable to select import file."));
    const QStringList lines = program->harness.LinesSinceMark();
    EXPECT_TRUE(lines.contains(QStringLiteral("Error: #32755 was generated by CommonDialog")))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Error: Unable to select import file.")));
    // With nothing saved the dialog starts in the program's folder.
    EXPECT_EQ(chooser.requests[0].folder, QStringLiteral("/"));
    program->settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("LastImportFile"),
                           QString());
    commands().ButtonFile_Click();
    EXPECT_EQ(chooser.requests[1].folder, programFolder.path());
    EXPECT_EQ(chooser.requests[1].defaultSuffix, QString());
}

TEST_F(MainCommandsTest, LogFileChooserMovesTheLog) {
    const QString chosen = programFolder.filePath(QStringLiteral("moved.log"));
    chooser.answers = {chosen, std::nullopt};
    const QString before = log().baseName();
    commands().ButtonLogDir_Click();
    EXPECT_EQ(chooser.requests[0].title, QStringLiteral("Select location for log file:"));
    EXPECT_EQ(chooser.requests[0].fileName, before) << "nothing saved: the current log";
    EXPECT_EQ(chooser.requests[0].defaultSuffix, QStringLiteral("LOG"));
    EXPECT_EQ(log().baseName(), chosen);
    EXPECT_EQ(main.logFileTip, chosen);
    EXPECT_EQ(Saved(SavedSetting::LogFile(QString())), chosen);

    // Cancelled: an error report in the (new) log, nothing else changes.
    commands().ButtonLogDir_Click();
    EXPECT_EQ(chooser.requests[1].fileName, chosen);
    EXPECT_EQ(log().baseName(), chosen);
    QFile moved(Log::DatedName(chosen, program->harness.clock.now().date()));
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(moved.readAll().contains("Error: #32755 was generated by CommonDialog"));
}

TEST_F(MainCommandsTest, ReadmeOpensInTheViewerOnlyWhenThere) {
    commands().MNHelpReadme_Click();
    EXPECT_TRUE(program->harness.launcher.calls.empty());
    QFile readme(state.readmePath);
    ASSERT_TRUE(readme.open(QIODevice::WriteOnly));
    readme.close();
    qputenv("VIEWER", "less -N");
    commands().MNHelpReadme_Click();
    qunsetenv("VIEWER");
    ASSERT_EQ(program->harness.launcher.calls.size(), 1u);
    EXPECT_EQ(program->harness.launcher.calls[0].program, QStringLiteral("less"));
    EXPECT_EQ(program->harness.launcher.calls[0].arguments,
              QStringList({QStringLiteral("-N"), state.readmePath}));
    EXPECT_TRUE(main.texts.contains(QStringLiteral("Viewing File ") + state.readmePath +
                                    QStringLiteral(" using Notepad")));
    EXPECT_EQ(main.statusText(), QStringLiteral("Waiting for user input"));
    EXPECT_FALSE(main.busy);
}

// With no xdg-open on the PATH and no VIEWER, the readme does not open: a box says so and names VIEWER.
TEST_F(MainCommandsTest, ReadmeWithoutAViewerSaysSo) {
    QFile readme(state.readmePath);
    ASSERT_TRUE(readme.open(QIODevice::WriteOnly));
    readme.close();
    QTemporaryDir emptyPath;
    const QByteArray path = qgetenv("PATH");
    const QByteArray viewer = qgetenv("VIEWER");
    qunsetenv("VIEWER");
    qputenv("PATH", QFile::encodeName(emptyPath.path()));
    program->harness.launcher.succeed = false;
    commands().MNHelpReadme_Click();
    qputenv("PATH", path);
    if (!viewer.isEmpty())
        qputenv("VIEWER", viewer);
    const QString text =
        QStringLiteral("No text viewer found: install xdg-open or set VIEWER to a text viewer program");
    ASSERT_EQ(program->harness.prompter.prompts.size(), 1u);
    EXPECT_EQ(program->harness.prompter.prompts[0].text, text);
    EXPECT_EQ(program->harness.prompter.prompts[0].style, StyleExclamation);
    EXPECT_TRUE(program->harness.Lines().contains(QStringLiteral("Error: ") + text));
    EXPECT_EQ(main.statusText(), QStringLiteral("Waiting for user input"));
    EXPECT_FALSE(main.busy);
}

TEST_F(MainCommandsTest, GoAndTheSettingsViewerReachTheirHooks) {
    QList<bool> runs; // whether each run only checks
    int viewers = 0;
    commands().Button_Go_Click();
    EXPECT_EQ(main.statusText(), QStringLiteral("Error: The import run is not available in this build"));
    EXPECT_TRUE(main.endedWith.empty()) << "attended: the window stays";
    commands().setImportRun([&](bool checkOnly) { runs.append(checkOnly); });
    commands().setSettingsViewer([&] {
        EXPECT_TRUE(main.busy);
        ++viewers;
    });
    commands().Button_Go_Click();
    commands().Button_Go_Click(true);
    commands().MNQorvOptions_Click();
    EXPECT_EQ(runs, QList<bool>({false, true}));
    EXPECT_EQ(viewers, 1);
    EXPECT_FALSE(main.busy);
}

} // namespace
