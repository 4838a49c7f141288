#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace vantrelis::gui {

// One library of the login as the main window lists it.
struct LibraryChoice {
    QString name;
    bool ticked = true;
};

// What the main window is filled with once: the libraries (check boxes and menu entries), the
// current library (its menu entry checked) and the import sets with the one to select.
struct FormContent {
    std::vector<LibraryChoice> libraries;
    QString currentLibrary;
    QStringList importSets;
    int selectedImportSet = 0;
};

} // namespace vantrelis::gui
