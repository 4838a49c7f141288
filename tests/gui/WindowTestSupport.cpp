#include "WindowTestSupport.h"

#include "common/ProductInfo.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QPixmap>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

namespace vantrelis::testing {

bool SaveScreenshot(QWidget& window, const QString& fileName) {
    const QString folder = QStringLiteral(VANTRELIS_SCREENSHOTS);
    if (!QDir().mkpath(folder))
        return false;
    return window.grab().save(QDir(folder).filePath(fileName));
}

namespace {

void CloseIfOpen(QWidget* window) {
    if (!window || !window->isVisible())
        return;
    if (auto* dialog = qobject_cast<QDialog*>(window))
        dialog->reject();
    else
        window->close();
}

void PollForModal(std::shared_ptr<std::function<void(QWidget&)>> act, int loopLevel,
                  QDeadlineTimer deadline) {
    QTimer::singleShot(10, qApp, [act, loopLevel, deadline] {
        QWidget* modal = QApplication::activeModalWidget();
        // Showing a window lets timers run before its exec() has started its own event loop; a window
        // closed then stays hidden while exec() waits for ever. So the window must also be one event
        // loop deeper than the test that waits on it.
        const bool ready = modal && modal->isVisible() && QThread::currentThread()->loopLevel() > loopLevel;
        if (ready) {
            const QPointer<QWidget> window(modal);
            (*act)(*modal);
            // A check that failed inside `act` leaves it early: the window still has to go.
            CloseIfOpen(window);
        } else if (deadline.hasExpired()) {
            qWarning("No modal window was shown in time");
            CloseIfOpen(modal);
        } else {
            PollForModal(act, loopLevel, deadline);
        }
    });
}

} // namespace

void WhenModal(std::function<void(QWidget&)> act) {
    PollForModal(std::make_shared<std::function<void(QWidget&)>>(std::move(act)),
                 QThread::currentThread()->loopLevel(), QDeadlineTimer(30000));
}

ProgramWindows::ProgramWindows(const QString& serverFile) : program(serverFile) {
    program.settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("LogFile"),
                          program.context.log().baseName());
    app::ProgramState state;
    state.programFolder = program.harness.folder.path();
    windows = std::make_unique<gui::MainProgram>(program.context, registry, program.harness.launcher, state,
                                                 [](int) {});
}

bool ProgramWindows::Start() {
    return windows->Start() && QTest::qWaitForWindowExposed(&windows->main());
}

} // namespace vantrelis::testing
