// The main window and the splash window on the offscreen platform.

#include "gui/DMMain.h"
#include "WindowTestSupport.h"
#include "gui/ProgramLook.h"
#include "gui/QorvSplash.h"
#include "support/LogHarness.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace vantrelis;
using namespace vantrelis::gui;
using namespace vantrelis::testing;

namespace {

app::FormContent Libraries(int count) {
    app::FormContent content;
    for (int i = 1; i <= count; ++i)
        content.libraries.push_back({QStringLiteral("LIBRARY_%1").arg(i), i % 3 != 0});
    content.currentLibrary = QStringLiteral("LIBRARY_2");
    content.importSets = {QStringLiteral("CLIENT_MATTER"), QStringLiteral("MATTERS")};
    content.selectedImportSet = 1;
    return content;
}

// The next widget the Tab key moves to.
QWidget* NextTabStop(QWidget* widget) {
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && !(next->focusPolicy() & Qt::TabFocus && next->isVisible() && next->isEnabled()))
        next = next->nextInFocusChain();
    return next;
}

} // namespace

class DMMainTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DMMain> Shown(int libraries) {
        auto window = std::make_unique<DMMain>(m_harness.log);
        if (libraries > 0)
            window->PlaceForm(Libraries(libraries));
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        return window;
    }

    LogHarness m_harness;

private Q_SLOTS:
    void initTestCase() { ApplyProgramLook(*qApp); }

    void tabOrderFollowsTheBoxes() {
        const auto window = Shown(5);
        QVERIFY(window);
        const QList<QCheckBox*> boxes = window->findChildren<QCheckBox*>(QStringLiteral("LibBox"));
        for (int e = 1; e < boxes.size(); ++e)
            QCOMPARE(NextTabStop(boxes.at(e - 1)), boxes.at(e));
        QCOMPARE(NextTabStop(boxes.last()),
                 window->findChild<QWidget*>(QStringLiteral("CheckAddExistingDocs")));
    }

    void importSetBoxIsFilled() {
        const auto window = Shown(2);
        QVERIFY(window);
        const auto* combo = window->findChild<QComboBox*>(QStringLiteral("ComboImportSet"));
        QCOMPARE(combo->count(), 2);
        QCOMPARE(window->runChoices().importSet, QStringLiteral("MATTERS"));
    }

    void toggleTwiceRestoresAndSkipsDisabledBoxes() {
        const auto window = Shown(5);
        QVERIFY(window);
        const QList<QCheckBox*> boxes = window->findChildren<QCheckBox*>(QStringLiteral("LibBox"));
        boxes.at(1)->setEnabled(false);
        std::vector<bool> before;
        for (const QCheckBox* box : boxes)
            before.push_back(box->isChecked());
        QAction* toggle = window->findChild<QAction*>(QStringLiteral("MNToggleLibs"));
        toggle->trigger();
        for (int e = 0; e < boxes.size(); ++e)
            QCOMPARE(boxes.at(e)->isChecked(), e == 1 ? before[1] : !before[static_cast<size_t>(e)]);
        toggle->trigger();
        for (int e = 0; e < boxes.size(); ++e)
            QCOMPARE(boxes.at(e)->isChecked(), before[static_cast<size_t>(e)]);
    }

    void libraryLabelOpensTheMenuOnRightClickOnly_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("opens");
        QTest::newRow("right") << Qt::RightButton << true;
        QTest::newRow("left") << Qt::LeftButton << false;
    }

    void libraryLabelOpensTheMenuOnRightClickOnly() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, opens);
        const auto window = Shown(3);
        QVERIFY(window);
        auto* label = window->findChild<QLabel*>(QStringLiteral("LabelLibraryName"));
        window->setLibraryName(QStringLiteral("LIBRARY_2"));
        auto* menu = window->findChild<QMenu*>(QStringLiteral("MNLibMain"));
        QTest::mouseRelease(label, button, {}, QPoint(2, 2));
        QCOMPARE(menu->isVisible(), opens);
        menu->hide();
    }

    void libraryMenuEntryNamesTheLibrary() {
        const auto window = Shown(3);
        QVERIFY(window);
        QSignalSpy chosen(window.get(), &DMMain::libraryChosen);
        window->findChildren<QAction*>(QStringLiteral("MNLibList")).at(2)->trigger();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toString(), QStringLiteral("LIBRARY_3"));
        window->checkLibraryMenu(QStringLiteral("LIBRARY_3"));
        const QList<QAction*> entries = window->findChildren<QAction*>(QStringLiteral("MNLibList"));
        QCOMPARE(entries.at(1)->isChecked(), false);
        QCOMPARE(entries.at(2)->isChecked(), true);
    }

    void keysAndExit_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("shutdowns");
        QTest::addColumn<bool>("stopRequested");
        QTest::addColumn<int>("fileChoosers");
        QTest::newRow("Esc while idle") << "Esc" << false << 0 << false << 0;
        QTest::newRow("Esc during a run") << "Esc" << true << 0 << true << 0;
        QTest::newRow("F3") << "F3" << false << 0 << false << 1;
        QTest::newRow("F3 during a run") << "F3" << true << 0 << false << 0;
        QTest::newRow("F4") << "F4" << true << 0 << false << 0;
        QTest::newRow("Exit while idle") << "Button_Exit" << false << 1 << false << 0;
        QTest::newRow("Exit during a run") << "Button_Exit" << true << 0 << true << 0;
        QTest::newRow("menu Exit while idle") << "MNFileExit" << false << 1 << false << 0;
        QTest::newRow("closing the window during a run") << "close" << true << 0 << true << 0;
    }

    void keysAndExit() {
        QFETCH(QString, command);
        QFETCH(bool, running);
        QFETCH(int, shutdowns);
        QFETCH(bool, stopRequested);
        QFETCH(int, fileChoosers);
        const auto window = Shown(2);
        QVERIFY(window);
        window->activateWindow();
        window->setRunInProgress(running);
        QSignalSpy shutdown(window.get(), &DMMain::shutdownRequested);
        QSignalSpy file(window.get(), &DMMain::importFileRequested);
        QWidget* focus = window->findChild<QWidget*>(QStringLiteral("CheckAddNewDocs"));
        if (command == QLatin1String("Esc"))
            QTest::keyClick(focus, Qt::Key_Escape);
        else if (command == QLatin1String("F3"))
            QTest::keyClick(focus, Qt::Key_F3);
        else if (command == QLatin1String("F4"))
            QTest::keyClick(focus, Qt::Key_F4);
        else if (command == QLatin1String("Button_Exit"))
            QTest::mouseClick(window->findChild<QWidget*>(command), Qt::LeftButton);
        else if (command == QLatin1String("MNFileExit"))
            window->findChild<QAction*>(command)->trigger();
        else
            window->close();
        QCOMPARE(shutdown.size(), shutdowns);
        if (shutdowns > 0)
            QCOMPARE(shutdown.at(0).at(0).toInt(), 0);
        QCOMPARE(window->stopRequested(), stopRequested);
        QCOMPARE(file.size(), fileChoosers);
        QVERIFY(window->isVisible());
    }

    void runViewShowsTheRun() {
        const auto window = Shown(5);
        QVERIFY(window);
        window->setImportFileLabel(QStringLiteral("/data/in.txt"));
        window->setAddNewDocs(false);
        window->setAddExistingDocs(true);
        window->untickLibrary(1);
        window->untickLibrary(7);
        const app::RunChoices choices = window->runChoices();
        QCOMPARE(choices.libraries.size(), 5);
        QCOMPARE(choices.libraries.at(1).name, QStringLiteral("LIBRARY_2"));
        QVERIFY(!choices.libraries.at(1).ticked);
        QVERIFY(choices.libraries.at(0).ticked);
        QCOMPARE(choices.importFile, QStringLiteral("/data/in.txt"));
        QVERIFY(!choices.addNewDocs);
        QVERIFY(choices.addExistingDocs);

        const std::pair<app::RunCounter, const char*> counters[] = {{app::RunCounter::Total, "LabelTotal"},
                                                                    {app::RunCounter::Processed, "LabelRead"},
                                                                    {app::RunCounter::Added, "LabelAdded"},
                                                                    {app::RunCounter::Errors, "LabelErrors"}};
        qint64 value = 1234567;
        for (const auto& [counter, name] : counters) {
            window->setCounter(counter, value);
            QCOMPARE(window->findChild<QLabel*>(QLatin1String(name))->text(), QString::number(value));
            value += 11;
        }
        // "Check only" asks for the same run as Go, one that only checks.
        QSignalSpy go(window.get(), &DMMain::goRequested);
        window->findChild<QPushButton*>(QStringLiteral("Button_Check"))->click();
        window->findChild<QPushButton*>(QStringLiteral("Button_Go"))->click();
        QCOMPARE(go.size(), 2);
        QCOMPARE(go.at(0).at(0).toBool(), true);
        QCOMPARE(go.at(1).at(0).toBool(), false);
        window->setGoEnabled(false);
        for (const char* name : {"Button_Go", "Button_Check"})
            QVERIFY(!window->findChild<QWidget*>(QLatin1String(name))->isEnabled());
        window->showProgress(3, 12);
        QCOMPARE(window->findChild<QProgressBar*>(QStringLiteral("ProgressRun"))->value(), 25);
        window->showProgress(0, 0);
        QCOMPARE(window->findChild<QProgressBar*>(QStringLiteral("ProgressRun"))->value(), 0);
        // The status label is red during a run and dark blue otherwise.
        const auto statusColour = [&] {
            return window->findChild<QLabel*>(QStringLiteral("LabelStatus"))
                ->palette()
                .color(QPalette::WindowText);
        };
        QCOMPARE(statusColour(), QColor(0, 0, 0xC0));
        window->setRunState(app::RunState::Running);
        QCOMPARE(statusColour(), QColor(0xC0, 0, 0));
        window->setRunState(app::RunState::Idle);
        QCOMPARE(statusColour(), QColor(0, 0, 0xC0));
        QSignalSpy shutdown(window.get(), &DMMain::shutdownRequested);
        window->endProgram(2);
        QCOMPARE(shutdown.size(), 1);
        QCOMPARE(shutdown.at(0).at(0).toInt(), 2);
    }

    // During a run the window yields to its event loop: these stay live, the others wait for its end.
    void whatStaysLiveDuringARun_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("live");
        for (const char* name : {"LibBox", "CheckAddExistingDocs", "CheckAddNewDocs", "CheckLogMethod",
                                 "MNToggleLibs", "MNLogView", "MNHelpReadme", "MNFileExit", "Button_Exit"})
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        for (const char* name :
             {"MNLibMain", "MNQorvOptions", "MNLogPurge", "MNHelpAbout", "Button_Configure", "ComboImportSet",
              "ButtonFile", "CheckFillFromLine", "ButtonLogDir"})
            QTest::newRow(name) << QString::fromLatin1(name) << false;
    }

    void whatStaysLiveDuringARun() {
        QFETCH(QString, name);
        QFETCH(bool, live);
        const auto window = Shown(3);
        QVERIFY(window);
        QObject* control = nullptr;
        if (auto* menu = window->findChild<QMenu*>(name))
            control = menu->menuAction();
        else if (auto* action = window->findChild<QAction*>(name))
            control = action;
        else
            control = window->findChild<QWidget*>(name);
        QVERIFY(control);
        for (const bool running : {true, false}) {
            window->setRunInProgress(running);
            QCOMPARE(control->property("enabled").toBool(), live || !running);
        }
    }

    // Purge Log during a run would delete the log the run is writing.
    void purgeLogDuringARunLeavesTheLog() {
        const auto window = Shown(1);
        QVERIFY(window);
        m_harness.prompter.answer = AnswerYes;
        m_harness.log.WriteLog(QStringLiteral("a line of the run"));
        m_harness.log.Flush();
        const QString file = m_harness.log.datedName();
        QVERIFY(QFileInfo::exists(file));
        auto* purge = window->findChild<QAction*>(QStringLiteral("MNLogPurge"));
        window->setRunInProgress(true);
        purge->trigger();
        QVERIFY(QFileInfo::exists(file));
        QVERIFY(m_harness.prompter.prompts.empty());
        // Right-clicking the library label opens no menu either.
        auto* menu = window->findChild<QMenu*>(QStringLiteral("MNLibMain"));
        QTest::mouseRelease(window->findChild<QLabel*>(QStringLiteral("LabelLibraryName")), Qt::RightButton,
                            {}, QPoint(2, 2));
        QVERIFY(!menu->isVisible());
        QVERIFY(SaveScreenshot(*window, QStringLiteral("main-window-during-run.png")));
        // Once the run is over the log can be purged again.
        window->setRunInProgress(false);
        purge->trigger();
        QVERIFY(!QFileInfo::exists(file));
        m_harness.prompter.answer = 0;
        m_harness.prompter.prompts.clear();
    }

    // The run reads the choices it leaves live while it goes: they are read from the boxes each time.
    void runChoicesAreTheBoxesAsTheyAreNow() {
        const auto window = Shown(3);
        QVERIFY(window);
        window->setAddExistingDocs(true);
        window->setAddNewDocs(true);
        window->setRunInProgress(true);
        const QList<QCheckBox*> boxes = window->findChildren<QCheckBox*>(QStringLiteral("LibBox"));
        const app::RunChoices atGo = window->runChoices();
        QTest::mouseClick(boxes.at(1), Qt::LeftButton);
        QTest::mouseClick(window->findChild<QCheckBox*>(QStringLiteral("CheckAddNewDocs")), Qt::LeftButton);
        app::RunChoices now = window->runChoices();
        QCOMPARE(now.libraries.at(1).ticked, !atGo.libraries.at(1).ticked);
        QVERIFY(atGo.addNewDocs && !now.addNewDocs);
        QVERIFY(now.addExistingDocs);
        window->findChild<QAction*>(QStringLiteral("MNToggleLibs"))->trigger();
        now = window->runChoices();
        for (int e = 0; e < boxes.size(); ++e)
            QCOMPARE(now.libraries.at(e).ticked, boxes.at(e)->isChecked());
        QCOMPARE(now.libraries.at(1).ticked, atGo.libraries.at(1).ticked);
        window->setRunInProgress(false);
    }

    // A start places the window where the last one saved it; saving again gives the same numbers.
    void theWindowKeepsItsPlaceFromStartToStart_data() {
        QTest::addColumn<QPoint>("saved");
        QTest::newRow("middle") << QPoint(100, 272);
        QTest::newRow("near the top left") << QPoint(10, 40);
        QTest::newRow("near the bottom") << QPoint(37, 600);
    }

    void theWindowKeepsItsPlaceFromStartToStart() {
        QFETCH(QPoint, saved);
        QPoint place = saved;
        for (int start = 1; start <= 3; ++start) {
            // As startup does it: placed before it is first shown, then shown.
            auto window = std::make_unique<DMMain>(m_harness.log);
            window->PlaceForm(Libraries(5));
            window->moveTo(place);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            // The inside is where the place says, whatever frame the window got.
            QCOMPARE(window->geometry().topLeft(), place);
            QCOMPARE(window->position(), saved);
            place = window->position();
        }
    }

    void verboseLoggingFollowsTheCheckBox() {
        const auto window = Shown(1);
        QVERIFY(window);
        window->findChild<QCheckBox*>(QStringLiteral("CheckLogMethod"))->setChecked(false);
        QVERIFY(!m_harness.log.verbose());
        window->findChild<QCheckBox*>(QStringLiteral("CheckLogMethod"))->setChecked(true);
        QVERIFY(m_harness.log.verbose());
    }

    void splashClosesOnAKeyAndOnAClickOnItsFrame_data() {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("key") << true;
        QTest::newRow("click on the frame") << false;
    }

    void splashClosesOnAKeyAndOnAClickOnItsFrame() {
        QFETCH(bool, byKey);
        const auto window = Shown(1);
        QVERIFY(window);
        window->setEnabled(false);
        QorvSplash splash(window.get());
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        if (byKey)
            QTest::keyClick(&splash, Qt::Key_Space);
        else
            QTest::mouseRelease(splash.findChild<QWidget*>(QStringLiteral("QorvSplashFrame")),
                                Qt::LeftButton);
        QVERIFY(!splash.isVisible());
        QVERIFY(window->isEnabled());
    }

    void splashAndAboutScreenshots() {
        const auto window = Shown(1);
        QVERIFY(window);
        QorvSplash splash(window.get());
        splash.setDmVersion(QStringLiteral("(5.1.0.5 patch 3)"));
        splash.setBuild(QStringLiteral("1.0.0"), QStringLiteral("Mar 5, 2024"));
        splash.setStatusText(QStringLiteral("Connecting to Hummingbird DM (Fusion) Application"));
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QVERIFY(SaveScreenshot(splash, QStringLiteral("splash.png")));
        splash.hide();

        window->setAboutInfo(QStringLiteral("(5.1.0.5 patch 3)"), QStringLiteral("1.0.0"),
                             QStringLiteral("Mar 5, 2024"));
        bool shown = false;
        WhenModal([&](QWidget& modal) {
            auto* about = qobject_cast<QorvSplash*>(&modal);
            if (!about)
                return;
            shown = about->statusText() == QLatin1String("Press any key to continue") &&
                    about->findChild<QLabel*>(QStringLiteral("ProductName"))->text() ==
                        QorvSplash::DesignProductName() + QStringLiteral(" (5.1.0.5 patch 3)") &&
                    about->findChild<QLabel*>(QStringLiteral("QorvVersion"))->text() ==
                        QLatin1String("Build 1.0.0 - Mar 5, 2024");
            SaveScreenshot(*about, QStringLiteral("about.png"));
            QTest::keyClick(about, Qt::Key_Return);
        });
        window->HelpAbout();
        QVERIFY(shown);
    }
};

QTEST_MAIN(DMMainTest)
#include "DMMainTest.moc"
