#pragma once

#include "app/AppContext.h"
#include "support/LogHarness.h"

#include <QString>

namespace vantrelis::testing {

// The program's application context on the local backend of a server file, attended, with a
// recording log, prompter and connection view.
class ConnectedProgram {
public:
    explicit ConnectedProgram(const QString& serverFile);

    LogRecorder harness;
    MemorySettingsStore settings;
    RecordingConnectionView view;
    app::AppContext context{app::CommandLine{}, settings, harness.prompter, harness.clock, harness.launcher};
};

} // namespace vantrelis::testing
