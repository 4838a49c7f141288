#pragma once

#include "common/Fault.h"
#include "common/Log.h"

namespace vantrelis {

// A fault that is not a vantrelis::Fault (a library's std::exception) is reported under
// kInternalErrorNumber.
// Reports the fault being handled through ReportError. Call only inside a catch block.
void ReportCurrentFault(Log& log) noexcept;

} // namespace vantrelis
