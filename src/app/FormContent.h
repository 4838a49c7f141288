#pragma once

#include "app/RunView.h"
#include "common/SettingsStore.h"
#include "config/RuleTable.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vantrelis::app {

// What the main window is filled with once: the libraries (check boxes and menu entries), the
// current library (its menu entry checked) and the import sets with the one to select.
struct FormContent {
    QList<LibraryChoice> libraries;
    QString currentLibrary;
    QStringList importSets;
    int selectedImportSet = 0; // -1: none

    // The libraries of the login in collection order, each ticked unless its saved "Libraries" value
    // is other than 1 (a library never seen before is ticked); the rule names in table order, one
    // import set per folder rule. The saved "ComboImportSet" is selected when a rule has exactly that
    // name (the last such entry); otherwise the first entry. `chosenImportSet` (the "/S" value, empty
    // when none) takes the place of the saved name and matches ignoring letter case; when no rule has
    // that name, nothing is selected.
    static FormContent Make(const QStringList& libraryNames, const QString& currentLibrary,
                            const RuleTable& rules, const SettingsStore& settings,
                            const QString& chosenImportSet);
};

} // namespace vantrelis::app
