#pragma once

#include <QString>

namespace vantrelis {

// The program's own names, used in log texts, message boxes and as the settings application name.
inline QString ProductName() {
    return QStringLiteral("Vantrelis Import for OpenText eDOCS");
}

inline QString ProgramTitle() {
    return QStringLiteral("Vantrelis") + QChar(0x2122) + QStringLiteral(" Import for Hummingbird DM5");
}

} // namespace vantrelis
