#pragma once

#include "app/RunJournal.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vantrelis {
class Log;
}

namespace vantrelis::gui {

// "Undo a run…": the journalled runs of the current library and the ticked ones, newest first, a row
// per run and library. Undo… checks what taking the chosen run back would do, asks with those counts,
// and only then takes it back; the list is read again afterwards.
class RunUndoDialog : public QDialog {
    Q_OBJECT
public:
    // What the dialog asks of the program.
    struct Actions {
        std::function<app::RunListing()> list;
        // What undoing the run would do, as lines for the question; empty when nothing is left to do.
        std::function<QStringList(const QString& runId)> check;
        // Takes the run back; answers the summary line.
        std::function<QString(const QString& runId)> undo;
    };

    RunUndoDialog(Actions actions, Log& log, QWidget* parent = nullptr);

    // Reads the runs again and shows them.
    void Refresh();
    // The run of the selected row; empty without a selection.
    QString selectedRun() const;
    // Undo… on the selected run.
    void ButtonUndo_Click();

private:
    void SetBusy(bool busy);

    Actions m_actions;
    Log& m_log;
    QTreeWidget* m_treeRuns = nullptr;
    QLabel* m_labelWithout = nullptr;
    QPushButton* m_buttonUndo = nullptr;
};

} // namespace vantrelis::gui
