#include "dm/local/LocalColumns.h"

#include "dm/local/LocalColumn.h"
#include "dm/local/LocalProfile.h"
#include "dm/local/ProfileColumnMap.h"

namespace vantrelis::dm::local {

LocalColumns::LocalColumns(std::shared_ptr<LocalProfile> profile) : m_profile(std::move(profile)) {}

int LocalColumns::count() const {
    int listed = 0;
    for (const auto& def : ProfileColumns())
        listed += def.listed ? 1 : 0;
    return listed;
}

std::shared_ptr<DmColumn> LocalColumns::item(int index) const {
    const auto& defs = ProfileColumns();
    int position = 0;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (defs[i].listed && ++position == index)
            return std::make_shared<LocalColumn>(m_profile, static_cast<int>(i));
    }
    return nullptr;
}

std::shared_ptr<DmColumn> LocalColumns::item(const QString& name) const {
    const int column = ProfileColumnIndex(name.trimmed());
    if (column < 0)
        return nullptr;
    return std::make_shared<LocalColumn>(m_profile, column);
}

void LocalColumns::fillDefaults() {
    m_profile->fillDefaults();
}

} // namespace vantrelis::dm::local
