#pragma once

#include "app/RunView.h"
#include "engine/undo/RunUndo.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace vantrelis::app {

class AppContext;

// What `--undo RUN` (or its check) did over the libraries.
struct UndoOutcome {
    engine::UndoCounts counts;
    qint64 libraries = 0;     // libraries the run had worked in
    qint64 wouldUndo = 0;     // a check: changes that would be taken back
    engine::UndoCounts would; // a check: the same by kind
    QStringList problems;     // libraries without the journal, or that could not be opened
    bool stopped = false;
    int exitStatus = 0; // 0 complete, 1 something failed or the run was found nowhere, 2 stopped
    QString summary;    // the one summary line
};

struct UndoRequest {
    QString runId;
    bool check = false;
    QString reportFile; // the per-line report ("" for none)
    // Hears the lines worth a terminal: what a check would do, what was kept or failed.
    std::function<void(const QString&)> output;
    std::function<bool()> stop;
};

// Takes run `runId` back in the current library and in every ticked library that it touched, each
// by its journal; the undo writes its own journal row in each ("--undo RUN"). The current library
// is connected again afterwards.
UndoOutcome UndoRun(AppContext& context, const RunChoices& choices, const UndoRequest& request);

// The summary line of an undo (or of its check).
QString UndoSummary(const QString& runId, bool check, const UndoOutcome& outcome);
// What a check found, a line per kind of change, for the question before the undo; empty when nothing
// is left to take back.
QStringList UndoPlan(const UndoOutcome& checked);

} // namespace vantrelis::app
