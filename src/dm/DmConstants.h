#pragma once

#include <QString>

namespace vantrelis::dm {

// Engine codes a library's database reports (the SQL object's engine, REMOTE_LIBRARIES.DATABASE_ENGINE).
// Any other non-zero code is treated as MSSQL; 0 means not known yet.
inline constexpr int kEngineOracle = 2;
inline constexpr int kEngineOracle8 = 5;
inline constexpr int kEngineSybase = 6;
inline constexpr int kEngineMssql = 10;

bool IsOracle(int engineCode);
// One of the four codes above.
bool IsKnownEngine(qint64 engineCode);
// 2 or 5 "Oracle", 6 "Sybase", other non-zero "MSSQL", 0 "*Unknown*".
QString EngineName(int engineCode);

// The ACCESSRIGHTS value a denial is stored with in SECURITY.
inline constexpr qint64 kDeniedRights = 2147418112;

} // namespace vantrelis::dm
