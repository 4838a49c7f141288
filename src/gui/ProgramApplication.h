#pragma once

#include <QCoreApplication>
#include <memory>

namespace vantrelis::gui {

// The program's Qt application with the program's look. Without a display (cron, ssh) the windows
// live on Qt's offscreen platform. `argc` must outlive the application.
std::unique_ptr<QCoreApplication> CreateProgramApplication(int& argc, char** argv);

} // namespace vantrelis::gui
