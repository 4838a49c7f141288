// The import run started from the main window's Go button, on the demo libraries.

#include "DemoBuilder.h"
#include "WindowTestSupport.h"
#include "gui/MessageBoxPrompter.h"
#include "gui/ProgramLook.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

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

    // A question with a warning icon, as the undo asks: Yes and No, and the warning icon.
    void aQuestionWithAnIconKeepsItsButtons() {
        gui::MessageBoxPrompter prompter;
        bool yesNo = false;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModal([&](QWidget& window) {
            auto* box = qobject_cast<QMessageBox*>(&window);
            QVERIFY(box);
            yesNo = box->standardButtons() == (QMessageBox::Yes | QMessageBox::No);
            icon = box->icon();
            box->button(QMessageBox::Yes)->click();
        });
        QCOMPARE(
            prompter.ask(QStringLiteral("Undo run?"), StyleYesNo | StyleExclamation, QStringLiteral("Undo")),
            AnswerYes);
        QVERIFY(yesNo);
        QCOMPARE(icon, QMessageBox::Warning);
    }

    // File > Undo a run… on the run above: the list, the question with the counts, the undo, and the
    // list again with the run undone.
    void undoARunFromTheFileMenu() {
        ProgramWindows started(m_demo.serverFile);
        QVERIFY(started.Start());
        DMMain& main = started.windows->main();
        for (QCheckBox* box : main.findChildren<QCheckBox*>(QStringLiteral("LibBox")))
            box->setChecked(box->text() == QLatin1String(tools::DemoBuilder::kMssqlLibrary));
        RecordingPrompter& prompter = started.program.harness.prompter;
        prompter.answer = AnswerYes;
        QString runId;
        QString statusAfter;
        int rowsBefore = 0;
        WhenModal([&](QWidget& window) {
            auto* tree = Child<QTreeWidget>(window, QStringLiteral("TreeRuns"));
            QVERIFY(tree);
            rowsBefore = tree->topLevelItemCount();
            QVERIFY(rowsBefore >= 1);
            tree->setCurrentItem(tree->topLevelItem(0));
            runId = tree->topLevelItem(0)->text(0);
            QVERIFY(SaveScreenshot(window, QStringLiteral("undo-a-run.png")));
            Child<QPushButton>(window, QStringLiteral("ButtonUndo"))->click();
            for (int i = 0; i < tree->topLevelItemCount(); ++i)
                if (tree->topLevelItem(i)->text(0) == runId)
                    statusAfter = tree->topLevelItem(i)->text(9);
        });
        main.findChild<QAction*>(QStringLiteral("MNUndoRun"))->trigger();

        QVERIFY(!runId.isEmpty());
        QStringList told;
        for (const Prompt& prompt : prompter.prompts)
            told += prompt.text;
        QVERIFY2(statusAfter == QStringLiteral("undone"),
                 qPrintable(statusAfter + QLatin1Char('\n') + told.join('\n')));
        QVERIFY(prompter.prompts.size() >= 2);
        const QString question = prompter.prompts.at(prompter.prompts.size() - 2).text;
        QVERIFY2(question.startsWith(QStringLiteral("Undo run ") + runId) &&
                     question.contains(QStringLiteral("folders to remove")),
                 qPrintable(question));
        const QString summary = prompter.prompts.back().text;
        QVERIFY2(summary.contains(QStringLiteral("folders removed")) &&
                     summary.contains(QStringLiteral("0 failed")) &&
                     !summary.contains(QStringLiteral(" 0 folders removed")),
                 qPrintable(summary));
    }
};

} // namespace
} // namespace vantrelis::testing

QTEST_MAIN(vantrelis::testing::RunWindowTest)
#include "RunWindowTest.moc"
