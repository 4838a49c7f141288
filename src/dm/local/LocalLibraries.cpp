#include "dm/local/LocalLibraries.h"

#include "dm/local/LocalLibrary.h"

namespace vantrelis::dm::local {

LocalLibraries::LocalLibraries(std::vector<std::shared_ptr<LocalLibrary>> libraries)
    : m_libraries(std::move(libraries)) {}

int LocalLibraries::count() const {
    return static_cast<int>(m_libraries.size());
}

std::shared_ptr<DmLibrary> LocalLibraries::item(int index) const {
    if (index < 1 || index > count())
        return nullptr;
    return m_libraries[static_cast<std::size_t>(index - 1)];
}

} // namespace vantrelis::dm::local
