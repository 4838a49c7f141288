#pragma once

#include "common/RegistryComponent.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QVariant>

namespace vantrelis {

// The machine registry as an INI file whose groups are full key paths
// ("[HKEY_LOCAL_MACHINE\Software\Hummingbird\PowerDOCS]"). Key paths and value names compare without
// regard to letter case, as in the registry. A value is text, or a number when written "dword:<hex>";
// "@" names a key's default value; names and texts may be in double quotes as in .reg files.
class IniRegistry : public RegistryComponent {
public:
    IniRegistry() = default;
    // Reads the file; a missing or unreadable file gives an empty registry.
    explicit IniRegistry(const QString& fileName);

    // The file named by the environment variable VANTRELIS_REGISTRY (empty registry when unset).
    static QString EnvironmentFileName();
    static QString HiveName(int hive);

    void Load(const QString& text);

    std::optional<RegistryKey> OpenKey(int hive, const QString& name) override;
    std::optional<RegistryKey> OpenSubKey(const RegistryKey& key, const QString& name) override;
    QVariant ReadValue(const RegistryKey& key, const QString& name) override;

private:
    void AddKey(const QString& path);

    // Case-folded key path -> case-folded value name -> value.
    QHash<QString, QHash<QString, QVariant>> m_values;
    // Every key that exists: each group and each of its ancestors, case-folded.
    QSet<QString> m_keys;
};

} // namespace vantrelis
