#pragma once

#include "common/Log.h"

namespace vantrelis::dm {

// Number reported for a fault that is not a vantrelis::Fault (a library's std::exception).
inline constexpr qint64 kInternalErrorNumber = 51;

// Reports the fault being handled through ReportError. Call only inside a catch block.
void ReportCurrentFault(Log& log) noexcept;

} // namespace vantrelis::dm
