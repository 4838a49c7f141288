#include "common/TextViewer.h"

#include <QProcess>
#include <QStringList>

namespace vantrelis {

QString StartTextViewer(Launcher& launcher, const QString& path) {
    QStringList command = QProcess::splitCommand(qEnvironmentVariable("VIEWER"));
    if (command.isEmpty())
        command = {QStringLiteral("xdg-open")};
    const QString viewer = command.takeFirst();
    if (launcher.startDetached(viewer, command << path))
        return QString();
    return QStringLiteral("Error: Unable to start the text viewer ") + viewer + QStringLiteral(" for ") +
           path;
}

} // namespace vantrelis
