#pragma once

#include "config/FolderRules.h"
#include "config/ImportSets.h"
#include "dm/LibraryConfigLoader.h"

namespace vantrelis {

// What a library connection loads: the folder rules, then the import sets.
class LibraryConfiguration : public dm::LibraryConfigLoader {
public:
    LibraryConfiguration(FolderRules& rules, ImportSets& importSets);

    void LoadRules() override;
    void LoadImportSets() override;

private:
    FolderRules& m_rules;
    ImportSets& m_importSets;
};

} // namespace vantrelis
