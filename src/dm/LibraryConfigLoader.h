#pragma once

namespace vantrelis::dm {

// Loads a library's configuration (folder rules, then import sets) at the end of every
// successful connection. The configuration layer implements it, so the connection does not
// depend on that layer.
class LibraryConfigLoader {
public:
    virtual ~LibraryConfigLoader() = default;
    virtual void LoadRules() = 0;
    virtual void LoadImportSets() = 0;
};

} // namespace vantrelis::dm
