#include "WindowTestSupport.h"

#include "common/ProductInfo.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QTimer>

namespace vantrelis::testing {

bool SaveScreenshot(QWidget& window, const QString& fileName) {
    const QString folder = QStringLiteral(VANTRELIS_SCREENSHOTS);
    if (!QDir().mkpath(folder))
        return false;
    return window.grab().save(QDir(folder).filePath(fileName));
}

void WhenModal(std::function<void(QWidget&)> act) {
    QTimer::singleShot(10, qApp, [act = std::move(act)]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible())
            act(*modal);
        else
            WhenModal(std::move(act));
    });
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
