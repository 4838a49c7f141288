// The DM settings viewer window on the demo libraries, offscreen.

#include "gui/QorvOptions.h"
#include "DemoBuilder.h"
#include "WindowTestSupport.h"
#include "gui/ProgramLook.h"
#include "support/ConnectedProgram.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace vantrelis;
using namespace vantrelis::gui;
using namespace vantrelis::testing;

namespace {

const QString kCurrent = QLatin1String(tools::DemoBuilder::kMssqlLibrary);

QStringList Entries(const QComboBox& combo) {
    QStringList entries;
    for (int i = 0; i < combo.count(); ++i)
        entries.append(combo.itemText(i));
    return entries;
}

// Chooses an entry as the user does: opens the list and clicks the entry.
void Choose(QComboBox& combo, const QString& entry) {
    const int target = combo.findText(entry);
    QVERIFY(target >= 0);
    combo.showPopup();
    QAbstractItemView* list = combo.view();
    QVERIFY(QTest::qWaitForWindowExposed(list->window()));
    const QModelIndex index = list->model()->index(target, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    QTRY_VERIFY(!list->isVisible());
    QCOMPARE(combo.currentIndex(), target);
}

QStringList PanelTexts(QWidget& form) {
    QStringList texts;
    for (QLabel* panel : Child<QStatusBar>(form, QStringLiteral("StatusBarInfo"))->findChildren<QLabel*>())
        texts.append(panel->text());
    return texts;
}

} // namespace

class QorvOptionsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QorvOptions> Shown() {
        auto form = std::make_unique<QorvOptions>(*m_viewer);
        if (!form->Form_Load())
            return nullptr;
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return nullptr;
        return form;
    }

    int Connections() const {
        return static_cast<int>(
            m_program->harness.LinesSinceMark().filter(QStringLiteral("Connecting to library ")).size());
    }

    QTemporaryDir m_folder;
    tools::DemoSummary m_demo;
    std::unique_ptr<ConnectedProgram> m_program;
    std::unique_ptr<app::DmSettingsViewer> m_viewer;

private Q_SLOTS:
    void initTestCase() {
        ApplyProgramLook(*qApp);
        m_demo = tools::DemoBuilder(m_folder.path()).Build();
    }

    void init() {
        m_program = std::make_unique<ConnectedProgram>(m_demo.serverFile);
        QVERIFY(m_program->context.connection().StartFusion());
        m_program->harness.Mark();
        m_viewer = std::make_unique<app::DmSettingsViewer>(
            m_program->context.session(), m_program->context.log(),
            [this](const QString& name) { return m_program->context.connection().ConnectLibrary(name); });
    }

    void cleanup() {
        m_viewer.reset();
        m_program.reset();
    }

    void showsTheCurrentLibrarysParameters() {
        const auto form = Shown();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("eDOCS Local Settings"));
        auto* libraries = Child<QComboBox>(*form, QStringLiteral("ComboLibList"));
        QStringList names;
        for (const tools::DemoLibrarySummary& library : m_demo.libraries)
            names.append(library.name);
        QCOMPARE(Entries(*libraries), names);
        QCOMPARE(libraries->currentText(), kCurrent);
        auto* parameters = Child<QComboBox>(*form, QStringLiteral("ComboPropertyItem"));
        QVERIFY(Entries(*parameters).contains(QStringLiteral("User.ManageRootFolders")));
        QCOMPARE(parameters->currentIndex(), 0);

        Choose(*parameters, QStringLiteral("User.CreateFolder"));
        QCOMPARE(Child<QLabel>(*form, QStringLiteral("LabelPropertyResult"))->text(), QStringLiteral("True"));
        QCOMPARE(Child<QLabel>(*form, QStringLiteral("LabelPropertyValue"))->text(),
                 QStringLiteral("Property Value:"));
        QCOMPARE(PanelTexts(*form),
                 QStringList({kCurrent, QLatin1String(tools::DemoBuilder::kLoginUser),
                              m_program->context.session().currentLibrary->primaryGroup()}));
        QStringList tips;
        for (QLabel* panel :
             Child<QStatusBar>(*form, QStringLiteral("StatusBarInfo"))->findChildren<QLabel*>())
            tips.append(panel->toolTip());
        QCOMPARE(tips, QStringList({QStringLiteral("Your primary library"), QStringLiteral("Your User ID"),
                                    QStringLiteral("Your primary group")}));
        QVERIFY(SaveScreenshot(*form, QStringLiteral("dm-settings.png")));

        QTest::mouseClick(Child<QPushButton>(*form, QStringLiteral("ButtonExit")), Qt::LeftButton);
        QVERIFY(!form->isVisible());
        QCOMPARE(m_program->context.session().LibraryName(), kCurrent);
        QCOMPARE(Connections(), 0);
    }

    void eachLibraryIsShownAndThePreviousOneRestored_data() {
        QTest::addColumn<QString>("library");
        QTest::addColumn<int>("connections");
        QTest::newRow("oracle") << QString::fromLatin1(tools::DemoBuilder::kOracleLibrary) << 2;
        QTest::newRow("small") << QString::fromLatin1(tools::DemoBuilder::kSmallLibrary) << 2;
        QTest::newRow("current") << kCurrent << 0;
    }

    void eachLibraryIsShownAndThePreviousOneRestored() {
        QFETCH(QString, library);
        QFETCH(int, connections);
        ProgramWindows started(m_demo.serverFile);
        QVERIFY(started.Start());
        ConnectedProgram& program = started.program;
        program.harness.Mark();
        bool shown = false;
        bool busy = true;
        WhenModal([&](QWidget& form) {
            shown = qobject_cast<QorvOptions*>(&form) != nullptr && form.isModal();
            // The pointer is the normal one while the viewer is open.
            busy = QApplication::overrideCursor() != nullptr;
            auto* parameters = Child<QComboBox>(form, QStringLiteral("ComboPropertyItem"));
            auto* result = Child<QLabel>(form, QStringLiteral("LabelPropertyResult"));
            Choose(*parameters, QStringLiteral("Library.Name"));
            Choose(*Child<QComboBox>(form, QStringLiteral("ComboLibList")), library);
            QCOMPARE(program.context.session().LibraryName(), library);
            QCOMPARE(parameters->currentText(), QStringLiteral("Library.Name"));
            QCOMPARE(result->text(), library);
            QCOMPARE(PanelTexts(form).mid(0, 2),
                     QStringList({kCurrent, QLatin1String(tools::DemoBuilder::kLoginUser)}));
            for (const char* name : {"User.CreateFolder", "User.ManageRootFolders"}) {
                Choose(*parameters, QLatin1String(name));
                QVERIFY(!result->text().isEmpty());
            }
            QTest::mouseClick(Child<QPushButton>(form, QStringLiteral("ButtonExit")), Qt::LeftButton);
        });
        Child<QAction>(started.windows->main(), QStringLiteral("MNQorvOptions"))->trigger();
        QVERIFY(shown);
        QVERIFY(!busy);
        QCOMPARE(program.context.session().LibraryName(), kCurrent);
        QCOMPARE(
            static_cast<int>(
                program.harness.LinesSinceMark().filter(QStringLiteral("Connecting to library ")).size()),
            connections);
    }
};

QTEST_MAIN(QorvOptionsTest)
#include "QorvOptionsTest.moc"
