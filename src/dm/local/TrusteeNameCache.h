#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <optional>

namespace vantrelis::dm::local {

// A person (USER_ID) or group (GROUP_ID) as a library finds it by name: its SYSTEM_ID and the name
// as stored.
struct TrusteeName {
    qint64 id = 0;
    QString name;
};

// The answers of trustee-name lookups (and of the lookups of a profile's columns by name), kept
// while nothing can have changed them. The store that
// owns it says when that is over: a statement that writes PEOPLE or GROUPS ran, another connection
// committed, or a transaction was rolled back.
class TrusteeNameCache {
public:
    // The kept answer for a name (itself empty when the name names nobody); empty when none is kept.
    std::optional<std::optional<TrusteeName>> find(bool isGroup, const QString& name) const;
    void remember(bool isGroup, const QString& name, const std::optional<TrusteeName>& answer);
    // The kept answer of a lookup statement (the key of a row found by name; invalid when none).
    std::optional<QVariant> findKey(const QString& lookup) const;
    void rememberKey(const QString& lookup, const QVariant& answer);
    void forget();

private:
    QHash<QString, QVariant> m_keys;
    QHash<QString, std::optional<TrusteeName>> m_groups;
    QHash<QString, std::optional<TrusteeName>> m_people;
};

} // namespace vantrelis::dm::local
