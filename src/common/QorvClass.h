#pragma once

#include "common/RegistryComponent.h"

#include <QString>
#include <QVariant>

namespace vantrelis {

// Reads one registry value given its full path ("HKEY_LOCAL_MACHINE\Software\...\ValueName") through the
// registry component. The hive name is matched in any letter case; the last segment names the value,
// which is read from the deepest key that could be opened. Anything that fails gives an empty variant.
QVariant ReadRegistryValue(const QString& path, RegistryComponent& component) noexcept;

// The hive number of a hive name in any letter case; 0 when it names none.
int RegistryHiveNumber(const QString& hiveName);

} // namespace vantrelis
