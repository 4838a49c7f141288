#include "dm/DmConstants.h"

namespace vantrelis::dm {

bool IsOracle(int engineCode) {
    return engineCode == kEngineOracle || engineCode == kEngineOracle8;
}

bool IsKnownEngine(qint64 engineCode) {
    return engineCode == kEngineOracle || engineCode == kEngineOracle8 || engineCode == kEngineSybase ||
           engineCode == kEngineMssql;
}

QString EngineName(int engineCode) {
    if (engineCode == 0)
        return QStringLiteral("*Unknown*");
    if (IsOracle(engineCode))
        return QStringLiteral("Oracle");
    if (engineCode == kEngineSybase)
        return QStringLiteral("Sybase");
    return QStringLiteral("MSSQL");
}

} // namespace vantrelis::dm
