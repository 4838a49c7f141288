#include "WindowTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>

namespace vantrelis::testing {

bool SaveScreenshot(QWidget& window, const QString& fileName) {
    const QString folder = QStringLiteral(VANTRELIS_SCREENSHOTS);
    if (!QDir().mkpath(folder))
        return false;
    // Layouts changed by the last event are redone before the picture is taken.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
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

} // namespace vantrelis::testing
