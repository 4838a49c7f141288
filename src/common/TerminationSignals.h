#pragma once

#include <QString>

#include <functional>
#include <memory>

QT_FORWARD_DECLARE_CLASS(QSocketNotifier)

namespace vantrelis {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the event loop, so that the program can end as its
// Exit button does instead of dying between two writes. The handler only writes the signal's number
// into a pipe; the event loop reads it and calls `received` with the signal's name. After the first
// signal the three are back to their default action: a second one ends the program at once.
// One instance at a time.
class TerminationSignals {
public:
    explicit TerminationSignals(std::function<void(const QString& name)> received);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the handlers could not be installed (the signals then keep their default action).
    bool installed() const { return m_installed; }

    static QString Name(int signalNumber);

private:
    void Receive() noexcept;

    std::function<void(const QString&)> m_received;
    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_installed = false;
};

} // namespace vantrelis
