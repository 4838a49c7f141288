#pragma once

#include "common/IniRegistry.h"
#include "gui/MainProgram.h"
#include "support/ConnectedProgram.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

namespace vantrelis::testing {

// Saves a picture of a window under the build folder's screenshots folder; false when it could not.
bool SaveScreenshot(QWidget& window, const QString& fileName);

// The visible child of a type and object name at an index (creation order).
template <class T> T* Child(QObject& parent, const QString& name, int index = 0) {
    const QList<T*> found = parent.findChildren<T*>(name);
    return index < found.size() ? found.at(index) : nullptr;
}

// Runs `act` on the next modal window once it runs its own event loop (a modal dialog's exec() blocks
// the test), then closes the window if `act` left it open, so that the exec() always returns, also when
// a check inside `act` failed.
void WhenModal(std::function<void(QWidget&)> act);

// The program with its windows on the local DM server of a server file, brought up by its own
// startup on Start(); its log is the recorder's.
class ProgramWindows {
public:
    explicit ProgramWindows(const QString& serverFile);
    bool Start();

    ConnectedProgram program;
    IniRegistry registry;
    std::unique_ptr<gui::MainProgram> windows;
};

} // namespace vantrelis::testing
