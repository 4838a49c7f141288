#pragma once

#include "common/CommandLine.h"
#include "common/Log.h"
#include "support/TestSeams.h"

#include <QStringList>
#include <QTemporaryDir>

namespace vantrelis::testing {

// A Log writing to a temporary file, with recording seams, for reading the lines back.
class LogHarness {
public:
    LogHarness();

    CommandLine commandLine;
    RecordingPrompter prompter;
    FixedClock clock;
    NullLauncher launcher;
    RecordingStatusView status;
    QTemporaryDir folder;
    Log log{commandLine, prompter, clock, launcher};

    // Every line written so far (CR LF lines).
    QStringList Lines() const;
    // The lines written since the last Mark().
    QStringList LinesSinceMark() const;
    void Mark();

private:
    int m_mark = 0;
};

} // namespace vantrelis::testing
