#pragma once

#include "common/Log.h"

namespace vantrelis {

// Number reported for a fault that is not a vantrelis::Fault (a library's std::exception).
inline constexpr qint64 kInternalErrorNumber = 51;
// Number of the fault raised for a DM object slot that is empty where one is needed.
inline constexpr qint64 kObjectNotSetNumber = 91;

// Reports the fault being handled through ReportError. Call only inside a catch block.
void ReportCurrentFault(Log& log) noexcept;

} // namespace vantrelis
