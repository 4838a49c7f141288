#include "config/LibraryConfiguration.h"

namespace vantrelis {

LibraryConfiguration::LibraryConfiguration(FolderRules& rules, ImportSets& importSets)
    : m_rules(rules), m_importSets(importSets) {}

void LibraryConfiguration::LoadRules() {
    m_rules.LoadRules();
}

void LibraryConfiguration::LoadImportSets() {
    m_importSets.LoadImportSets();
}

} // namespace vantrelis
