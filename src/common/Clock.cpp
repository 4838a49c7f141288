#include "common/Clock.h"

namespace vantrelis {

QDateTime SystemClock::now() const {
    const qint64 utcMs = QDateTime::currentMSecsSinceEpoch();
    // A clock set back counts as a new minute too.
    if (!m_offsetTaken || utcMs - m_offsetTakenMs >= 60000 || utcMs < m_offsetTakenMs) {
        m_offsetSeconds = QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc();
        m_offsetTakenMs = utcMs;
        m_offsetTaken = true;
    }
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::OffsetFromUTC, m_offsetSeconds);
}

} // namespace vantrelis
