#pragma once

#include <QIcon>

class QApplication;

namespace vantrelis::gui {

// The program's icon, drawn at the sizes window managers ask for.
QIcon ProgramIcon();

// Fusion style and the program icon for every window of the application.
void ApplyProgramLook(QApplication& application);

} // namespace vantrelis::gui
