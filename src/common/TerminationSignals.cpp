#include "common/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vantrelis {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe's write end, for the handler: a signal handler can reach nothing else.
volatile sig_atomic_t g_writeEnd = -1;

void SetAction(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals)
        sigaction(number, &action, nullptr);
}

// Async-signal-safe: sigaction and write only, errno kept.
void OnSignal(int number) {
    const int savedErrno = errno;
    SetAction(SIG_DFL);
    const unsigned char byte = static_cast<unsigned char>(number);
    if (g_writeEnd >= 0) {
        const ssize_t written = ::write(g_writeEnd, &byte, 1);
        static_cast<void>(written);
    }
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void(const QString& name)> received)
    : m_received(std::move(received)) {
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_writeEnd = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { Receive(); });
    SetAction(OnSignal);
    m_installed = true;
}

TerminationSignals::~TerminationSignals() {
    if (m_installed)
        SetAction(SIG_DFL);
    g_writeEnd = -1;
    m_notifier.reset();
    for (int end : m_pipe)
        if (end >= 0)
            ::close(end);
}

QString TerminationSignals::Name(int signalNumber) {
    switch (signalNumber) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal %1").arg(signalNumber);
    }
}

void TerminationSignals::Receive() noexcept {
    try {
        unsigned char byte = 0;
        while (::read(m_pipe[0], &byte, 1) == 1)
            if (m_received)
                m_received(Name(byte));
    } catch (...) {
    }
}

} // namespace vantrelis
