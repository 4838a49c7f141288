#pragma once

#include "app/RunView.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vantrelis::gui {

// What the main window is filled with once: the libraries (check boxes and menu entries), the
// current library (its menu entry checked) and the import sets with the one to select.
struct FormContent {
    QList<app::LibraryChoice> libraries;
    QString currentLibrary;
    QStringList importSets;
    int selectedImportSet = 0;
};

} // namespace vantrelis::gui
