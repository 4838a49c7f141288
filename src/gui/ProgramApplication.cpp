#include "gui/ProgramApplication.h"

#include "gui/ProgramLook.h"

#include <QApplication>

namespace vantrelis::gui {

std::unique_ptr<QCoreApplication> CreateProgramApplication(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    auto application = std::make_unique<QApplication>(argc, argv);
    ApplyProgramLook(*application);
    return application;
}

} // namespace vantrelis::gui
