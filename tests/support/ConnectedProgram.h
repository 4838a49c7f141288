#pragma once

#include "config/FolderRules.h"
#include "config/ImportSets.h"
#include "config/LibraryConfiguration.h"
#include "dm/FusionConnection.h"
#include "support/LogHarness.h"

#include <QString>

namespace vantrelis::testing {

// The program's DM and configuration objects wired as startup wires them, on the local backend
// of a server file, with a recording log, prompter and connection view.
class ConnectedProgram {
public:
    explicit ConnectedProgram(const QString& serverFile);
    ~ConnectedProgram();

    LogHarness harness;
    MemorySettingsStore settings;
    RecordingConnectionView view;
    dm::DmFactory factory;
    dm::DmSession session;
    dm::LibraryContext library;
    dm::SqlGateway gateway{session, library, harness.log, settings};
    dm::FusionConnection connection{factory, session, library, gateway, harness.log, settings};
    RuleTable rules;
    ImportSetTable importSets;
    FolderRules folderRules{gateway, rules, harness.log};
    ImportSets importSetStore{gateway, importSets, harness.log};
    LibraryConfiguration configuration{folderRules, importSetStore};
};

} // namespace vantrelis::testing
