#pragma once

#include "dm/DmLibraries.h"

#include <memory>
#include <vector>

namespace vantrelis::dm::local {

class LocalLibrary;

// The login's libraries in the server file's order.
class LocalLibraries : public DmLibraries {
public:
    explicit LocalLibraries(std::vector<std::shared_ptr<LocalLibrary>> libraries);

    int count() const override;
    std::shared_ptr<DmLibrary> item(int index) const override;

private:
    std::vector<std::shared_ptr<LocalLibrary>> m_libraries;
};

} // namespace vantrelis::dm::local
