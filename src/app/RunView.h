#pragma once

#include <QList>
#include <QString>

namespace vantrelis::app {

// One box of the library list `LibBox`, in the order the window shows them.
struct LibraryChoice {
    QString name; // the box's caption
    bool ticked = false;
};

// The main window's choices for an import run, as they stand when Go is pressed.
struct RunChoices {
    QList<LibraryChoice> libraries;
    QString importSet;            // text of `ComboImportSet`, as shown (the run trims it)
    QString importFile;           // caption of `LabelFileName`
    bool addExistingDocs = false; // `CheckAddExistingDocs` ("Add documents to existing folders")
    bool addNewDocs = false;      // `CheckAddNewDocs` ("Add documents to new folders")
    bool fillFromLine = false;    // `CheckFillFromLine` ("Fill new folders from the import line")
};

// Whether an import run is going on, as the window shows it (the colour of its status label is the
// window's own choice).
enum class RunState {
    Idle,
    Running,
};

// The counter labels of the main window.
enum class RunCounter {
    Total,     // `LabelTotal`
    Processed, // `LabelRead`
    Added,     // `LabelAdded`
    Errors,    // `LabelErrors`
};

// What the import run reads from and shows on the main window. The status label's text, the busy
// pointer and the yields go through the status view; everything else the run touches is here.
class RunView {
public:
    virtual ~RunView() = default;

    virtual RunChoices runChoices() const = 0;

    // Shows a whole number in a counter label ("#0": no grouping).
    virtual void setCounter(RunCounter counter, qint64 value) = 0;
    // Unticks the box at `index` (0-based, as in runChoices().libraries); it stays unticked.
    virtual void untickLibrary(int index) = 0;
    virtual void setGoEnabled(bool enabled) = 0;
    // While true, Esc acts as Exit and Exit asks the run to stop (see stopRequested()).
    virtual void setRunInProgress(bool running) = 0;
    // The run begins (Running) or is over (Idle).
    virtual void setRunState(RunState state) = 0;

    // The progress bar beside the counters: `processed` of `total` for the library being processed
    // (total 0 empties the bar).
    virtual void showProgress(qint64 processed, qint64 total) = 0;
    // Rate and time left while documents are filed, shown with the status label ("" clears it).
    virtual void showRate(const QString& text) = 0;

    // True once the user asked to leave (Exit or Esc) during the run. The run checks it between
    // items: it finishes the folder level or document it is on, runs its finishing steps and then
    // calls endProgram().
    virtual bool stopRequested() const = 0;
    // Shuts the program down as the Exit button does (settings saved, DM objects released) and ends
    // it with `exitStatus` (0 run without errors, 1 errors counted, 2 stopped before or by a fault).
    virtual void endProgram(int exitStatus) = 0;
};

} // namespace vantrelis::app
