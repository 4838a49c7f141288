#pragma once

#include <QString>

namespace vantrelis {

// The window whose status label shows what the program is doing (splash, then main window).
class StatusView {
public:
    virtual ~StatusView() = default;
    virtual QString statusText() const = 0;
    virtual void setStatusText(const QString& text) = 0;
    virtual void setBusy(bool busy) = 0;
    virtual bool isBusy() const = 0;
    // Lets the window repaint and handle input once.
    virtual void yield() = 0;
};

} // namespace vantrelis
