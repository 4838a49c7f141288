#pragma once

#include "common/Launcher.h"

#include <QString>

namespace vantrelis {

// Opens a file in the text viewer without waiting for it: $VIEWER (which may carry its own
// arguments, "less -N"), or the desktop's viewer when it is unset or blank. Answers what to tell the
// user when no viewer could be started (naming VIEWER, the way to choose one), empty text otherwise.
QString StartTextViewer(Launcher& launcher, const QString& path);

} // namespace vantrelis
