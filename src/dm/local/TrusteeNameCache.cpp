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

std::optional<QVariant> TrusteeNameCache::findKey(const QString& lookup) const {
    const auto found = m_keys.constFind(lookup);
    if (found == m_keys.constEnd())
        return std::nullopt;
    return *found;
}

void TrusteeNameCache::rememberKey(const QString& lookup, const QVariant& answer) {
    m_keys.insert(lookup, answer);
}

void TrusteeNameCache::forget() {
    m_keys.clear();
    m_groups.clear();
    m_people.clear();
}

} // namespace vantrelis::dm::local
