#include "gui/RunUndoDialog.h"

#include "common/Log.h"
#include "common/Prompter.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vantrelis::gui {

namespace {

enum Column {
    ColRun,
    ColLibrary,
    ColStarted,
    ColUser,
    ColFile,
    ColSet,
    ColFolders,
    ColDocuments,
    ColErrors,
    ColStatus
};

QTreeWidgetItem* RunItem(const app::ListedRun& entry) {
    const dm::RunRecord& run = entry.run;
    auto* item = new QTreeWidgetItem(QStringList{
        run.runId, entry.library, QString(run.started).replace(QLatin1Char('T'), QLatin1Char(' ')), run.user,
        run.importFile, run.importSet, QString::number(run.foldersAdded), QString::number(run.documentsFiled),
        QString::number(run.errors), run.status});
    for (int column : {ColFolders, ColDocuments, ColErrors})
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    item->setToolTip(ColFile, run.importFile);
    return item;
}

} // namespace

RunUndoDialog::RunUndoDialog(Actions actions, Log& log, QWidget* parent)
    : QDialog(parent), m_actions(std::move(actions)), m_log(log) {
    setObjectName(QStringLiteral("RunUndo"));
    setWindowTitle(QStringLiteral("Undo a run"));

    auto* intro = new QLabel(
        QStringLiteral("The import runs of the current library and the ticked ones, newest first. Undo takes "
                       "back exactly what the chosen run did, in every library it touched; what was added "
                       "or changed since is kept."),
        this);
    intro->setObjectName(QStringLiteral("LabelIntro"));
    intro->setWordWrap(true);

    m_treeRuns = new QTreeWidget(this);
    m_treeRuns->setObjectName(QStringLiteral("TreeRuns"));
    m_treeRuns->setHeaderLabels({QStringLiteral("Run"), QStringLiteral("Library"), QStringLiteral("Started"),
                                 QStringLiteral("User"), QStringLiteral("Import file"), QStringLiteral("Set"),
                                 QStringLiteral("Folders added"), QStringLiteral("Documents filed"),
                                 QStringLiteral("Errors"), QStringLiteral("Status")});
    m_treeRuns->setRootIsDecorated(false);
    m_treeRuns->setUniformRowHeights(true);
    m_treeRuns->setAllColumnsShowFocus(true);
    m_treeRuns->setSelectionMode(QAbstractItemView::SingleSelection);
    m_treeRuns->header()->setStretchLastSection(false);
    m_treeRuns->header()->setSectionResizeMode(ColFile, QHeaderView::Stretch);
    m_treeRuns->setMinimumSize(860, 260);

    m_labelWithout = new QLabel(this);
    m_labelWithout->setObjectName(QStringLiteral("LabelWithout"));
    m_labelWithout->setTextFormat(Qt::PlainText);
    m_labelWithout->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    m_buttonUndo = buttons->addButton(QStringLiteral("&Undo…"), QDialogButtonBox::ActionRole);
    m_buttonUndo->setObjectName(QStringLiteral("ButtonUndo"));
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("ButtonClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_buttonUndo, &QPushButton::clicked, this, [this] { ButtonUndo_Click(); });
    connect(m_treeRuns, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_buttonUndo->setEnabled(!selectedRun().isEmpty()); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_treeRuns, 1);
    layout->addWidget(m_labelWithout);
    layout->addWidget(buttons);
    resize(1120, 380);
    Refresh();
}

void RunUndoDialog::Refresh() {
    const app::RunListing listing = m_actions.list();
    m_treeRuns->clear();
    for (const app::ListedRun& entry : listing.runs)
        m_treeRuns->addTopLevelItem(RunItem(entry));
    for (int column = 0; column < m_treeRuns->columnCount(); ++column)
        if (column != ColFile)
            m_treeRuns->resizeColumnToContents(column);
    m_labelWithout->setText(listing.without.join(QLatin1Char('\n')));
    m_labelWithout->setVisible(!listing.without.isEmpty());
    if (m_treeRuns->topLevelItemCount() > 0)
        m_treeRuns->setCurrentItem(m_treeRuns->topLevelItem(0));
    m_buttonUndo->setEnabled(!selectedRun().isEmpty());
}

QString RunUndoDialog::selectedRun() const {
    const QList<QTreeWidgetItem*> selected = m_treeRuns->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text(ColRun);
}

void RunUndoDialog::SetBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    m_buttonUndo->setEnabled(!busy && !selectedRun().isEmpty());
}

void RunUndoDialog::ButtonUndo_Click() {
    const QString runId = selectedRun();
    if (runId.isEmpty())
        return;
    SetBusy(true);
    const QStringList plan = m_actions.check(runId);
    SetBusy(false);
    if (plan.isEmpty()) {
        m_log.ShowMessage(QStringLiteral("Run ") + runId + QStringLiteral(" has nothing left to undo."),
                          StyleInformation, windowTitle());
        return;
    }
    const QString question =
        QStringLiteral("Undo run ") + runId + QStringLiteral("?\n\n") + plan.join(QLatin1Char('\n')) +
        QStringLiteral("\n\nFolders and items added since, and values changed since, are "
                       "kept and reported in the log.");
    if (m_log.ShowMessage(question, StyleYesNo | StyleExclamation, windowTitle()) != AnswerYes)
        return;
    SetBusy(true);
    const QString summary = m_actions.undo(runId);
    SetBusy(false);
    Refresh();
    m_log.ShowMessage(summary, StyleInformation, windowTitle());
}

} // namespace vantrelis::gui
