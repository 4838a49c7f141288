#include "common/QorvClass.h"

namespace vantrelis {

int RegistryHiveNumber(const QString& hiveName) {
    const QString upper = hiveName.toUpper();
    if (upper == QLatin1String("HKEY_CLASSES_ROOT"))
        return HiveClassesRoot;
    if (upper == QLatin1String("HKEY_CURRENT_CONFIG"))
        return HiveCurrentConfig;
    if (upper == QLatin1String("HKEY_CURRENT_USER"))
        return HiveCurrentUser;
    if (upper == QLatin1String("HKEY_LOCAL_MACHINE"))
        return HiveLocalMachine;
    if (upper == QLatin1String("HKEY_USERS"))
        return HiveUsers;
    return 0;
}

QVariant ReadRegistryValue(const QString& path, RegistryComponent& component) noexcept {
    try {
        const qsizetype firstSlash = path.indexOf(QLatin1Char('\\'));
        if (firstSlash < 0)
            return QVariant();
        const int hive = RegistryHiveNumber(path.left(firstSlash));
        if (hive == 0)
            return QVariant();
        QString rest = path.mid(firstSlash + 1);

        std::optional<RegistryKey> key;
        try {
            key = component.OpenKey(hive, QString());
        } catch (...) {
        }

        QVariant result;
        // Each segment is tried as a sub-key and then as a value of the key reached so far; every step
        // goes on after a failure, so the last segment's value comes from the deepest key that opened.
        while (true) {
            const qsizetype slash = rest.indexOf(QLatin1Char('\\'));
            QString segment;
            if (slash < 0) {
                segment = rest;
                rest.clear();
            } else {
                segment = rest.left(slash);
                rest = rest.mid(slash + 1);
            }
            if (key) {
                try {
                    if (std::optional<RegistryKey> subKey = component.OpenSubKey(*key, segment))
                        key = subKey;
                } catch (...) {
                }
                try {
                    result = component.ReadValue(*key, segment);
                } catch (...) {
                    result = QVariant();
                }
            }
            if (rest.isEmpty() || rest == segment)
                break;
        }
        return result;
    } catch (...) {
        return QVariant();
    }
}

} // namespace vantrelis
