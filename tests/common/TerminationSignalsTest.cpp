#include "common/TerminationSignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <csignal>
#include <gtest/gtest.h>

namespace vantrelis {
namespace {

void (*CurrentHandler(int number))(int) {
    struct sigaction action = {};
    sigaction(number, nullptr, &action);
    return action.sa_handler;
}

// The signal reaches the event loop by name, and the three signals are back to their default action,
// so that a second one ends the program at once.
TEST(TerminationSignals, FirstSignalReachesTheEventLoopAndTheNextIsLeftToTheSystem) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    QStringList received;
    {
        TerminationSignals signalsHandled(
            [&received](const QString& signalName) { received.append(signalName); });
        ASSERT_TRUE(signalsHandled.installed());
        for (int number : {SIGTERM, SIGINT, SIGHUP})
            EXPECT_NE(CurrentHandler(number), SIG_DFL) << number;
        ASSERT_EQ(std::raise(SIGHUP), 0);
        // Nothing is done inside the handler: the name arrives through the event loop.
        EXPECT_TRUE(received.isEmpty());
        QElapsedTimer waited;
        waited.start();
        while (received.isEmpty() && !waited.hasExpired(5000))
            QCoreApplication::processEvents();
        EXPECT_EQ(received, QStringList{QStringLiteral("SIGHUP")});
        for (int number : {SIGTERM, SIGINT, SIGHUP})
            EXPECT_EQ(CurrentHandler(number), SIG_DFL) << number;
    }
    EXPECT_EQ(TerminationSignals::Name(SIGTERM), QStringLiteral("SIGTERM"));
    EXPECT_EQ(TerminationSignals::Name(SIGINT), QStringLiteral("SIGINT"));
}

} // namespace
} // namespace vantrelis
