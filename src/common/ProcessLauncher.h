#pragma once

#include "common/Launcher.h"

namespace vantrelis {

// Starts programs as detached processes: the program goes on without waiting for them.
class ProcessLauncher : public Launcher {
public:
    bool startDetached(const QString& program, const QStringList& arguments) override;
};

} // namespace vantrelis
