// The import run started from the main window's Go button, on the demo libraries.

#include "DemoBuilder.h"
#include "WindowTestSupport.h"
#include "gui/ProgramLook.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace vantrelis::testing {
namespace {

using gui::DMMain;

class RunWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    tools::DemoSummary m_demo;

    QString Counter(DMMain& main, const char* name) {
        return Child<QLabel>(main, QLatin1String(name))->text();
    }

private Q_SLOTS:
    void initTestCase() {
        gui::ApplyProgramLook(*qApp);
        m_demo = tools::DemoBuilder(m_folder.path()).Build();
    }

    void goRunsTheImportAndShowsItsCounters() {
        const QString importFile = m_folder.filePath(QStringLiteral("window.csv"));
        QFile file(importFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("C1001,M2001,WINDOW ONE\r\nC1002,M2004,WINDOW TWO\r\n,M2001,MEMO\r\n");
        file.close();

        ProgramWindows started(m_demo.serverFile);
        QVERIFY(started.Start());
        DMMain& main = started.windows->main();
        main.setImportFileLabel(importFile);
        for (QCheckBox* box : main.findChildren<QCheckBox*>(QStringLiteral("LibBox")))
            box->setChecked(box->text() == QLatin1String(tools::DemoBuilder::kMssqlLibrary));

        Child<QPushButton>(main, QStringLiteral("Button_Go"))->click();

        const std::vector<Prompt>& boxes = started.program.harness.prompter.prompts;
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes.front().text, QStringLiteral("Finished processing."));
        // Two paths whose deepest folder is new, one whose first level has no name.
        QCOMPARE(Counter(main, "LabelTotal"), QStringLiteral("3"));
        QCOMPARE(Counter(main, "LabelRead"), QStringLiteral("3"));
        QCOMPARE(Counter(main, "LabelAdded"), QStringLiteral("2"));
        QCOMPARE(Counter(main, "LabelErrors"), QStringLiteral("1"));
        QVERIFY(Child<QPushButton>(main, QStringLiteral("Button_Go"))->isEnabled());
        QVERIFY(
            started.program.harness.Lines().join(QLatin1Char('\n')).contains(QStringLiteral("WINDOW ONE")));
        QVERIFY(SaveScreenshot(main, QStringLiteral("main-window-after-run.png")));
    }
};

} // namespace
} // namespace vantrelis::testing

QTEST_MAIN(vantrelis::testing::RunWindowTest)
#include "RunWindowTest.moc"
