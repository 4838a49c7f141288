#pragma once

#include "config/DefinitionEditor.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vantrelis::gui {

// The import set editor: the set chooser, the delimiter, the rule's texts, the column list and the
// editing boxes of the selected column. It shows the editor logic's state and forwards the user's
// edits to it; the set shown is saved on every switch of set and when the window closes.
class Vantrelis_Definition : public QDialog {
    Q_OBJECT
public:
    Vantrelis_Definition(DefinitionEditor& editor, QWidget* parent = nullptr);

    // Opens the editor on the main window's import set and shows it modally.
    static int ShowModal(DefinitionEditor& editor, const QString& mainWindowSet, QWidget* parent);

    // Form load: fills the chooser and shows the set named in the main window.
    void Form_Load(const QString& mainWindowSet);

public Q_SLOTS:
    // Closing in any way (Close, Esc, the title bar) unloads the form, which saves the set shown.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildChooser();
    QWidget* BuildRuleTexts();
    QGroupBox* BuildFrameInside();
    QWidget* BuildButtons();

    void ComboImportSet_Click(int index);
    void ListSetColumns_ItemClick(QTreeWidgetItem* item);
    void ListSetColumns_ColumnClick(int column);
    void TextDelimiter_Change(const QString& text);
    void TextDefault_Change(const QString& text);
    void ButtonApply_Click();

    // Shows the editor's state: everything, or the list and the boxes only.
    void ShowAll();
    void ShowList();
    void ShowBoxes();
    void AdjustToDelimiter();
    // The editor's reasons for refusing a value, beside the boxes they are about.
    void ShowMessages();

    DefinitionEditor& m_editor;
    bool m_showing = false;
    bool m_unloaded = false;

    QComboBox* m_comboImportSet = nullptr;
    QLineEdit* m_textDelimiter = nullptr;
    QLabel* m_delimiterMessage = nullptr;
    QLabel* m_templateText = nullptr;
    QLabel* m_securityText = nullptr;
    QLabel* m_formText = nullptr;
    QTreeWidget* m_listSetColumns = nullptr;
    QGroupBox* m_frameInside = nullptr;
    QLabel* m_labelStart = nullptr;
    QLabel* m_labelEnd = nullptr;
    QLineEdit* m_textStart = nullptr;
    QLineEdit* m_textEnd = nullptr;
    QLineEdit* m_textDefault = nullptr;
    QCheckBox* m_checkSort = nullptr;
    QPushButton* m_buttonApply = nullptr;
    QLabel* m_boxMessage = nullptr;
    QLabel* m_setMessage = nullptr;
    QPushButton* m_buttonExit = nullptr;
};

} // namespace vantrelis::gui
