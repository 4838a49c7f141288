// The import set editor window on the demo libraries, offscreen.

#include "DemoBuilder.h"
#include "WindowTestSupport.h"
#include "app/ColumnTable.h"
#include "config/FolderRuleDefinition.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LibraryDatabase.h"
#include "gui/DMMain.h"
#include "gui/ProgramLook.h"
#include "gui/Vantrelis_Definition.h"
#include "support/ConnectedProgram.h"
#include "support/LocalEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>
#include <utility>

using namespace vantrelis;
using namespace vantrelis::gui;
using namespace vantrelis::testing;

namespace {

const QString kLibrary = QLatin1String(tools::DemoBuilder::kMssqlLibrary);
const QString kDemoSet = QLatin1String(tools::DemoBuilder::kRuleName);

QStringList Column(const QTreeWidget& list, int column) {
    QStringList cells;
    for (int row = 0; row < list.topLevelItemCount(); ++row)
        cells.append(list.topLevelItem(row)->text(column));
    return cells;
}

} // namespace

class DefinitionWindowTest : public QObject {
    Q_OBJECT

private:
    // A demo whose MSSQL library has two more rules beside the demo's (one naming no column), and a
    // program logged in to it.
    void StartDemo() {
        m_folder = std::make_unique<QTemporaryDir>();
        const tools::DemoSummary demo = tools::DemoBuilder(m_folder->path()).Build();
        for (const tools::DemoLibrarySummary& library : demo.libraries) {
            if (library.name != kLibrary)
                continue;
            auto admin = dm::local::LibraryAdmin::OpenLibrary(library.file, library.engineCode);
            FolderRuleDefinition rule;
            rule.name = QStringLiteral("MATTERS");
            rule.pathTemplate = QStringLiteral("%MATTER.MATTER_ID%%LEFT3% %\\% %YEAR%");
            admin.replaceSettings(rule.settingsRows());
            FolderRuleDefinition noColumns;
            noColumns.name = QStringLiteral("NOCOLS");
            noColumns.pathTemplate = QStringLiteral("%LIBRARY% %\\% %YEAR%");
            admin.replaceSettings(noColumns.settingsRows());
            m_database = library.file;
            m_engine = library.engineCode;
        }
        m_serverFile = demo.serverFile;
        m_program = std::make_unique<ConnectedProgram>(demo.serverFile);
        QVERIFY(m_program->context.connection().StartFusion());
        m_editor = std::make_unique<DefinitionEditor>(
            m_program->context.rules(), m_program->context.importSets(), m_program->context.importSetStore(),
            m_program->context.log(), m_program->context.session());
    }

    std::unique_ptr<Vantrelis_Definition> Shown(const QString& mainWindowSet) {
        auto form = std::make_unique<Vantrelis_Definition>(*m_editor);
        form->Form_Load(mainWindowSet);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return nullptr;
        return form;
    }

    QStringList StoredRows(const QString& set) {
        auto admin = dm::local::LibraryAdmin::OpenLibrary(m_database, m_engine);
        return StoredImportSet(admin, set);
    }

    void ClickRow(Vantrelis_Definition& form, int row) {
        auto* list = Child<QTreeWidget>(form, QStringLiteral("ListSetColumns"));
        const QRect cell = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<ConnectedProgram> m_program;
    std::unique_ptr<DefinitionEditor> m_editor;
    QString m_serverFile;
    QString m_database;
    int m_engine = 0;

private Q_SLOTS:
    void initTestCase() { ApplyProgramLook(*qApp); }
    void init() { StartDemo(); }
    void cleanup() {
        m_editor.reset();
        m_program.reset();
        m_folder.reset();
    }

    void showsTheDemoSetWithTheRulesColumns() {
        const auto form = Shown(kDemoSet);
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("Vantrelis Import Set Definition"));
        auto* chooser = Child<QComboBox>(*form, QStringLiteral("ComboImportSet"));
        QCOMPARE(chooser->currentText(), kDemoSet);
        QCOMPARE(chooser->count(), 3);
        auto* list = Child<QTreeWidget>(*form, QStringLiteral("ListSetColumns"));
        QCOMPARE(list->toolTip(), QStringLiteral("Make changes to each column as applicable"));
        QCOMPARE(
            Column(*list, 0),
            QStringList({QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), QStringLiteral("MATTER.MATTER_ID"),
                         QStringLiteral("DOCUMENTTYPE.TYPE_ID"), QStringLiteral("AUTHOR.PRIMARY_GROUP"),
                         QStringLiteral("TYPIST.PRIMARY_GROUP")}));
        QCOMPARE(Column(*list, 1), QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                                QString(), QString()}));
        QCOMPARE(Child<QLineEdit>(*form, QStringLiteral("TextDelimiter"))->text(), QStringLiteral(","));
        QCOMPARE(Child<QLabel>(*form, QStringLiteral("LabelTemplateText"))->text(),
                 FolderRuleDefinition::DefaultTemplate());
        QCOMPARE(Child<QPushButton>(*form, QStringLiteral("ButtonApply"))->toolTip(),
                 QStringLiteral("Apply settings"));

        ClickRow(*form, 1);
        QCOMPARE(Child<QGroupBox>(*form, QStringLiteral("FrameInside"))->title(),
                 QStringLiteral("MATTER.MATTER_ID:"));
        QCOMPARE(Child<QLineEdit>(*form, QStringLiteral("TextStart"))->text(), QStringLiteral("2"));
        QVERIFY(Child<QCheckBox>(*form, QStringLiteral("CheckSort"))->isChecked());
        QCOMPARE(Child<QLabel>(*form, QStringLiteral("LabelStart"))->text(), QStringLiteral("Column:"));
        QVERIFY(!Child<QLineEdit>(*form, QStringLiteral("TextEnd"))->isVisible());
        QVERIFY(SaveScreenshot(*form, QStringLiteral("import-set-editor.png")));
    }

    void delimiterHidesTheEndBox_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("startCaption");
        QTest::addColumn<bool>("endShown");
        QTest::newRow("cleared") << QString() << QStringLiteral("Start:") << true;
        QTest::newRow("semicolon") << QStringLiteral(";") << QStringLiteral("Column:") << false;
        QTest::newRow("bar") << QStringLiteral("|") << QStringLiteral("Column:") << false;
    }

    void delimiterHidesTheEndBox() {
        QFETCH(QString, typed);
        QFETCH(QString, startCaption);
        QFETCH(bool, endShown);
        const auto form = Shown(kDemoSet);
        QVERIFY(form);
        ClickRow(*form, 0);
        auto* delimiter = Child<QLineEdit>(*form, QStringLiteral("TextDelimiter"));
        delimiter->setFocus();
        delimiter->selectAll();
        QTest::keyClick(delimiter, Qt::Key_Backspace);
        if (!typed.isEmpty())
            QTest::keyClicks(delimiter, typed);
        QCOMPARE(Child<QLabel>(*form, QStringLiteral("LabelStart"))->text(), startCaption);
        QCOMPARE(Child<QLineEdit>(*form, QStringLiteral("TextEnd"))->isVisible(), endShown);
        QCOMPARE(Child<QLabel>(*form, QStringLiteral("LabelEnd"))->isVisible(), endShown);
        if (endShown)
            QVERIFY(SaveScreenshot(*form, QStringLiteral("import-set-editor-fixed.png")));
        form->close();
        QCOMPARE(StoredRows(kDemoSet).at(0), typed.isEmpty()
                                                 ? QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID:1:0::0")
                                                 : QStringLiteral("DELIMITER:") + typed);
    }

    void positionBoxesTakeWholeNumbersOnLeaving_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("message");
        const QString refused = QStringLiteral("Column must be a whole number from 0 to 1000000000");
        QTest::newRow("leading zeros") << QStringLiteral("007") << QStringLiteral("7") << QString();
        QTest::newRow("letters") << QStringLiteral("abc") << QStringLiteral("3") << refused;
        QTest::newRow("letters and a sign") << QStringLiteral("abc-5") << QStringLiteral("3") << refused;
        QTest::newRow("number and letters") << QStringLiteral("7abc") << QStringLiteral("3") << refused;
        QTest::newRow("negative") << QStringLiteral("-5") << QStringLiteral("3") << refused;
        QTest::newRow("too large") << QStringLiteral("99999999999999") << QStringLiteral("3") << refused;
        QTest::newRow("fraction") << QStringLiteral("2.5") << QStringLiteral("3") << refused;
    }

    void positionBoxesTakeWholeNumbersOnLeaving() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(QString, message);
        const auto form = Shown(kDemoSet);
        QVERIFY(form);
        ClickRow(*form, 2);
        auto* start = Child<QLineEdit>(*form, QStringLiteral("TextStart"));
        auto* shown = Child<QLabel>(*form, QStringLiteral("LabelBoxMessage"));
        start->setFocus();
        start->selectAll();
        QTest::keyClicks(start, typed);
        QCOMPARE(start->text(), typed);
        QTest::keyClick(start, Qt::Key_Tab);
        QCOMPARE(start->text(), kept);
        QCOMPARE(shown->text(), message);
        // Choosing another row keeps the value in the row left.
        ClickRow(*form, 0);
        QCOMPARE(Child<QTreeWidget>(*form, QStringLiteral("ListSetColumns"))->topLevelItem(2)->text(1), kept);
        form->close();
        QVERIFY(StoredRows(kDemoSet).contains(QStringLiteral("DOCUMENTTYPE.TYPE_ID:") + kept +
                                              QStringLiteral(":0::1")));
    }

    // A refusal gives back the value the box last took, not the stored one.
    void aRefusedValueGivesWayToTheLastOneTaken() {
        const auto form = Shown(kDemoSet);
        QVERIFY(form);
        ClickRow(*form, 2);
        auto* start = Child<QLineEdit>(*form, QStringLiteral("TextStart"));
        for (const auto& [typed, kept] : {std::pair{"12", "12"}, std::pair{"x", "12"}, std::pair{"", "12"}}) {
            start->setFocus();
            start->selectAll();
            QTest::keyClick(start, Qt::Key_Backspace);
            QTest::keyClicks(start, QLatin1String(typed));
            QTest::keyClick(start, Qt::Key_Tab);
            QCOMPARE(start->text(), QLatin1String(kept));
        }
        QVERIFY(!Child<QLabel>(*form, QStringLiteral("LabelBoxMessage"))->text().isEmpty());
        QTest::mouseClick(Child<QPushButton>(*form, QStringLiteral("ButtonApply")), Qt::LeftButton);
        QCOMPARE(Child<QTreeWidget>(*form, QStringLiteral("ListSetColumns"))->topLevelItem(2)->text(1),
                 QStringLiteral("12"));
    }

    void delimiterAndDefaultRefuseWhatCannotBeStored() {
        const auto form = Shown(kDemoSet);
        QVERIFY(form);
        ClickRow(*form, 1);
        auto* delimiter = Child<QLineEdit>(*form, QStringLiteral("TextDelimiter"));
        delimiter->setFocus();
        delimiter->selectAll();
        QTest::keyClick(delimiter, Qt::Key_Backspace);
        QTest::keyClicks(delimiter, QStringLiteral("ab;"));
        QCOMPARE(delimiter->text(), QStringLiteral("a"));
        QCOMPARE(Child<QLabel>(*form, QStringLiteral("LabelDelimiterMessage"))->text(),
                 QStringLiteral("The delimiter is one character"));
        auto* start = Child<QLineEdit>(*form, QStringLiteral("TextStart"));
        start->setFocus();
        start->selectAll();
        QTest::keyClicks(start, QStringLiteral("abc-5"));
        QTest::keyClick(start, Qt::Key_Tab);
        QCOMPARE(start->text(), QStringLiteral("2"));
        QVERIFY(SaveScreenshot(*form, QStringLiteral("import-set-editor-refused.png")));

        auto* defaultBox = Child<QLineEdit>(*form, QStringLiteral("TextDefault"));
        defaultBox->setFocus();
        QTest::keyClicks(defaultBox, QStringLiteral("A:B"));
        QCOMPARE(defaultBox->text(), QStringLiteral("AB"));
        QCOMPARE(Child<QLabel>(*form, QStringLiteral("LabelBoxMessage"))->text(),
                 QStringLiteral("A default cannot hold \":\""));
        QTest::mouseClick(Child<QPushButton>(*form, QStringLiteral("ButtonApply")), Qt::LeftButton);
        form->close();
        const QStringList stored = StoredRows(kDemoSet);
        QCOMPARE(stored.at(0), QStringLiteral("DELIMITER:a"));
        QCOMPARE(stored.at(2), QStringLiteral("MATTER.MATTER_ID:2:0:AB:1"));
    }

    void aSetWithNoColumnsSaysSo() {
        const auto form = Shown(QStringLiteral("NOCOLS"));
        QVERIFY(form);
        auto* message = Child<QLabel>(*form, QStringLiteral("LabelSetMessage"));
        QVERIFY(message->isVisible());
        QCOMPARE(message->text(),
                 QStringLiteral("Import Set NOCOLS has no columns: the template and security "
                                "of its rule name none"));
        QCOMPARE(Child<QTreeWidget>(*form, QStringLiteral("ListSetColumns"))->topLevelItemCount(), 0);
        QVERIFY(SaveScreenshot(*form, QStringLiteral("import-set-editor-no-columns.png")));
        auto* chooser = Child<QComboBox>(*form, QStringLiteral("ComboImportSet"));
        chooser->setFocus();
        QTest::keyClick(chooser, Qt::Key_Home);
        QCOMPARE(chooser->currentText(), kDemoSet);
        QVERIFY(!message->isVisible());
    }

    void switchingSetsSavesTheOneShown() {
        const auto form = Shown(kDemoSet);
        QVERIFY(form);
        QCOMPARE(StoredRows(kDemoSet).size(), 4);
        m_program->harness.Mark();
        auto* chooser = Child<QComboBox>(*form, QStringLiteral("ComboImportSet"));
        chooser->setFocus();
        QTest::keyClick(chooser, Qt::Key_Down);
        QCOMPARE(chooser->currentText(), QStringLiteral("MATTERS"));
        QVERIFY(m_program->harness.LinesSinceMark().contains(
            QStringLiteral("Saving Settings for Import Set ") + kDemoSet));
        // Unchanged, but written again with every column the rule offers.
        QCOMPARE(StoredRows(kDemoSet), QStringList({QStringLiteral("DELIMITER:,"),
                                                    QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID:1:0::0"),
                                                    QStringLiteral("MATTER.MATTER_ID:2:0::1"),
                                                    QStringLiteral("DOCUMENTTYPE.TYPE_ID:3:0::1"),
                                                    QStringLiteral("AUTHOR.PRIMARY_GROUP:0:0::0"),
                                                    QStringLiteral("TYPIST.PRIMARY_GROUP:0:0::0")}));
        auto* list = Child<QTreeWidget>(*form, QStringLiteral("ListSetColumns"));
        QCOMPARE(Column(*list, 0), QStringList{QStringLiteral("MATTER.MATTER_ID")});
        QCOMPARE(Child<QLabel>(*form, QStringLiteral("LabelStart"))->text(), QStringLiteral("Start:"));
        QVERIFY(Child<QGroupBox>(*form, QStringLiteral("FrameInside"))->title().isEmpty());
    }

    void configureOpensTheEditorOnTheMainWindowsSet() {
        ProgramWindows started(m_serverFile);
        QVERIFY(started.Start());
        DMMain& main = started.windows->main();
        auto* sets = Child<QComboBox>(main, QStringLiteral("ComboImportSet"));
        sets->setCurrentIndex(sets->findText(QStringLiteral("MATTERS")));
        QString shown;
        bool modal = false;
        WhenModal([&](QWidget& dialog) {
            auto* form = qobject_cast<Vantrelis_Definition*>(&dialog);
            modal = form && form->isModal();
            shown = Child<QComboBox>(dialog, QStringLiteral("ComboImportSet"))->currentText();
            ClickRow(*form, 0);
            auto* start = Child<QLineEdit>(dialog, QStringLiteral("TextStart"));
            start->setFocus();
            start->selectAll();
            QTest::keyClicks(start, QStringLiteral("4"));
            QTest::keyClicks(Child<QLineEdit>(dialog, QStringLiteral("TextDefault")),
                             QStringLiteral("LEGAL"));
            QTest::mouseClick(Child<QPushButton>(dialog, QStringLiteral("ButtonApply")), Qt::LeftButton);
            QTest::mouseClick(Child<QPushButton>(dialog, QStringLiteral("ButtonExit")), Qt::LeftButton);
        });
        QTest::mouseClick(Child<QPushButton>(main, QStringLiteral("Button_Configure")), Qt::LeftButton);
        QVERIFY(modal);
        QCOMPARE(shown, QStringLiteral("MATTERS"));
        // What the next run cuts its lines with.
        const app::ColumnTable columns =
            app::ColumnTable::Load(started.program.context.importSets(), kLibrary, QStringLiteral("MATTERS"));
        QCOMPARE(columns.count(), 1);
        QCOMPARE(columns.column(0).name, QStringLiteral("MATTER.MATTER_ID"));
        QCOMPARE(columns.column(0).start, QStringLiteral("4"));
        QCOMPARE(columns.column(0).defaultValue, QStringLiteral("LEGAL"));
    }
};

QTEST_MAIN(DefinitionWindowTest)
#include "DefinitionWindowTest.moc"
