#include "common/ConfigFile.h"

#include <QFile>
#include <QFileInfo>

namespace vantrelis {

namespace {
QString TooLarge() {
    return QStringLiteral("it is larger than %1 MiB").arg(kMaxConfigFileBytes / (1024 * 1024));
}
} // namespace

QString ConfigFileProblem(const QString& path) {
    // Checked before the file is opened: opening a FIFO would already wait for a writer.
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    if (!info.isFile())
        return QStringLiteral("it is not a regular file");
    if (info.size() > kMaxConfigFileBytes)
        return TooLarge();
    return QString();
}

QString ReadableFileProblem(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return QStringLiteral("it does not exist");
    // A FIFO or a device is refused before it is opened: opening a FIFO waits for a writer.
    if (!info.isFile())
        return QStringLiteral("it is not a regular file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("it cannot be opened (%1)").arg(file.errorString());
    return QString();
}

bool ReadConfigFile(const QString& path, QByteArray& contents, QString& problem) {
    contents.clear();
    problem = ConfigFileProblem(path);
    if (!problem.isEmpty())
        return false;
    QFile file(path);
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        problem = QStringLiteral("it does not exist");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("it cannot be opened (%1)").arg(file.errorString());
        return false;
    }
    // At most one byte more than allowed: a file that grew after the check is still refused.
    contents = file.read(kMaxConfigFileBytes + 1);
    if (contents.size() > kMaxConfigFileBytes) {
        contents.clear();
        problem = TooLarge();
        return false;
    }
    return true;
}

} // namespace vantrelis
