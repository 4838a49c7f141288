#include "gui/QorvOptions.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>

namespace vantrelis::gui {

namespace {

QLabel* NewPanel(const QString& tip, QStatusBar* bar) {
    auto* panel = new QLabel(bar);
    panel->setToolTip(tip);
    panel->setTextFormat(Qt::PlainText);
    // Bevelled panels, as a status bar's panels are drawn.
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    panel->setMargin(1);
    bar->addWidget(panel, 1);
    return panel;
}

// Shows a list in a chooser and selects one entry, without counting as the user's choice.
void ShowChooser(QComboBox* combo, const QStringList& entries, int selected) {
    const QSignalBlocker blocker(combo);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown.append(combo->itemText(i));
    if (shown != entries) {
        combo->clear();
        combo->addItems(entries);
    }
    combo->setCurrentIndex(selected);
}

} // namespace

QorvOptions::QorvOptions(app::DmSettingsViewer& viewer, QWidget* parent) : QDialog(parent), m_viewer(viewer) {
    setObjectName(QStringLiteral("QorvOptions"));
    setWindowTitle(QStringLiteral("eDOCS Local Settings"));

    auto* frameProperties = new QGroupBox(this);
    frameProperties->setObjectName(QStringLiteral("FrameProperties"));
    auto* grid = new QGridLayout(frameProperties);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);

    auto* libCaption = new QLabel(QStringLiteral("Library:"), frameProperties);
    libCaption->setObjectName(QStringLiteral("LabelLibList"));
    m_comboLibList = new QComboBox(frameProperties);
    m_comboLibList->setObjectName(QStringLiteral("ComboLibList"));
    m_comboLibList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_comboLibList->setMinimumContentsLength(20);
    libCaption->setBuddy(m_comboLibList);
    connect(m_comboLibList, &QComboBox::activated, this, [this](int index) { ComboLibList_Click(index); });

    m_comboPropertyItem = new QComboBox(frameProperties);
    m_comboPropertyItem->setObjectName(QStringLiteral("ComboPropertyItem"));
    m_comboPropertyItem->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_comboPropertyItem->setMinimumContentsLength(28);
    m_comboPropertyItem->setMaxVisibleItems(20);
    connect(m_comboPropertyItem, &QComboBox::activated, this,
            [this](int index) { ComboPropertyItem_Click(index); });

    auto* valueCaption = new QLabel(QStringLiteral("Property Value:"), frameProperties);
    valueCaption->setObjectName(QStringLiteral("LabelPropertyValue"));
    m_propertyResult = new QLabel(frameProperties);
    m_propertyResult->setObjectName(QStringLiteral("LabelPropertyResult"));
    m_propertyResult->setTextFormat(Qt::PlainText);
    m_propertyResult->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_propertyResult->setMargin(3);
    m_propertyResult->setWordWrap(true);
    m_propertyResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_propertyResult->setMinimumHeight(m_comboPropertyItem->sizeHint().height());

    grid->addWidget(libCaption, 0, 0);
    grid->addWidget(m_comboLibList, 0, 1);
    grid->addWidget(m_comboPropertyItem, 1, 0, 1, 2);
    grid->addWidget(valueCaption, 2, 0);
    grid->addWidget(m_propertyResult, 2, 1);
    grid->setColumnStretch(1, 1);

    auto* frameButtons = new QWidget(this);
    frameButtons->setObjectName(QStringLiteral("FrameButtons"));
    auto* buttons = new QHBoxLayout(frameButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    m_buttonExit = new QPushButton(QStringLiteral("&Close"), frameButtons);
    m_buttonExit->setObjectName(QStringLiteral("ButtonExit"));
    m_buttonExit->setDefault(true);
    connect(m_buttonExit, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addStretch(1);
    buttons->addWidget(m_buttonExit);

    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatusBarInfo"));
    statusBar->setSizeGripEnabled(false);
    m_panelLibrary = NewPanel(QStringLiteral("Your primary library"), statusBar);
    m_panelUser = NewPanel(QStringLiteral("Your User ID"), statusBar);
    m_panelGroup = NewPanel(QStringLiteral("Your primary group"), statusBar);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 12, 12, 10);
    body->setSpacing(10);
    body->addWidget(frameProperties);
    body->addWidget(frameButtons);
    layout->addLayout(body);
    layout->addWidget(statusBar);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_comboLibList, m_comboPropertyItem);
    setTabOrder(m_comboPropertyItem, m_buttonExit);
}

int QorvOptions::ShowModal(app::DmSettingsViewer& viewer, QWidget* parent) {
    QorvOptions form(viewer, parent);
    if (!form.Form_Load())
        return QDialog::Rejected;
    return form.exec();
}

bool QorvOptions::Form_Load() {
    m_loaded = m_viewer.Open();
    if (m_loaded)
        ShowAll();
    return m_loaded;
}

void QorvOptions::done(int result) {
    if (m_loaded) {
        m_loaded = false;
        m_viewer.Close();
    }
    QDialog::done(result);
}

void QorvOptions::ComboLibList_Click(int index) {
    m_viewer.ChooseLibrary(m_comboLibList->itemText(index));
    ShowAll();
}

void QorvOptions::ComboPropertyItem_Click(int index) {
    m_viewer.ChooseParameter(m_comboPropertyItem->itemText(index));
    ShowAll();
}

void QorvOptions::ShowAll() {
    ShowChooser(m_comboLibList, m_viewer.libraryNames(), m_viewer.libraryIndex());
    ShowChooser(m_comboPropertyItem, m_viewer.parameterNames(), m_viewer.parameterIndex());
    m_propertyResult->setText(m_viewer.propertyResult());
    m_panelLibrary->setText(m_viewer.primaryLibrary());
    m_panelUser->setText(m_viewer.userId());
    m_panelGroup->setText(m_viewer.primaryGroup());
}

} // namespace vantrelis::gui
