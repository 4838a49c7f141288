#pragma once

#include <QHash>
#include <QString>
#include <optional>

namespace vantrelis::dm::local {

// A person (USER_ID) or group (GROUP_ID) as a library finds it by name: its SYSTEM_ID and the name
// as stored.
struct TrusteeName {
    qint64 id = 0;
    QString name;
};

// The answers of trustee-name lookups, kept while nothing can have changed them. The store that
// owns it says when that is over: a statement that writes PEOPLE or GROUPS ran, another connection
// committed, or a transaction was rolled back.
class TrusteeNameCache {
public:
    // The kept answer for a name (itself empty when the name names nobody); empty when none is kept.
    std::optional<std::optional<TrusteeName>> find(bool isGroup, const QString& name) const;
    void remember(bool isGroup, const QString& name, const std::optional<TrusteeName>& answer);
    void forget();

private:
    QHash<QString, std::optional<TrusteeName>> m_groups;
    QHash<QString, std::optional<TrusteeName>> m_people;
};

} // namespace vantrelis::dm::local
