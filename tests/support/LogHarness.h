#pragma once

#include "common/Log.h"
#include "support/TestSeams.h"

#include <QStringList>
#include <QTemporaryDir>

namespace vantrelis::testing {

// Recording seams for a Log and a temporary folder for its file, for reading the lines back.
class LogRecorder {
public:
    RecordingPrompter prompter;
    FixedClock clock;
    RecordingLauncher launcher;
    RecordingStatusView status;
    QTemporaryDir folder;

    // Points a log made with these seams at the folder's file and the recording status view.
    void Attach(Log& log);

    // Every line written so far (CR LF lines), held-back lines of the attached log included.
    QStringList Lines() const;
    // The lines written since the last Mark().
    QStringList LinesSinceMark() const;
    void Mark();

private:
    QString baseName() const;

    int m_mark = 0;
    Log* m_log = nullptr;
};

// A Log of its own, attended, writing to a recorder's folder.
class LogHarness : public LogRecorder {
public:
    LogHarness() { Attach(log); }

    Log log{false, prompter, clock, launcher};
};

} // namespace vantrelis::testing
