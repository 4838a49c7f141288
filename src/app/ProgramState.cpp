#include "app/ProgramState.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vantrelis::app {

QString ProgramState::FindReadme(const QString& programFolder) {
    const QString name = QLatin1String(kReadmeName);
    const QString beside = QDir(programFolder).filePath(name);
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed = QDir(programFolder).filePath(QStringLiteral("../share/vantrelis/") + name);
    if (QFileInfo(installed).isFile())
        return QDir::cleanPath(installed);
    const QString shared =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("vantrelis/") + name);
    return shared.isEmpty() ? beside : shared;
}

} // namespace vantrelis::app
