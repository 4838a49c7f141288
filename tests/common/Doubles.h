#pragma once

// Test doubles for the seams of the common layer: they record what they were asked.

#include "common/Clock.h"
#include "common/Launcher.h"
#include "common/Prompter.h"
#include "common/StatusView.h"

#include <QList>
#include <QStringList>

namespace vantrelis::testing {

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime now) : m_now(std::move(now)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& now) { m_now = now; }

private:
    QDateTime m_now;
};

struct PromptCall {
    QString prompt;
    int style = 0;
    QString title;
};

class RecordingPrompter : public Prompter {
public:
    int ask(const QString& prompt, int style, const QString& title) override {
        calls.append({prompt, style, title});
        return answer;
    }
    QList<PromptCall> calls;
    int answer = AnswerYes;
};

struct LaunchCall {
    QString program;
    QStringList arguments;
};

class RecordingLauncher : public Launcher {
public:
    bool startDetached(const QString& program, const QStringList& arguments) override {
        calls.append({program, arguments});
        return succeed;
    }
    QList<LaunchCall> calls;
    bool succeed = true;
};

class RecordingStatusView : public StatusView {
public:
    QString statusText() const override { return text; }
    void setStatusText(const QString& value) override {
        text = value;
        texts.append(value);
    }
    void setBusy(bool value) override {
        busy = value;
        busyChanges.append(value);
    }
    bool isBusy() const override { return busy; }
    void setStatusColour(quint32 value) override { colour = value; }
    void yield() override { ++yields; }

    QString text;
    QStringList texts;
    bool busy = false;
    QList<bool> busyChanges;
    quint32 colour = 0;
    int yields = 0;
};

} // namespace vantrelis::testing
