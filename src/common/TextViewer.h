#pragma once

#include "common/Launcher.h"

#include <QString>

namespace vantrelis {

// Opens a file in the text viewer without waiting for it: $VIEWER (which may carry its own
// arguments, "less -N"), or the desktop's viewer when it is unset or blank. Answers the error line
// to log when the viewer could not be started, empty text otherwise.
QString StartTextViewer(Launcher& launcher, const QString& path);

} // namespace vantrelis
