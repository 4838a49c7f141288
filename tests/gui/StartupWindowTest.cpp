// The program's windows brought up by the real startup on temporary local libraries.

#include "WindowTestSupport.h"
#include "app/AppContext.h"
#include "common/IniRegistry.h"
#include "common/ProductInfo.h"
#include "config/FolderRuleDefinition.h"
#include "dm/local/LocalBackend.h"
#include "gui/MainProgram.h"
#include "gui/ProgramLook.h"
#include "support/LocalEnvironment.h"
#include "support/LogHarness.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QTest>
#include <memory>

using namespace vantrelis;
using namespace vantrelis::gui;
using namespace vantrelis::testing;

namespace {

// A login with `count` libraries, the first current with two folder rules; the program brought up
// on it with the windows.
class StartedProgram {
public:
    explicit StartedProgram(int count) {
        for (int i = 1; i <= count; ++i) {
            auto& admin = environment.AddLibrary(QStringLiteral("LIBRARY_%1").arg(i), 10, i == 1);
            if (i == 1)
                for (const char* name : {"CLIENT_MATTER", "MATTERS"})
                    admin.replaceSettings(LocalEnvironment::Rule(QLatin1String(name)).settingsRows());
        }
        environment.WriteServerFile();
        settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("LogFile"),
                      recorder.folder.filePath(QStringLiteral("test.log")));
        settings.save(ProductName(), QStringLiteral("Libraries"), QStringLiteral("LIBRARY_3"),
                      QStringLiteral("0"));
        const QString importFile = recorder.folder.filePath(QStringLiteral("clients and matters 2024.csv"));
        QFile file(importFile);
        if (file.open(QIODevice::WriteOnly))
            file.close();
        settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("LastImportFile"), importFile);

        context = std::make_unique<app::AppContext>(app::CommandLine{}, settings, recorder.prompter,
                                                    recorder.clock, recorder.launcher);
        dm::local::RegisterLocalBackend(context->factory(), environment.serverFile());
        app::ProgramState state;
        state.programFolder = recorder.folder.path();
        state.readmePath = app::ProgramState::FindReadme(state.programFolder);
        program = std::make_unique<MainProgram>(*context, registry, recorder.launcher, state,
                                                [this](int status) { ended.push_back(status); });
    }

    LocalEnvironment environment;
    LogRecorder recorder;
    MemorySettingsStore settings;
    IniRegistry registry;
    std::unique_ptr<app::AppContext> context;
    std::unique_ptr<MainProgram> program;
    std::vector<int> ended;
};

int Top(QWidget& window, const char* name) {
    return window.findChild<QWidget*>(QLatin1String(name))->mapTo(&window, QPoint()).y();
}

} // namespace

class StartupWindowTest : public QObject {
    Q_OBJECT

    int m_singleHeight = 0;
    std::map<QString, int> m_singleTops;

private Q_SLOTS:
    void initTestCase() {
        ApplyProgramLook(*qApp);
        StartedProgram single(1);
        QVERIFY(single.program->Start());
        DMMain& main = single.program->main();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        m_singleHeight = main.height();
        for (const char* name :
             {"FrameMain", "FrameOptions", "FrameCounters", "FrameStatus", "FrameInfo", "FrameButtons"})
            m_singleTops[QLatin1String(name)] = Top(main, name);
    }

    void placesOneBoxPerLibrary_data() {
        QTest::addColumn<int>("libraries");
        QTest::addColumn<int>("rows");
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("four") << 4 << 1;
        QTest::newRow("five") << 5 << 2;
        QTest::newRow("eight") << 8 << 2;
        QTest::newRow("nine") << 9 << 3;
    }

    void placesOneBoxPerLibrary() {
        QFETCH(int, libraries);
        QFETCH(int, rows);
        StartedProgram started(libraries);
        QVERIFY(started.program->Start());
        DMMain& main = started.program->main();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(main.isEnabled());
        QVERIFY(!started.program->splash().isVisible());
        QCOMPARE(main.windowTitle(),
                 QStringLiteral("Vantrelis") + QChar(0x2122) + QStringLiteral(" Import For DM5"));
        QCOMPARE(main.statusText(), QStringLiteral("Waiting for user input"));

        const QList<QCheckBox*> boxes = main.findChildren<QCheckBox*>(QStringLiteral("LibBox"));
        QCOMPARE(boxes.size(), libraries);
        const QCheckBox* first = boxes.front();
        const int rowStep =
            first->height() + qobject_cast<QGridLayout*>(first->parentWidget()->layout())->verticalSpacing();
        const int columnStep = libraries > 1 ? boxes.at(1)->x() - first->x() : 0;
        for (int e = 0; e < libraries; ++e) {
            QCOMPARE(boxes.at(e)->text(), QStringLiteral("LIBRARY_%1").arg(e + 1));
            QCOMPARE(boxes.at(e)->pos(), first->pos() + QPoint((e % 4) * columnStep, (e / 4) * rowStep));
            // Saved "0" unticks; a library never seen before is ticked.
            QCOMPARE(boxes.at(e)->isChecked(), e != 2);
        }
        QVERIFY(libraries == 1 || columnStep >= first->width());
        const int growth = (rows - 1) * rowStep;
        QCOMPARE(main.height(), m_singleHeight + growth);
        for (const auto& [name, top] : m_singleTops)
            QCOMPARE(Top(main, name.toLatin1().constData()),
                     name == QLatin1String("FrameMain") ? top : top + growth);

        const QList<QAction*> entries = main.findChildren<QAction*>(QStringLiteral("MNLibList"));
        QCOMPARE(entries.size(), libraries);
        for (int e = 0; e < libraries; ++e)
            QCOMPARE(entries.at(e)->isChecked(), e == 0);
        QCOMPARE(main.findChild<QLabel*>(QStringLiteral("LabelUserName"))->text(), QStringLiteral("TESTER"));
        QCOMPARE(main.findChild<QLabel*>(QStringLiteral("LabelLibraryName"))->text(),
                 QStringLiteral("LIBRARY_1"));
        QCOMPARE(main.findChild<QComboBox*>(QStringLiteral("ComboImportSet"))->count(), 2);
        QVERIFY(!main.findChild<QAction*>(QStringLiteral("MNHelpReadme"))->isVisible());

        if (libraries == 5)
            QVERIFY(SaveScreenshot(main, QStringLiteral("main-window.png")));

        // Exit saves the boxes and ends the program.
        boxes.front()->setChecked(false);
        QTest::mouseClick(main.findChild<QWidget*>(QStringLiteral("Button_Exit")), Qt::LeftButton);
        QCOMPARE(started.ended, std::vector<int>{0});
        QVERIFY(!main.isVisible());
        QCOMPARE(
            started.settings.read(ProductName(), QStringLiteral("Libraries"), QStringLiteral("LIBRARY_1")),
            QStringLiteral("0"));
    }

    // The place saved at the end is the place the start restored: the window does not creep.
    void savedPlaceIsThePlaceRestored() {
        StartedProgram started(1);
        const auto save = [&](const char* key, const QString& value) {
            started.settings.save(ProductName(), QStringLiteral("General"), QLatin1String(key), value);
        };
        save("Screen.Left", QStringLiteral("100"));
        save("Screen.Top", QStringLiteral("272"));
        QVERIFY(started.program->Start());
        QVERIFY(QTest::qWaitForWindowExposed(&started.program->main()));
        QCOMPARE(started.program->main().geometry().topLeft(), QPoint(100, 272));
        started.program->shutdown().Form_Unload(0);
        const auto saved = [&](const char* key) {
            return started.settings.read(ProductName(), QStringLiteral("General"), QLatin1String(key),
                                         QString());
        };
        QCOMPARE(saved("Screen.Left"), QStringLiteral("100"));
        QCOMPARE(saved("Screen.Top"), QStringLiteral("272"));
    }
};

QTEST_MAIN(StartupWindowTest)
#include "StartupWindowTest.moc"
