#include "support/LogHarness.h"

#include <QFile>

namespace vantrelis::testing {

LogHarness::LogHarness() {
    log.setBaseName(folder.filePath(QStringLiteral("test.log")));
    log.setStatusView(&status);
}

QStringList LogHarness::Lines() const {
    QFile file(Log::DatedName(log.baseName(), clock.now().date()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList LogHarness::LinesSinceMark() const {
    return Lines().mid(m_mark);
}

void LogHarness::Mark() {
    m_mark = static_cast<int>(Lines().size());
}

} // namespace vantrelis::testing
