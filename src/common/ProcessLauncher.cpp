#include "common/ProcessLauncher.h"

#include <QProcess>

namespace vantrelis {

bool ProcessLauncher::startDetached(const QString& program, const QStringList& arguments) {
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, arguments);
}

} // namespace vantrelis
