#include "dm/local/TrusteeNameCache.h"

namespace vantrelis::dm::local {

std::optional<std::optional<TrusteeName>> TrusteeNameCache::find(bool isGroup, const QString& name) const {
    const QHash<QString, std::optional<TrusteeName>>& known = isGroup ? m_groups : m_people;
    const auto found = known.constFind(name);
    if (found == known.constEnd())
        return std::nullopt;
    return *found;
}

void TrusteeNameCache::remember(bool isGroup, const QString& name, const std::optional<TrusteeName>& answer) {
    (isGroup ? m_groups : m_people).insert(name, answer);
}

void TrusteeNameCache::forget() {
    m_groups.clear();
    m_people.clear();
}

} // namespace vantrelis::dm::local
