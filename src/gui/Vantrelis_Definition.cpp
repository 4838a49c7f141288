#include "gui/Vantrelis_Definition.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace vantrelis::gui {

namespace {

QLabel* NewCaption(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

// A rule text: read-only, selectable so that it can be copied, wrapped when long.
QLabel* NewRuleText(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    label->setMargin(3);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return label;
}

QLineEdit* NewBox(const QString& name, int characters, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    if (characters > 0)
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(characters, QLatin1Char('0'))) + 16);
    return box;
}

// A short reason for a refused value, in the status line's error colour; empty when all is well.
QLabel* NewMessage(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0xC0, 0x00, 0x00));
    label->setPalette(palette);
    return label;
}

// Shows a text in a box without moving the cursor of a box that already holds it.
void SetBoxText(QLineEdit* box, const QString& text) {
    if (box->text() != text)
        box->setText(text);
}

} // namespace

Vantrelis_Definition::Vantrelis_Definition(DefinitionEditor& editor, QWidget* parent)
    : QDialog(parent), m_editor(editor) {
    setObjectName(QStringLiteral("Vantrelis_Definition"));
    setWindowTitle(QStringLiteral("Vantrelis Import Set Definition"));
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(BuildChooser());
    layout->addWidget(BuildRuleTexts());

    m_listSetColumns = new QTreeWidget(this);
    m_listSetColumns->setObjectName(QStringLiteral("ListSetColumns"));
    m_listSetColumns->setToolTip(QStringLiteral("Make changes to each column as applicable"));
    m_listSetColumns->setHeaderLabels({QStringLiteral("Column Name"), QStringLiteral("Start Pos"),
                                       QStringLiteral("End Pos"), QStringLiteral("Default Value"),
                                       QStringLiteral("Sort")});
    for (int column :
         {DefinitionEditor::ColumnStart, DefinitionEditor::ColumnEnd, DefinitionEditor::ColumnSort})
        m_listSetColumns->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    m_listSetColumns->setRootIsDecorated(false);
    m_listSetColumns->setUniformRowHeights(true);
    m_listSetColumns->setAlternatingRowColors(true);
    m_listSetColumns->setAllColumnsShowFocus(true);
    m_listSetColumns->setSelectionMode(QAbstractItemView::SingleSelection);
    // The list's order is the set's column order: it is sorted by the editor, not by the view.
    m_listSetColumns->setSortingEnabled(false);
    QHeaderView* header = m_listSetColumns->header();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(DefinitionEditor::ColumnName, QHeaderView::Stretch);
    const int number = fontMetrics().horizontalAdvance(QStringLiteral("End Pos")) + 28;
    header->resizeSection(DefinitionEditor::ColumnStart, number);
    header->resizeSection(DefinitionEditor::ColumnEnd, number);
    header->resizeSection(DefinitionEditor::ColumnDefault, fontMetrics().horizontalAdvance(QString(18, 'M')));
    header->resizeSection(DefinitionEditor::ColumnSort,
                          fontMetrics().horizontalAdvance(QStringLiteral("Sort")) + 28);
    m_listSetColumns->setMinimumHeight(m_listSetColumns->sizeHintForRow(0) * 8 + header->sizeHint().height());
    connect(m_listSetColumns, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { ListSetColumns_ItemClick(item); });
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int column) { ListSetColumns_ColumnClick(column); });
    layout->addWidget(m_listSetColumns, 1);
    m_setMessage = NewMessage(QStringLiteral("LabelSetMessage"), this);
    m_setMessage->setWordWrap(true);
    m_setMessage->setVisible(false);
    layout->addWidget(m_setMessage);

    layout->addWidget(BuildFrameInside());
    layout->addWidget(BuildButtons());

    setTabOrder(m_comboImportSet, m_textDelimiter);
    setTabOrder(m_textDelimiter, m_listSetColumns);
    setTabOrder(m_listSetColumns, m_textStart);
    setTabOrder(m_textStart, m_textEnd);
    setTabOrder(m_textEnd, m_textDefault);
    setTabOrder(m_textDefault, m_checkSort);
    setTabOrder(m_checkSort, m_buttonApply);
    setTabOrder(m_buttonApply, m_buttonExit);
    resize(680, 520);
}

QWidget* Vantrelis_Definition::BuildChooser() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto* setCaption =
        NewCaption(QStringLiteral("LabelImportSetName"), QStringLiteral("Import Set Name:"), row);
    m_comboImportSet = new QComboBox(row);
    m_comboImportSet->setObjectName(QStringLiteral("ComboImportSet"));
    m_comboImportSet->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_comboImportSet->setMinimumContentsLength(24);
    m_comboImportSet->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCaption->setBuddy(m_comboImportSet);
    connect(m_comboImportSet, &QComboBox::activated, this,
            [this](int index) { ComboImportSet_Click(index); });

    auto* delimiterCaption =
        NewCaption(QStringLiteral("LabelDelimiter"), QStringLiteral("Column Delimiter:"), row);
    m_textDelimiter = NewBox(QStringLiteral("TextDelimiter"), 3, row);
    m_textDelimiter->setAlignment(Qt::AlignCenter);
    delimiterCaption->setBuddy(m_textDelimiter);
    connect(m_textDelimiter, &QLineEdit::textEdited, this,
            [this](const QString& text) { TextDelimiter_Change(text); });

    m_delimiterMessage = NewMessage(QStringLiteral("LabelDelimiterMessage"), row);
    m_delimiterMessage->setMinimumWidth(m_delimiterMessage->fontMetrics().horizontalAdvance(
        QStringLiteral("The delimiter is one character")));

    layout->addWidget(setCaption);
    layout->addWidget(m_comboImportSet, 1);
    layout->addSpacing(16);
    layout->addWidget(delimiterCaption);
    layout->addWidget(m_textDelimiter);
    layout->addWidget(m_delimiterMessage);
    return row;
}

QWidget* Vantrelis_Definition::BuildRuleTexts() {
    auto* texts = new QWidget(this);
    auto* form = new QFormLayout(texts);
    form->setContentsMargins(0, 0, 0, 0);
    form->setHorizontalSpacing(8);
    form->setVerticalSpacing(6);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_templateText = NewRuleText(QStringLiteral("LabelTemplateText"), texts);
    m_securityText = NewRuleText(QStringLiteral("LabelSecurityText"), texts);
    m_formText = NewRuleText(QStringLiteral("LabelFormText"), texts);
    form->addRow(NewCaption(QStringLiteral("LabelTemplate"), QStringLiteral("Template:"), texts),
                 m_templateText);
    form->addRow(NewCaption(QStringLiteral("LabelSecurity"), QStringLiteral("Security:"), texts),
                 m_securityText);
    form->addRow(NewCaption(QStringLiteral("LabelForm"), QStringLiteral("Folder Form:"), texts), m_formText);
    return texts;
}

QGroupBox* Vantrelis_Definition::BuildFrameInside() {
    m_frameInside = new QGroupBox(this);
    m_frameInside->setObjectName(QStringLiteral("FrameInside"));
    auto* column = new QVBoxLayout(m_frameInside);
    column->setSpacing(4);
    auto* layout = new QHBoxLayout;
    layout->setSpacing(8);
    column->addLayout(layout);
    // Always there, empty or not, so that a message does not move the boxes.
    m_boxMessage = NewMessage(QStringLiteral("LabelBoxMessage"), m_frameInside);
    m_boxMessage->setMinimumHeight(m_boxMessage->fontMetrics().height());
    column->addWidget(m_boxMessage);

    m_labelStart = NewCaption(QStringLiteral("LabelStart"), QStringLiteral("Start:"), m_frameInside);
    m_textStart = NewBox(QStringLiteral("TextStart"), 5, m_frameInside);
    m_labelStart->setBuddy(m_textStart);
    m_labelEnd = NewCaption(QStringLiteral("LabelEnd"), QStringLiteral("End:"), m_frameInside);
    m_textEnd = NewBox(QStringLiteral("TextEnd"), 5, m_frameInside);
    m_labelEnd->setBuddy(m_textEnd);
    auto* defaultCaption =
        NewCaption(QStringLiteral("LabelDefault"), QStringLiteral("Default:"), m_frameInside);
    m_textDefault = NewBox(QStringLiteral("TextDefault"), 0, m_frameInside);
    defaultCaption->setBuddy(m_textDefault);
    m_checkSort = new QCheckBox(QStringLiteral("Sort"), m_frameInside);
    m_checkSort->setObjectName(QStringLiteral("CheckSort"));
    m_buttonApply = new QPushButton(QStringLiteral("Apply"), m_frameInside);
    m_buttonApply->setObjectName(QStringLiteral("ButtonApply"));
    m_buttonApply->setToolTip(QStringLiteral("Apply settings"));
    m_buttonApply->setAutoDefault(false);

    for (QLineEdit* box : {m_textStart, m_textEnd}) {
        box->setAlignment(Qt::AlignRight);
        box->installEventFilter(this);
    }
    connect(m_textStart, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_editor.setStart(text); });
    connect(m_textEnd, &QLineEdit::textEdited, this, [this](const QString& text) { m_editor.setEnd(text); });
    connect(m_textDefault, &QLineEdit::textEdited, this,
            [this](const QString& text) { TextDefault_Change(text); });
    connect(m_checkSort, &QCheckBox::clicked, this, [this](bool checked) { m_editor.setSort(checked); });
    connect(m_buttonApply, &QPushButton::clicked, this, [this] { ButtonApply_Click(); });

    layout->addWidget(m_labelStart);
    layout->addWidget(m_textStart);
    layout->addSpacing(6);
    layout->addWidget(m_labelEnd);
    layout->addWidget(m_textEnd);
    layout->addSpacing(6);
    layout->addWidget(defaultCaption);
    layout->addWidget(m_textDefault, 1);
    layout->addSpacing(6);
    layout->addWidget(m_checkSort);
    layout->addSpacing(6);
    layout->addWidget(m_buttonApply);
    // As high with a caption as without one, so that the list does not jump when a row is chosen.
    m_frameInside->setTitle(QStringLiteral("COLUMN:"));
    m_frameInside->setMinimumHeight(m_frameInside->sizeHint().height());
    m_frameInside->setTitle(QString());
    return m_frameInside;
}

QWidget* Vantrelis_Definition::BuildButtons() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_buttonExit = new QPushButton(QStringLiteral("Close"), row);
    m_buttonExit->setObjectName(QStringLiteral("ButtonExit"));
    m_buttonExit->setAutoDefault(false);
    connect(m_buttonExit, &QPushButton::clicked, this, &QDialog::accept);
    layout->addStretch(1);
    layout->addWidget(m_buttonExit);
    return row;
}

int Vantrelis_Definition::ShowModal(DefinitionEditor& editor, const QString& mainWindowSet, QWidget* parent) {
    Vantrelis_Definition form(editor, parent);
    form.Form_Load(mainWindowSet);
    return form.exec();
}

void Vantrelis_Definition::Form_Load(const QString& mainWindowSet) {
    m_editor.Open(mainWindowSet);
    const QSignalBlocker blocker(m_comboImportSet);
    m_comboImportSet->clear();
    m_comboImportSet->addItems(m_editor.model().setNames);
    ShowAll();
}

void Vantrelis_Definition::done(int result) {
    if (!m_unloaded) {
        m_unloaded = true;
        m_editor.Close();
    }
    QDialog::done(result);
}

bool Vantrelis_Definition::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_textStart) {
            m_editor.StartLostFocus();
            SetBoxText(m_textStart, m_editor.boxes().start);
            ShowMessages();
        } else if (watched == m_textEnd) {
            m_editor.EndLostFocus();
            SetBoxText(m_textEnd, m_editor.boxes().end);
            ShowMessages();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Vantrelis_Definition::ComboImportSet_Click(int index) {
    m_editor.ChooseSet(index);
    ShowAll();
}

void Vantrelis_Definition::ListSetColumns_ItemClick(QTreeWidgetItem* item) {
    if (m_showing || !item)
        return;
    const int row = m_listSetColumns->indexOfTopLevelItem(item) + 1;
    const int edited = m_editor.editingRow();
    m_editor.SelectRow(row);
    // The row edited before may have taken the boxes' values.
    if (edited >= 1 && edited <= m_listSetColumns->topLevelItemCount()) {
        const DefinitionColumnRow& values = m_editor.model().columns.at(static_cast<size_t>(edited - 1));
        for (int column = 0; column < DefinitionEditor::ListColumnCount; ++column)
            m_listSetColumns->topLevelItem(edited - 1)
                ->setText(column, DefinitionEditor::Cell(values, column));
    }
    ShowBoxes();
}

void Vantrelis_Definition::ListSetColumns_ColumnClick(int column) {
    m_editor.SortByColumn(column);
    ShowList();
}

void Vantrelis_Definition::TextDelimiter_Change(const QString& text) {
    if (!m_editor.setDelimiter(text))
        m_textDelimiter->setText(m_editor.model().delimiter);
    ShowMessages();
    AdjustToDelimiter();
}

void Vantrelis_Definition::TextDefault_Change(const QString& text) {
    if (!m_editor.setDefault(text)) {
        // The refused character goes; the cursor stays where it was typed.
        const int cursor = m_textDefault->cursorPosition();
        const int removed = static_cast<int>(text.size() - m_editor.boxes().defaultValue.size());
        m_textDefault->setText(m_editor.boxes().defaultValue);
        m_textDefault->setCursorPosition(std::max(0, cursor - removed));
    }
    ShowMessages();
}

void Vantrelis_Definition::ButtonApply_Click() {
    m_editor.Apply();
    ShowList();
    ShowBoxes();
}

void Vantrelis_Definition::ShowAll() {
    {
        const QSignalBlocker blocker(m_comboImportSet);
        m_comboImportSet->setCurrentIndex(m_editor.shownSet());
    }
    m_templateText->setText(m_editor.templateText());
    m_securityText->setText(m_editor.securityText());
    m_formText->setText(m_editor.formText());
    SetBoxText(m_textDelimiter, m_editor.model().delimiter);
    ShowList();
    ShowBoxes();
}

void Vantrelis_Definition::ShowList() {
    m_showing = true;
    m_listSetColumns->clear();
    QList<QTreeWidgetItem*> items;
    for (const DefinitionColumnRow& row : m_editor.model().columns) {
        QStringList cells;
        for (int column = 0; column < DefinitionEditor::ListColumnCount; ++column)
            cells.append(DefinitionEditor::Cell(row, column));
        auto* item = new QTreeWidgetItem(cells);
        for (int column :
             {DefinitionEditor::ColumnStart, DefinitionEditor::ColumnEnd, DefinitionEditor::ColumnSort})
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    m_listSetColumns->addTopLevelItems(items);
    if (m_editor.editingRow() >= 1)
        m_listSetColumns->setCurrentItem(m_listSetColumns->topLevelItem(m_editor.editingRow() - 1));
    QHeaderView* header = m_listSetColumns->header();
    header->setSortIndicatorShown(m_editor.sortColumn() >= 0);
    if (m_editor.sortColumn() >= 0)
        header->setSortIndicator(m_editor.sortColumn(),
                                 m_editor.sortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
    m_showing = false;
}

void Vantrelis_Definition::ShowBoxes() {
    const DefinitionEditBoxes& boxes = m_editor.boxes();
    m_frameInside->setTitle(m_editor.frameCaption());
    SetBoxText(m_textStart, boxes.start);
    SetBoxText(m_textEnd, boxes.end);
    SetBoxText(m_textDefault, boxes.defaultValue);
    m_checkSort->setChecked(boxes.sort);
    ShowMessages();
    AdjustToDelimiter();
}

void Vantrelis_Definition::ShowMessages() {
    m_delimiterMessage->setText(m_editor.delimiterMessage());
    m_boxMessage->setText(m_editor.boxMessage());
    const QString setMessage = m_editor.setMessage();
    m_setMessage->setText(setMessage);
    m_setMessage->setVisible(!setMessage.isEmpty());
}

void Vantrelis_Definition::AdjustToDelimiter() {
    const bool delimited = m_editor.delimited();
    m_labelEnd->setVisible(!delimited);
    m_textEnd->setVisible(!delimited);
    m_labelStart->setText(m_editor.startCaption());
    // The boxes take their new places at once, not at the next pass of the event loop.
    layout()->activate();
}

} // namespace vantrelis::gui
