#pragma once

#include <QDateTime>

namespace vantrelis {

// "Now", injected so that log names, date tokens and abstracts can be tested.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// The machine's local time. The local offset from UTC is looked up at most once a minute: a lookup
// reads the time zone file, and the log asks for the time with every line it writes. A change of
// the offset (daylight saving time) shows within that minute.
class SystemClock : public Clock {
public:
    QDateTime now() const override;

private:
    mutable qint64 m_offsetTakenMs = 0;
    mutable int m_offsetSeconds = 0;
    mutable bool m_offsetTaken = false;
};

} // namespace vantrelis
