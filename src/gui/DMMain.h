#pragma once

#include "app/MainView.h"
#include "common/Log.h"
#include "dm/ConnectionView.h"
#include "gui/LabelStatusView.h"

#include <QMainWindow>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace vantrelis::gui {

class ElidedLabel;

// The main window: the libraries, import set and file to work on, the run options and log file, the
// Go and Exit buttons, the status line and the counters. It shows state and forwards the user's
// commands; what they do happens below, connected to its signals.
class DMMain : public QMainWindow, public LabelStatusView<app::MainView>, public dm::ConnectionView {
    Q_OBJECT
public:
    explicit DMMain(Log& log, QWidget* parent = nullptr);

    // Fills the library boxes in rows of four (left to right, top to bottom) and the Libraries menu,
    // and the import set box. The window grows by one row for every started row after the first.
    // Runs once; the boxes and entries stay for the window's life.
    void PlaceForm(const app::FormContent& content) override;
    // The About window: the splash window shown modally.
    void HelpAbout();
    bool runInProgress() const { return m_runInProgress; }
    // Exit: asks a run in progress to stop, otherwise shuts the program down.
    void Button_Exit_Click();

    // app::MainView
    void setCaption(const QString& caption) override;
    void setImportFileLabel(const QString& path) override;
    void setLogFileTip(const QString& fileName) override;
    bool verboseLogging() const override;
    void setVerboseLogging(bool ticked) override;
    void setAddNewDocs(bool ticked) override;
    void setAddExistingDocs(bool ticked) override;
    void setFillFromLine(bool ticked) override;
    void setReadmeVisible(bool visible) override;
    void setAboutInfo(const QString& dmVersion, const QString& build, const QString& buildDate) override;
    QRect screenArea() const override;
    QSize windowSize() const override;
    // The top left of the window's inside, the frame not counted: what is saved is what is restored.
    QPoint position() const override;
    void moveTo(const QPoint& position) override;
    void setWindowShown(bool shown) override;
    void setWindowEnabled(bool enabled) override;
    void activate() override;

    // app::RunView. The library boxes are empty until placed.
    app::RunChoices runChoices() const override;
    void setCounter(app::RunCounter counter, qint64 value) override;
    void untickLibrary(int index) override;
    void setGoEnabled(bool enabled) override;
    void setRunInProgress(bool running) override;
    // The status label's text is red while a run goes on, dark blue otherwise.
    void setRunState(app::RunState state) override;
    void showProgress(qint64 processed, qint64 total) override;
    void showRate(const QString& text) override;
    bool stopRequested() const override { return m_stopRequested; }
    void endProgram(int exitStatus) override;

    // dm::ConnectionView
    void setUserName(const QString& userName) override;
    void setPrimaryGroup(const QString& primaryGroup) override;
    void setLibraryName(const QString& libraryName) override;
    void checkLibraryMenu(const QString& libraryName) override;
    void beep() override;

Q_SIGNALS:
    // Go (checkOnly false) or "Check only" (true): the same run, which writes nothing when it checks.
    void goRequested(bool checkOnly);
    // Exit while no run is in progress, or the end of a run that ends the program.
    void shutdownRequested(int exitStatus);
    void configureRequested();
    void importFileRequested();
    void logFileRequested();
    void libraryChosen(const QString& libraryName);
    void settingsViewerRequested();
    // File > Undo a run…
    void undoRunRequested();
    void readmeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* BuildFrameMain();
    QGroupBox* BuildFrameLibraries();
    QGroupBox* BuildFrameOptions();
    QGroupBox* BuildFrameCounters();
    QGroupBox* BuildFrameStatus();
    QWidget* BuildFrameInfo();
    QWidget* BuildFrameButtons();
    void BuildMenus();
    void SetTabOrder();
    QCheckBox* NewLibBox();
    QAction* NewLibListEntry();

    // Handlers of the window's own commands.
    void Form_KeyDown(int key);
    void LabelLibraryName_MouseUp(Qt::MouseButton button, const QPoint& globalPosition);
    void MNLibList_Click(int index);
    void MNToggleLibs_Click();
    void MNLogView_Click();
    void MNLogPurge_Click();

    Log& m_log;
    bool m_runInProgress = false;
    bool m_stopRequested = false;
    bool m_placed = false;
    QString m_dmVersion;
    QString m_build;
    QString m_buildDate;

    QGroupBox* m_frameLibraries = nullptr;
    QGridLayout* m_libraryGrid = nullptr;
    std::vector<QCheckBox*> m_libBoxes;
    QMenu* m_libMenu = nullptr;
    std::vector<QAction*> m_libList;

    QComboBox* m_comboImportSet = nullptr;
    ElidedLabel* m_fileName = nullptr;
    QToolButton* m_buttonFile = nullptr;
    QPushButton* m_buttonConfigure = nullptr;
    QCheckBox* m_checkAddExistingDocs = nullptr;
    QCheckBox* m_checkAddNewDocs = nullptr;
    QCheckBox* m_checkFillFromLine = nullptr;
    QCheckBox* m_checkLogMethod = nullptr;
    QToolButton* m_buttonLogDir = nullptr;
    QPushButton* m_buttonGo = nullptr;
    QPushButton* m_buttonCheck = nullptr;
    QPushButton* m_buttonExit = nullptr;
    QLabel* m_userName = nullptr;
    QLabel* m_primaryGroup = nullptr;
    QLabel* m_libraryName = nullptr;
    QLabel* m_total = nullptr;
    QLabel* m_read = nullptr;
    QLabel* m_added = nullptr;
    QLabel* m_errors = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_rate = nullptr;
    QAction* m_logPurge = nullptr;
    QAction* m_undoRun = nullptr;
    QAction* m_helpAbout = nullptr;
    QAction* m_readme = nullptr;
    QAction* m_qorvOptions = nullptr;
};

} // namespace vantrelis::gui
