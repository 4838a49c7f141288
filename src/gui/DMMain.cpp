#include "gui/DMMain.h"

#include "common/ProductInfo.h"
#include "common/Text.h"
#include "gui/ElidedLabel.h"
#include "gui/QorvSplash.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vantrelis::gui {

namespace {

constexpr int kBoxesPerRow = 4;

QLabel* NewCounter(const QString& name, QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    label->setMargin(2);
    return label;
}

QLabel* NewCaption(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLabel* NewInfo(const QString& name, const QString& tip, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setToolTip(tip);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

DMMain::DMMain(Log& log, QWidget* parent) : QMainWindow(parent), m_log(log) {
    setObjectName(QStringLiteral("DMMain"));
    setWindowTitle(ProgramTitle());

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(BuildFrameMain());
    layout->addWidget(BuildFrameLibraries());
    auto* middle = new QHBoxLayout;
    middle->setSpacing(10);
    middle->addWidget(BuildFrameOptions(), 1);
    middle->addWidget(BuildFrameCounters(), 1);
    layout->addLayout(middle);
    layout->addWidget(BuildFrameStatus());
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(10);
    bottom->addWidget(BuildFrameInfo(), 1);
    bottom->addWidget(BuildFrameButtons(), 0, Qt::AlignBottom);
    layout->addLayout(bottom);
    // Wide enough for a path, a library name and the info labels without cutting them short.
    central->setMinimumWidth(640);
    setCentralWidget(central);
    BuildMenus();
    SetTabOrder();

    // The window is as large as its frames need: a new row of library boxes makes it taller.
    this->layout()->setSizeConstraint(QLayout::SetFixedSize);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { Form_KeyDown(Qt::Key_Escape); });
    auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(f3, &QShortcut::activated, this, [this] { Form_KeyDown(Qt::Key_F3); });
}

QGroupBox* DMMain::BuildFrameMain() {
    auto* frame = new QGroupBox(QStringLiteral("Import:"), this);
    frame->setObjectName(QStringLiteral("FrameMain"));

    auto* importSetCaption =
        NewCaption(QStringLiteral("LabelImportSet"), QStringLiteral("Import Set:"), frame);
    m_comboImportSet = new QComboBox(frame);
    m_comboImportSet->setObjectName(QStringLiteral("ComboImportSet"));
    m_comboImportSet->setToolTip(QStringLiteral("the import set to run"));
    m_comboImportSet->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_comboImportSet->setMinimumContentsLength(24);
    m_comboImportSet->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    importSetCaption->setBuddy(m_comboImportSet);

    m_buttonConfigure = new QPushButton(QStringLiteral("&Configure"), frame);
    m_buttonConfigure->setObjectName(QStringLiteral("Button_Configure"));
    m_buttonConfigure->setToolTip(QStringLiteral("opens the import set editor"));
    connect(m_buttonConfigure, &QPushButton::clicked, this, &DMMain::configureRequested);

    auto* fileCaption = NewCaption(QStringLiteral("LabelFileCaption"), QStringLiteral("Import File:"), frame);
    m_fileName = new ElidedLabel(Qt::ElideMiddle, frame);
    m_fileName->setObjectName(QStringLiteral("LabelFileName"));
    m_fileName->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_fileName->setMargin(3);
    m_fileName->setMinimumCharacters(40);
    m_fileName->setEmptyToolTip(QStringLiteral("the chosen import file (full path)"));

    m_buttonFile = new QToolButton(frame);
    m_buttonFile->setObjectName(QStringLiteral("ButtonFile"));
    m_buttonFile->setToolTip(QStringLiteral("Select the input file"));
    m_buttonFile->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    m_buttonFile->setAutoRaise(false);
    connect(m_buttonFile, &QToolButton::clicked, this, &DMMain::importFileRequested);

    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(6);
    fileRow->addWidget(m_fileName, 1);
    fileRow->addWidget(m_buttonFile);

    auto* grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->addWidget(importSetCaption, 0, 0);
    grid->addWidget(m_comboImportSet, 0, 1);
    grid->addWidget(m_buttonConfigure, 0, 2);
    grid->addWidget(fileCaption, 1, 0);
    grid->addLayout(fileRow, 1, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    return frame;
}

QGroupBox* DMMain::BuildFrameLibraries() {
    m_frameLibraries = new QGroupBox(QStringLiteral("Libraries:"), this);
    m_frameLibraries->setObjectName(QStringLiteral("FrameLibraries"));
    m_libraryGrid = new QGridLayout(m_frameLibraries);
    m_libraryGrid->setHorizontalSpacing(16);
    m_libraryGrid->setVerticalSpacing(6);
    // Spare width goes to a column after the boxes, so that the box columns keep one step.
    m_libraryGrid->setColumnStretch(kBoxesPerRow, 1);
    // Box 0 exists from the start; it shows once it names a library.
    QCheckBox* first = NewLibBox();
    m_libraryGrid->addWidget(first, 0, 0);
    first->setVisible(false);
    return m_frameLibraries;
}

QCheckBox* DMMain::NewLibBox() {
    auto* box = new QCheckBox(m_frameLibraries);
    box->setObjectName(QStringLiteral("LibBox"));
    box->setProperty("index", static_cast<int>(m_libBoxes.size()));
    box->setChecked(true);
    m_libBoxes.push_back(box);
    return box;
}

QGroupBox* DMMain::BuildFrameOptions() {
    auto* frame = new QGroupBox(QStringLiteral("Options:"), this);
    frame->setObjectName(QStringLiteral("FrameOptions"));

    m_checkAddExistingDocs = new QCheckBox(QStringLiteral("Add documents to existing folders"), frame);
    m_checkAddExistingDocs->setObjectName(QStringLiteral("CheckAddExistingDocs"));
    m_checkAddExistingDocs->setToolTip(QStringLiteral("Add documents to folders that already exist"));
    m_checkAddNewDocs = new QCheckBox(QStringLiteral("Add documents to new folders"), frame);
    m_checkAddNewDocs->setObjectName(QStringLiteral("CheckAddNewDocs"));
    m_checkAddNewDocs->setToolTip(QStringLiteral("Add documents to folders as they are created"));
    m_checkFillFromLine = new QCheckBox(QStringLiteral("Fill new folders from the import line"), frame);
    m_checkFillFromLine->setObjectName(QStringLiteral("CheckFillFromLine"));
    m_checkFillFromLine->setToolTip(
        QStringLiteral("Give new folders the client, matter and other lookup values of their import line"));
    m_checkLogMethod = new QCheckBox(QStringLiteral("&Verbose Logging"), frame);
    m_checkLogMethod->setObjectName(QStringLiteral("CheckLogMethod"));
    m_checkLogMethod->setToolTip(QStringLiteral("Log each operation"));
    m_checkLogMethod->setChecked(m_log.verbose());
    connect(m_checkLogMethod, &QCheckBox::toggled, this, [this](bool on) { m_log.setVerbose(on); });

    m_buttonLogDir = new QToolButton(frame);
    m_buttonLogDir->setObjectName(QStringLiteral("ButtonLogDir"));
    m_buttonLogDir->setToolTip(QStringLiteral("Designate location for logfile"));
    m_buttonLogDir->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    connect(m_buttonLogDir, &QToolButton::clicked, this, &DMMain::logFileRequested);

    auto* logRow = new QHBoxLayout;
    logRow->addWidget(m_checkLogMethod);
    logRow->addStretch(1);
    logRow->addWidget(m_buttonLogDir);

    auto* column = new QVBoxLayout(frame);
    column->setSpacing(6);
    column->addWidget(m_checkAddExistingDocs);
    column->addWidget(m_checkAddNewDocs);
    column->addWidget(m_checkFillFromLine);
    column->addLayout(logRow);
    column->addStretch(1);
    return frame;
}

QGroupBox* DMMain::BuildFrameCounters() {
    auto* frame = new QGroupBox(QStringLiteral("Progress:"), this);
    frame->setObjectName(QStringLiteral("FrameCounters"));
    m_total = NewCounter(QStringLiteral("LabelTotal"), frame);
    m_read = NewCounter(QStringLiteral("LabelRead"), frame);
    m_added = NewCounter(QStringLiteral("LabelAdded"), frame);
    m_errors = NewCounter(QStringLiteral("LabelErrors"), frame);

    // Two counters a row, Total and Processed over Added and Errors, as many rows as the options
    // beside them; the progress bar under them.
    auto* grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    const std::pair<const char*, const char*> captions[] = {{"LabelTotalCaption", "Total"},
                                                            {"LabelReadCaption", "Processed"},
                                                            {"LabelAddedCaption", "Added"},
                                                            {"LabelErrorsCaption", "Errors"}};
    QLabel* values[] = {m_total, m_read, m_added, m_errors};
    for (int i = 0; i < 4; ++i) {
        const int row = i / 2;
        const int column = (i % 2) * 3;
        grid->addWidget(
            NewCaption(QLatin1String(captions[i].first), QLatin1String(captions[i].second), frame), row,
            column);
        grid->addWidget(values[i], row, column + 1);
    }
    grid->setColumnMinimumWidth(2, 10);
    m_progress = new QProgressBar(frame);
    m_progress->setObjectName(QStringLiteral("ProgressRun"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setFormat(QStringLiteral("%p%"));
    m_progress->setAlignment(Qt::AlignCenter);
    grid->addWidget(m_progress, 2, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    return frame;
}

QGroupBox* DMMain::BuildFrameStatus() {
    auto* frame = new QGroupBox(QStringLiteral("Status"), this);
    frame->setObjectName(QStringLiteral("FrameStatus"));
    auto* status = new ElidedLabel(Qt::ElideRight, frame);
    status->setObjectName(QStringLiteral("LabelStatus"));
    status->setMinimumCharacters(48);
    setStatusLabel(status);
    setRunState(app::RunState::Idle);

    m_rate = new QLabel(frame);
    m_rate->setObjectName(QStringLiteral("LabelRate"));
    m_rate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_rate->setForegroundRole(QPalette::PlaceholderText);

    auto* row = new QHBoxLayout(frame);
    row->addWidget(status, 1);
    row->addWidget(m_rate);
    return frame;
}

QWidget* DMMain::BuildFrameInfo() {
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("FrameInfo"));
    m_userName = NewInfo(QStringLiteral("LabelUserName"), QStringLiteral("Your login id"), frame);
    m_primaryGroup =
        NewInfo(QStringLiteral("LabelPrimaryGroup"), QStringLiteral("Your primary group"), frame);
    m_libraryName = NewInfo(QStringLiteral("LabelLibraryName"),
                            QStringLiteral("Right-click here to change current library"), frame);
    m_libraryName->setContextMenuPolicy(Qt::PreventContextMenu);
    m_libraryName->installEventFilter(this);

    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);
    grid->addWidget(NewCaption(QStringLiteral("LabelUserNameCaption"), QStringLiteral("Login id:"), frame), 0,
                    0);
    grid->addWidget(m_userName, 0, 1);
    grid->addWidget(
        NewCaption(QStringLiteral("LabelPrimaryGroupCaption"), QStringLiteral("Primary group:"), frame), 1,
        0);
    grid->addWidget(m_primaryGroup, 1, 1);
    grid->addWidget(NewCaption(QStringLiteral("LabelLibraryNameCaption"), QStringLiteral("Library:"), frame),
                    2, 0);
    grid->addWidget(m_libraryName, 2, 1);
    grid->setColumnStretch(1, 1);
    return frame;
}

QWidget* DMMain::BuildFrameButtons() {
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("FrameButtons"));
    m_buttonGo = new QPushButton(QStringLiteral("&Go!"), frame);
    m_buttonGo->setObjectName(QStringLiteral("Button_Go"));
    m_buttonGo->setToolTip(QStringLiteral("Start importing folders"));
    m_buttonGo->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_buttonGo->setMinimumWidth(96);
    connect(m_buttonGo, &QPushButton::clicked, this, [this] { Q_EMIT goRequested(false); });
    // The same run as Go, but nothing is written: what Go would create and file goes to the log.
    m_buttonCheck = new QPushButton(QStringLiteral("Chec&k only"), frame);
    m_buttonCheck->setObjectName(QStringLiteral("Button_Check"));
    m_buttonCheck->setToolTip(QStringLiteral("Look up every folder and log what Go would create and file, "
                                             "without changing the libraries"));
    connect(m_buttonCheck, &QPushButton::clicked, this, [this] { Q_EMIT goRequested(true); });
    m_buttonExit = new QPushButton(QStringLiteral("&Exit"), frame);
    m_buttonExit->setObjectName(QStringLiteral("Button_Exit"));
    m_buttonExit->setToolTip(QStringLiteral("Exit this program"));
    m_buttonExit->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    m_buttonExit->setMinimumWidth(96);
    connect(m_buttonExit, &QPushButton::clicked, this, &DMMain::Button_Exit_Click);

    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(m_buttonGo);
    row->addWidget(m_buttonCheck);
    row->addWidget(m_buttonExit);
    return frame;
}

void DMMain::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("MNFileMain"));
    QAction* view = file->addAction(QStringLiteral("View Log"), this, [this] { MNLogView_Click(); });
    view->setObjectName(QStringLiteral("MNLogView"));
    m_logPurge = file->addAction(QStringLiteral("Purge Log"), this, [this] { MNLogPurge_Click(); });
    m_logPurge->setObjectName(QStringLiteral("MNLogPurge"));
    m_undoRun = file->addAction(QStringLiteral("Undo a run…"), this, &DMMain::undoRunRequested);
    m_undoRun->setObjectName(QStringLiteral("MNUndoRun"));
    file->addSeparator()->setObjectName(QStringLiteral("MNLine01"));
    QAction* toggle =
        file->addAction(QStringLiteral("Toggle Libraries"), this, [this] { MNToggleLibs_Click(); });
    toggle->setObjectName(QStringLiteral("MNToggleLibs"));
    file->addSeparator()->setObjectName(QStringLiteral("MNLine02"));
    QAction* exit = file->addAction(QStringLiteral("Exit"), this, [this] { Button_Exit_Click(); });
    exit->setObjectName(QStringLiteral("MNFileExit"));

    m_libMenu = menuBar()->addMenu(QStringLiteral("&Libraries"));
    m_libMenu->setObjectName(QStringLiteral("MNLibMain"));
    NewLibListEntry()->setVisible(false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("MNHelpMain"));
    m_qorvOptions = help->addAction(QStringLiteral("Display Current DM Settings"), this,
                                    &DMMain::settingsViewerRequested);
    m_qorvOptions->setObjectName(QStringLiteral("MNQorvOptions"));
    help->addSeparator()->setObjectName(QStringLiteral("MNHelpLine01"));
    m_readme = help->addAction(QStringLiteral("View &Readme"), this, &DMMain::readmeRequested);
    m_readme->setObjectName(QStringLiteral("MNHelpReadme"));
    m_helpAbout = help->addAction(QStringLiteral("&About"), this, [this] { HelpAbout(); });
    m_helpAbout->setObjectName(QStringLiteral("MNHelpAbout"));
}

QAction* DMMain::NewLibListEntry() {
    const int index = static_cast<int>(m_libList.size());
    QAction* entry = m_libMenu->addAction(QString(), this, [this, index] { MNLibList_Click(index); });
    entry->setObjectName(QStringLiteral("MNLibList"));
    entry->setProperty("index", index);
    entry->setCheckable(true);
    m_libList.push_back(entry);
    return entry;
}

void DMMain::SetTabOrder() {
    const std::vector<QWidget*> order = {m_comboImportSet,    m_buttonConfigure,      m_buttonFile,
                                         m_libBoxes.front(),  m_checkAddExistingDocs, m_checkAddNewDocs,
                                         m_checkFillFromLine, m_checkLogMethod,       m_buttonLogDir,
                                         m_buttonGo,          m_buttonCheck,          m_buttonExit};
    for (size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void DMMain::PlaceForm(const app::FormContent& content) {
    if (m_placed)
        return;
    m_placed = true;
    const int count = static_cast<int>(content.libraries.size());
    for (int e = 0; e < count; ++e) {
        QCheckBox* box = e == 0 ? m_libBoxes.front() : NewLibBox();
        QAction* entry = e == 0 ? m_libList.front() : NewLibListEntry();
        if (e > 0)
            setTabOrder(m_libBoxes[static_cast<size_t>(e - 1)], box);
        m_libraryGrid->addWidget(box, e / kBoxesPerRow, e % kBoxesPerRow);
        const app::LibraryChoice& library = content.libraries.at(e);
        entry->setText(library.name);
        entry->setChecked(library.name == content.currentLibrary);
        entry->setVisible(true);
        box->setText(library.name);
        box->setVisible(true);
        box->setChecked(library.ticked);
    }
    // Equal columns, so that the boxes stand in a regular grid whatever their names.
    int widest = 0;
    for (QCheckBox* box : m_libBoxes)
        widest = std::max(widest, box->sizeHint().width());
    for (int column = 0; column < kBoxesPerRow; ++column)
        m_libraryGrid->setColumnMinimumWidth(column, widest);

    m_comboImportSet->clear();
    m_comboImportSet->addItems(content.importSets);
    if (content.selectedImportSet >= 0 && content.selectedImportSet < m_comboImportSet->count())
        m_comboImportSet->setCurrentIndex(content.selectedImportSet);
    else
        m_comboImportSet->setCurrentIndex(-1);
}

void DMMain::setAboutInfo(const QString& dmVersion, const QString& build, const QString& buildDate) {
    m_dmVersion = dmVersion;
    m_build = build;
    m_buildDate = buildDate;
}

void DMMain::HelpAbout() {
    setBusy(true);
    yield();
    QorvSplash about(this);
    about.setDmVersion(m_dmVersion);
    about.setBuild(m_build, m_buildDate);
    about.setStatusText(QStringLiteral("Press any key to continue"));
    about.setModal(true);
    setBusy(false);
    yield();
    about.exec();
}

void DMMain::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

QRect DMMain::screenArea() const {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QSize DMMain::windowSize() const {
    return frameGeometry().size();
}

// The place saved and the place restored are both the top left of the window's inside (without the
// frame the window manager adds): before the window is first shown its frame is not known, so a frame
// position given then is taken for the inside by some window managers, and the window crept up by the
// height of its title bar at every start.
QPoint DMMain::position() const {
    return geometry().topLeft();
}

void DMMain::moveTo(const QPoint& position) {
    // The size the frames need, so that placing the window does not also resize it.
    if (QLayout* own = layout())
        own->activate();
    setGeometry(QRect(position, size()));
}

void DMMain::setWindowShown(bool shown) {
    setVisible(shown);
}

void DMMain::setWindowEnabled(bool enabled) {
    setEnabled(enabled);
}

void DMMain::activate() {
    raise();
    activateWindow();
    setFocus();
}

void DMMain::setImportFileLabel(const QString& path) {
    m_fileName->setFullText(path);
}

void DMMain::setLogFileTip(const QString& fileName) {
    m_buttonLogDir->setToolTip(fileName);
}

void DMMain::setReadmeVisible(bool visible) {
    m_readme->setVisible(visible);
}

app::RunChoices DMMain::runChoices() const {
    app::RunChoices choices;
    if (m_placed)
        for (QCheckBox* box : m_libBoxes)
            choices.libraries.append({box->text(), box->isChecked()});
    choices.importSet = m_comboImportSet->currentText();
    choices.importFile = m_fileName->text();
    choices.addExistingDocs = m_checkAddExistingDocs->isChecked();
    choices.addNewDocs = m_checkAddNewDocs->isChecked();
    choices.fillFromLine = m_checkFillFromLine->isChecked();
    return choices;
}

void DMMain::setAddNewDocs(bool ticked) {
    m_checkAddNewDocs->setChecked(ticked);
}

void DMMain::setFillFromLine(bool ticked) {
    m_checkFillFromLine->setChecked(ticked);
}

void DMMain::setAddExistingDocs(bool ticked) {
    m_checkAddExistingDocs->setChecked(ticked);
}

bool DMMain::verboseLogging() const {
    return m_checkLogMethod->isChecked();
}

void DMMain::setVerboseLogging(bool ticked) {
    m_checkLogMethod->setChecked(ticked);
    m_log.setVerbose(ticked);
}

void DMMain::setUserName(const QString& userName) {
    m_userName->setText(userName);
}

void DMMain::setPrimaryGroup(const QString& primaryGroup) {
    m_primaryGroup->setText(primaryGroup);
}

void DMMain::setLibraryName(const QString& libraryName) {
    m_libraryName->setText(libraryName);
}

void DMMain::checkLibraryMenu(const QString& libraryName) {
    for (QAction* entry : m_libList)
        entry->setChecked(entry->text() == libraryName);
}

void DMMain::beep() {
    QApplication::beep();
}

void DMMain::setCounter(app::RunCounter counter, qint64 value) {
    QLabel* label = nullptr;
    switch (counter) {
    case app::RunCounter::Total:
        label = m_total;
        break;
    case app::RunCounter::Processed:
        label = m_read;
        break;
    case app::RunCounter::Added:
        label = m_added;
        break;
    case app::RunCounter::Errors:
        label = m_errors;
        break;
    }
    if (label)
        label->setText(FormatWhole(value));
}

void DMMain::untickLibrary(int index) {
    if (index >= 0 && index < static_cast<int>(m_libBoxes.size()))
        m_libBoxes[static_cast<size_t>(index)]->setChecked(false);
}

void DMMain::setGoEnabled(bool enabled) {
    m_buttonGo->setEnabled(enabled);
    m_buttonCheck->setEnabled(enabled);
}

void DMMain::setRunInProgress(bool running) {
    m_runInProgress = running;
    if (running)
        m_stopRequested = false;
    // A run reads the library ticks and the two "Add documents" boxes as it goes, so they, Toggle
    // Libraries, Verbose Logging, View Log, View Readme and Exit stay live. What it took at its start,
    // or what would pull the ground from under it, waits for its end:
    // - the library menu and the settings viewer would switch the current library under it;
    // - Configure would reload the rules, and the import set box and the import file chooser would show
    //   a set or a file that it does not read; nor does it read "Fill new folders" again;
    // - the log file chooser would split its log over two files, and Purge Log would delete the file
    //   it is writing;
    // - About is modal and would hold the run while it is open, and an undo would write beside it.
    const std::initializer_list<QAction*> heldActions = {m_libMenu->menuAction(), m_qorvOptions, m_logPurge,
                                                         m_undoRun, m_helpAbout};
    for (QAction* action : heldActions)
        action->setEnabled(!running);
    const std::initializer_list<QWidget*> heldWidgets = {m_buttonConfigure, m_comboImportSet, m_buttonFile,
                                                         m_checkFillFromLine, m_buttonLogDir};
    for (QWidget* widget : heldWidgets)
        widget->setEnabled(!running);
}

void DMMain::setRunState(app::RunState state) {
    SetLabelColour(statusLabel(),
                   state == app::RunState::Running ? QColor(0xC0, 0x00, 0x00) : QColor(0x00, 0x00, 0xC0));
}

void DMMain::showProgress(qint64 processed, qint64 total) {
    if (total <= 0) {
        m_progress->setValue(0);
        return;
    }
    const qint64 clamped = std::clamp<qint64>(processed, 0, total);
    m_progress->setValue(static_cast<int>(clamped * 100 / total));
}

void DMMain::showRate(const QString& text) {
    m_rate->setText(text);
}

void DMMain::endProgram(int exitStatus) {
    Q_EMIT shutdownRequested(exitStatus);
}

void DMMain::Button_Exit_Click() {
    // During a run the run stops between two items and then ends the program itself.
    if (m_runInProgress)
        m_stopRequested = true;
    else
        Q_EMIT shutdownRequested(0);
}

void DMMain::Form_KeyDown(int key) {
    if (key == Qt::Key_Escape && m_runInProgress)
        Button_Exit_Click();
    else if (key == Qt::Key_F3 && m_buttonFile->isEnabled())
        Q_EMIT importFileRequested();
}

void DMMain::LabelLibraryName_MouseUp(Qt::MouseButton button, const QPoint& globalPosition) {
    if (button == Qt::RightButton && m_libMenu->menuAction()->isEnabled())
        m_libMenu->popup(globalPosition);
}

void DMMain::MNLibList_Click(int index) {
    if (index >= 0 && index < static_cast<int>(m_libList.size()))
        Q_EMIT libraryChosen(m_libList[static_cast<size_t>(index)]->text());
}

void DMMain::MNToggleLibs_Click() {
    for (QCheckBox* box : m_libBoxes)
        if (box->isEnabled())
            box->setChecked(!box->isChecked());
}

void DMMain::MNLogView_Click() {
    m_log.ViewFile(m_log.datedName());
}

void DMMain::MNLogPurge_Click() {
    m_log.PurgeFile(m_log.datedName());
}

void DMMain::closeEvent(QCloseEvent* event) {
    // Closing the window is the Exit command; the shutdown decides when the window goes.
    event->ignore();
    Button_Exit_Click();
}

bool DMMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_libraryName && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        LabelLibraryName_MouseUp(mouse->button(), mouse->globalPosition().toPoint());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace vantrelis::gui
