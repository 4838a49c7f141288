#pragma once

#include "app/CommandLine.h"
#include "common/Clock.h"
#include "common/Launcher.h"
#include "common/Log.h"
#include "common/Prompter.h"
#include "common/SettingsStore.h"
#include "config/FolderRules.h"
#include "config/ImportSetTable.h"
#include "config/ImportSets.h"
#include "config/LibraryConfiguration.h"
#include "config/RuleTable.h"
#include "dm/DmFactory.h"
#include "dm/DmSession.h"
#include "dm/FusionConnection.h"
#include "dm/LibraryContext.h"
#include "dm/SqlGateway.h"
#include "engine/folders/FolderEngine.h"
#include "engine/security/SecurityEngine.h"

namespace vantrelis::app {

// The one application context: owns the program's state objects and wires them together (the log,
// the DM factory and object slots, the current library's facts, the rule and import set tables,
// the SQL gateway, the connection and the configuration it loads, the security and folder engines). The
// program and the tests build the same wiring through it; what differs between them is given: the platform
// seams, the DM backend registered in factory() and the connection's view.
class AppContext {
public:
    AppContext(CommandLine commandLine, SettingsStore& settings, Prompter& prompter, Clock& clock,
               Launcher& launcher);
    // Empties the DM object slots in shutdown order.
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    const CommandLine& commandLine() const { return m_commandLine; }
    SettingsStore& settings() const { return m_settings; }
    Log& log() { return m_log; }
    dm::DmFactory& factory() { return m_factory; }
    dm::DmSession& session() { return m_session; }
    dm::LibraryContext& library() { return m_library; }
    RuleTable& rules() { return m_rules; }
    ImportSetTable& importSets() { return m_importSets; }
    dm::SqlGateway& gateway() { return m_gateway; }
    dm::FusionConnection& connection() { return m_connection; }
    FolderRules& folderRules() { return m_folderRules; }
    ImportSets& importSetStore() { return m_importSetStore; }
    engine::SecurityEngine& security() { return m_security; }
    engine::FolderEngine& folders() { return m_folders; }

private:
    const CommandLine m_commandLine;
    SettingsStore& m_settings;
    Log m_log;
    dm::DmFactory m_factory;
    dm::DmSession m_session;
    dm::LibraryContext m_library;
    RuleTable m_rules;
    ImportSetTable m_importSets;
    dm::SqlGateway m_gateway;
    dm::FusionConnection m_connection;
    FolderRules m_folderRules;
    ImportSets m_importSetStore;
    LibraryConfiguration m_configuration;
    engine::SecurityEngine m_security;
    engine::FolderEngine m_folders;
};

} // namespace vantrelis::app
