#pragma once

#include "common/Log.h"
#include "config/DefinitionEditorModel.h"
#include "config/ImportSetTable.h"
#include "config/ImportSets.h"
#include "config/RuleTable.h"
#include "dm/DmSession.h"

#include <QString>
#include <QStringList>

namespace vantrelis {

// The editing boxes below the column list: `TextStart`, `TextEnd`, `TextDefault`, `CheckSort`.
struct DefinitionEditBoxes {
    QString start;
    QString end;
    QString defaultValue;
    bool sort = false;
};

// What the import set editor `Vantrelis_Definition` does, without its widgets: the set chooser,
// the rule texts, the column list derived from the rule's tokens and filled with the stored
// values, the editing boxes of the selected row, and saving through SaveDefinition. The window
// forwards its events here and shows the state back.
class DefinitionEditor {
public:
    // Column numbers of `ListSetColumns`.
    enum ListColumn { ColumnName = 0, ColumnStart, ColumnEnd, ColumnDefault, ColumnSort, ListColumnCount };
    // The largest character position or field number a column may have: the column table reads no
    // further, and a larger number would be cut to it without a word.
    static constexpr qint64 kLargestPosition = 1000000000;

    DefinitionEditor(const RuleTable& rules, const ImportSetTable& importSets, ImportSets& store, Log& log,
                     const dm::DmSession& session);

    // The column names a rule offers: the tokens of its template, then of its security text, each
    // once, without the built-in tokens and the LEFT/RIGHT functions.
    static QStringList ColumnTokens(const QString& templateText, const QString& securityText);

    // Form load: fills the chooser with the rule names and shows the one named as the main window's
    // import set (the first when it names none). Nothing is saved.
    void Open(const QString& mainWindowSet);
    // Shows the set at a 0-based chooser position: rule texts, columns, stored values.
    void GetDefinition(int index);
    // Chooser click: saves the set shown (changed or not) and shows the chosen one.
    void ChooseSet(int index);
    // List row click (1-based): keeps what the boxes hold for the row edited before, when both
    // position boxes hold text, and loads the chosen row into the boxes.
    void SelectRow(int row);
    // `ButtonApply`: the boxes as they are into the selected row.
    void Apply();
    // Header click: sorts the list by that column, reversing on a second click of the same one.
    void SortByColumn(int column);
    // Form unload: saves the set shown.
    void Close();

    // Edits typed into the boxes. A delimiter or default that cannot be stored is refused: the
    // previous value stays, the answer is false and delimiterMessage() or boxMessage() says why.
    bool setDelimiter(const QString& delimiter);
    void setStart(const QString& text) { m_boxes.start = text; }
    void setEnd(const QString& text) { m_boxes.end = text; }
    bool setDefault(const QString& text);
    void setSort(bool sort) { m_boxes.sort = sort; }
    // A position box losing the focus: a whole number in range is taken as "#0"; anything else is
    // refused, the box gets back the value it had, and boxMessage() says why. False when refused.
    bool StartLostFocus();
    bool EndLostFocus();

    // Short texts shown beside the boxes they are about; empty when there is nothing to say.
    const QString& delimiterMessage() const { return m_delimiterMessage; }
    const QString& boxMessage() const { return m_boxMessage; }
    // Shown with the column list: the set shown has no columns, and why.
    QString setMessage() const;

    const DefinitionEditorModel& model() const { return m_model; }
    const DefinitionEditBoxes& boxes() const { return m_boxes; }
    int shownSet() const { return m_shown; }
    // 1-based row whose values are in the boxes; 0 for none.
    int editingRow() const { return m_editing; }
    const QString& templateText() const { return m_templateText; }
    const QString& securityText() const { return m_securityText; }
    const QString& formText() const { return m_formText; }
    // Caption of `FrameInside`: the edited row's column name and ":".
    const QString& frameCaption() const { return m_frameCaption; }
    // A delimited set numbers fields instead of character positions and has no end.
    bool delimited() const { return !m_model.delimiter.isEmpty(); }
    QString startCaption() const;
    int sortColumn() const { return m_sortColumn; }
    bool sortDescending() const { return m_sortDescending; }

    // The text of one cell of the list.
    static QString Cell(const DefinitionColumnRow& row, int column);

    // Why a position box's text is not taken (`caption` names the box: "Start", "Column", "End");
    // empty for a whole number from 0 to kLargestPosition, blanks around it allowed.
    static QString PositionProblem(const QString& caption, const QString& text);
    // Why a delimiter is not taken; empty for no delimiter or one character that can be stored.
    static QString DelimiterProblem(const QString& delimiter);
    // Why a default value is not taken: a ":" would start a new field of the stored definition.
    static QString DefaultProblem(const QString& defaultValue);

private:
    void Busy(bool busy) noexcept;
    void FillStoredValues(const QString& setName);
    void ClearBoxes();
    bool SettleBox(QString& box, QString& kept, const QString& caption);
    // Both position boxes settled, as when they lose the focus; false when one was refused.
    bool SettleBoxes();
    void LoadRow(const DefinitionColumnRow& row);

    const RuleTable& m_rules;
    const ImportSetTable& m_importSets;
    ImportSets& m_store;
    Log& m_log;
    const dm::DmSession& m_session;

    DefinitionEditorModel m_model;
    DefinitionEditBoxes m_boxes;
    // The last values the position boxes took: what a refused text gives way to.
    QString m_keptStart;
    QString m_keptEnd;
    QString m_delimiterMessage;
    QString m_boxMessage;
    int m_shown = -1;
    int m_editing = 0;
    QString m_templateText;
    QString m_securityText;
    QString m_formText;
    QString m_frameCaption;
    int m_sortColumn = -1;
    bool m_sortDescending = false;
};

} // namespace vantrelis
