#include "common/Clock.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include <ctime>

namespace vantrelis {
namespace {

// The local time the system clock tells is the machine's, whatever the time zone.
TEST(SystemClockTest, TellsTheLocalTimeOfTheZone) {
    const QByteArray saved = qgetenv("TZ");
    for (const char* zone : {"UTC", "Asia/Kolkata", "America/New_York", "Pacific/Chatham"}) {
        qputenv("TZ", zone);
        tzset();
        const SystemClock clock;
        for (int call = 0; call < 2; ++call) {
            const QDateTime expected = QDateTime::currentDateTime();
            const QDateTime told = clock.now();
            EXPECT_EQ(told.offsetFromUtc(), expected.offsetFromUtc()) << zone;
            EXPECT_LE(std::abs(told.toMSecsSinceEpoch() - expected.toMSecsSinceEpoch()), 2000) << zone;
            EXPECT_LE(
                std::abs(
                    QDateTime(told.date(), told.time()).secsTo(QDateTime(expected.date(), expected.time()))),
                2)
                << zone << ": the wall-clock date and time";
        }
    }
    if (saved.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", saved);
    tzset();
}

} // namespace
} // namespace vantrelis
