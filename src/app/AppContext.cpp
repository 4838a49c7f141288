#include "app/AppContext.h"

#include <utility>

namespace vantrelis::app {

AppContext::AppContext(CommandLine commandLine, SettingsStore& settings, Prompter& prompter, Clock& clock,
                       Launcher& launcher)
    : m_commandLine(std::move(commandLine)), m_settings(settings),
      m_log(m_commandLine.unattended(), prompter, clock, launcher),
      m_gateway(m_session, m_library, m_log, m_settings),
      m_connection(m_factory, m_session, m_library, m_gateway, m_log, m_settings),
      m_folderRules(m_gateway, m_rules, m_log), m_importSetStore(m_gateway, m_importSets, m_log),
      m_configuration(m_folderRules, m_importSetStore), m_security(m_gateway, m_log, m_rules),
      m_folders(m_gateway, m_log, m_rules, m_security) {
    m_connection.setConfigLoader(&m_configuration);
}

AppContext::~AppContext() {
    m_session.Release();
}

} // namespace vantrelis::app
