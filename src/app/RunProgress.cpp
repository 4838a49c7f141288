#include "app/RunProgress.h"

#include "common/Text.h"

namespace vantrelis::app {

void RunProgress::Start() {
    *this = RunProgress{};
}

void RunProgress::PathDone(qint64 pathsLeft) {
    ++m_items;
    ++m_pathsDone;
    m_pathsLeft = pathsLeft;
}

QString RunProgress::Rate(qint64 elapsedMs) {
    if (elapsedMs <= 0 || (m_lastAt >= 0 && elapsedMs - m_lastAt < kIntervalMs))
        return QString();
    m_lastAt = elapsedMs;
    QString text = FormatWhole(m_items * 1000 / elapsedMs) + QStringLiteral(" items/s");
    if (m_pathsDone > 0)
        text += QStringLiteral(", about ") + Duration(m_pathsLeft * elapsedMs / m_pathsDone / 1000) +
                QStringLiteral(" left");
    return text;
}

QString RunProgress::Duration(qint64 seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace vantrelis::app
