#pragma once

#include "common/StatusView.h"

#include <QString>

namespace vantrelis::app {

// The splash window while the program starts: the status window until the main window is ready.
class SplashView : public StatusView {
public:
    // The product label gets " " + the DM version text appended (nothing when empty).
    virtual void setDmVersion(const QString& versionText) = 0;
    // The version label: "Build " + build + " - " + build date.
    virtual void setBuild(const QString& build, const QString& buildDate) = 0;
    // Shows the window with the focus.
    virtual void showSplash() = 0;
    // Closes it for good.
    virtual void Unload() = 0;
};

} // namespace vantrelis::app
