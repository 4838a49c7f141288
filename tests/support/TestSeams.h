#pragma once

// The test doubles of the program's seams: each records what it was asked.

#include "common/Clock.h"
#include "common/Launcher.h"
#include "common/Prompter.h"
#include "common/SettingsStore.h"
#include "common/StatusView.h"
#include "dm/ConnectionView.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace vantrelis::testing {

struct Prompt {
    QString text;
    int style = 0;
    QString title;
};

// Records every message box and answers with `answer`.
class RecordingPrompter : public Prompter {
public:
    std::vector<Prompt> prompts;
    int answer = 0;
    int ask(const QString& prompt, int style, const QString& title) override;
};

// Records the status texts, the busy pointer and the yields. `text` is what the line shows now.
class RecordingStatusView : public StatusView {
public:
    QString text;
    QStringList texts;
    bool busy = false;
    QList<bool> busyChanges;
    int yields = 0;

    QString statusText() const override { return text; }
    void setStatusText(const QString& value) override;
    void setBusy(bool value) override;
    bool isBusy() const override { return busy; }
    void yield() override { ++yields; }
};

// Saved settings in memory, keyed by application, section and key.
class MemorySettingsStore : public SettingsStore {
public:
    QHash<QString, QString> values;
    int saves = 0;

    static QString Key(const QString& application, const QString& section, const QString& key);
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue = QString()) const override;
    void save(const QString& application, const QString& section, const QString& key,
              const QString& value) override;
};

class FixedClock : public Clock {
public:
    FixedClock() = default;
    explicit FixedClock(const QDateTime& now) : time(now) {}

    QDateTime time = QDateTime(QDate(2024, 3, 5), QTime(9, 30));
    QDateTime now() const override { return time; }
};

struct Launch {
    QString program;
    QStringList arguments;
};

// Records every program started; answers `succeed`.
class RecordingLauncher : public Launcher {
public:
    std::vector<Launch> calls;
    bool succeed = true;
    bool startDetached(const QString& program, const QStringList& arguments) override;
};

// Records what a connection shows on the main window.
class RecordingConnectionView : public dm::ConnectionView {
public:
    QString userName;
    QString primaryGroup;
    QString libraryName;
    QStringList checkedLibraries;
    int beeps = 0;

    void setUserName(const QString& value) override { userName = value; }
    void setPrimaryGroup(const QString& value) override { primaryGroup = value; }
    void setLibraryName(const QString& value) override { libraryName = value; }
    void checkLibraryMenu(const QString& value) override { checkedLibraries.append(value); }
    void beep() override { ++beeps; }
};

} // namespace vantrelis::testing
