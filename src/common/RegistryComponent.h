#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace vantrelis {

// A key object handed out by the registry component: the full path of the key, hive name first.
struct RegistryKey {
    QString path;
};

// Hive numbers the component understands.
enum RegistryHive : int {
    HiveClassesRoot = 1,
    HiveCurrentConfig = 2,
    HiveCurrentUser = 3,
    HiveLocalMachine = 4,
    HiveUsers = 5,
};

// The companion component through which registry values are read: its three operations. Each may fail
// (an empty optional, an invalid variant, or a Fault); callers go on regardless.
class RegistryComponent {
public:
    virtual ~RegistryComponent() = default;
    // Opens a hive by number; `name` is the sub-key to open at once (the program passes it empty).
    virtual std::optional<RegistryKey> OpenKey(int hive, const QString& name) = 0;
    virtual std::optional<RegistryKey> OpenSubKey(const RegistryKey& key, const QString& name) = 0;
    virtual QVariant ReadValue(const RegistryKey& key, const QString& name) = 0;
};

} // namespace vantrelis
