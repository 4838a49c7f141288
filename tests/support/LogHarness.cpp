#include "support/LogHarness.h"

#include <QFile>

namespace vantrelis::testing {

QString LogRecorder::baseName() const {
    return folder.filePath(QStringLiteral("test.log"));
}

void LogRecorder::Attach(Log& log) {
    m_log = &log;
    log.setBaseName(baseName());
    log.setStatusView(&status);
}

QStringList LogRecorder::Lines() const {
    if (m_log)
        m_log->Flush();
    QFile file(Log::DatedName(baseName(), clock.now().date()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList LogRecorder::LinesSinceMark() const {
    return Lines().mid(m_mark);
}

void LogRecorder::Mark() {
    m_mark = static_cast<int>(Lines().size());
}

} // namespace vantrelis::testing
