#include "common/TextViewer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace vantrelis {

QString StartTextViewer(Launcher& launcher, const QString& path) {
    QStringList command = QProcess::splitCommand(qEnvironmentVariable("VIEWER"));
    const bool chosen = !command.isEmpty();
    if (!chosen)
        command = {QStringLiteral("xdg-open")};
    const QString viewer = command.takeFirst();
    if (launcher.startDetached(viewer, command << path))
        return QString();
    const QString remedy = QStringLiteral("install xdg-open or set VIEWER to a text viewer program");
    if (!chosen && QStandardPaths::findExecutable(viewer).isEmpty())
        return QStringLiteral("No text viewer found: ") + remedy;
    return QStringLiteral("The text viewer ") + viewer + QStringLiteral(" could not be started for ") + path +
           QStringLiteral(": ") + (chosen ? QStringLiteral("set VIEWER to a text viewer program") : remedy);
}

} // namespace vantrelis
