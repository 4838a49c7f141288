#pragma once

#include <QDateTime>

namespace vantrelis {

// "Now", injected so that log names, date tokens and abstracts can be tested.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace vantrelis
