#include "config/DefinitionEditor.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LibraryDatabase.h"
#include "support/ConnectedProgram.h"
#include "support/LocalEnvironment.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace vantrelis;
using namespace vantrelis::testing;
using dm::local::FolderRuleSpec;
using dm::local::LibraryAdmin;

namespace {

TEST(DefinitionEditorTokens, OffersEachColumnTokenOnceInOrder) {
    struct Case {
        QString templateText;
        QString security;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {LibraryAdmin::DefaultRuleTemplate(),
         LibraryAdmin::DefaultRuleSecurity(),
         {QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), QStringLiteral("MATTER.MATTER_ID"),
          QStringLiteral("DOCUMENTTYPE.TYPE_ID"), QStringLiteral("AUTHOR.PRIMARY_GROUP"),
          QStringLiteral("TYPIST.PRIMARY_GROUP")}},
        {QStringLiteral("%CLIENT%%LEFT3%"), QString(), {QStringLiteral("CLIENT")}},
        {QStringLiteral("%CLIENT% %RIGHT2% %\\% %LEFTOVER%"), QString(), {QStringLiteral("CLIENT")}},
        {QStringLiteral("%LIBRARY%%\\%%DATE%%/%%YEAR% %MONTH% %DAY% %MONTHNAME%"), QString(), {}},
        {QStringLiteral("  % A %%\\%% B%  "),
         QStringLiteral("%A% = 255; %C"),
         {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}},
        {QStringLiteral("% %%%"), QStringLiteral("GROUP:DOCS_USERS = 0"), {}},
        {QStringLiteral("%date%"), QString(), {QStringLiteral("date")}},
        {QString(), QStringLiteral("%X% = 1; %x% = 2; %X% = 3"), {QStringLiteral("X"), QStringLiteral("x")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.templateText + QStringLiteral(" | ") + c.security).toStdString());
        EXPECT_EQ(DefinitionEditor::ColumnTokens(c.templateText, c.security), c.expected);
    }
}

// The editor on a real library: rules CLIENTS (stored set with a delimiter, one column the rule
// no longer names) and MATTERS (no stored set).
class DefinitionEditorTest : public ::testing::Test {
public:
    void SetUp() override {
        auto& docs = environment.AddLibrary(QStringLiteral("DOCS"), 10, true);
        FolderRuleSpec clients;
        clients.name = QStringLiteral("CLIENTS");
        clients.pathTemplate = QStringLiteral("%CLIENT% %\\% %MATTER%%LEFT3%");
        clients.security = QStringLiteral("%AUTHOR% = 255");
        clients.form = QStringLiteral("FOLDERPROF");
        docs.addFolderRule(clients);
        FolderRuleSpec matters;
        matters.name = QStringLiteral("MATTERS");
        matters.pathTemplate = QStringLiteral("%MATTER%");
        docs.addFolderRule(matters);
        docs.addImportSet(QStringLiteral("CLIENTS"), QStringLiteral(","),
                          {{QStringLiteral("MATTER"), 2, 0, QStringLiteral("NONE"), 1},
                           {QStringLiteral("GONE"), 9, 0, QString(), 0},
                           {QStringLiteral("CLIENT"), 1, 0, QString(), 0}});
        environment.WriteServerFile(QStringLiteral("DOCS"));
        program = std::make_unique<ConnectedProgram>(environment.serverFile());
        ASSERT_TRUE(program->context.connection().StartFusion());
        program->context.log().setStatusView(&program->harness.status);
        editor = std::make_unique<DefinitionEditor>(program->context.rules(), program->context.importSets(),
                                                    program->context.importSetStore(), program->context.log(),
                                                    program->context.session());
    }

    QStringList StoredRows(const QString& set) {
        return StoredImportSet(environment.admin(QStringLiteral("DOCS")), set);
    }

    QStringList ListRows() const {
        QStringList rows;
        for (const DefinitionColumnRow& row : editor->model().columns)
            rows.append(
                QStringList{row.columnName, row.startPos, row.endPos, row.defaultValue, row.sort}.join(
                    QLatin1Char('|')));
        return rows;
    }

    LocalEnvironment environment;
    std::unique_ptr<ConnectedProgram> program;
    std::unique_ptr<DefinitionEditor> editor;
};

TEST_F(DefinitionEditorTest, OpensTheMainWindowsSetWithItsStoredValues) {
    const QStringList clients = {QStringLiteral("CLIENT|1|0||0"), QStringLiteral("MATTER|2|0|NONE|1"),
                                 QStringLiteral("AUTHOR||||")};
    const std::vector<std::tuple<QString, int, QString, QStringList>> cases = {
        {QStringLiteral("CLIENTS"), 0, QStringLiteral(","), clients},
        {QStringLiteral("MATTERS"), 1, QString(), {QStringLiteral("MATTER||||")}},
        {QStringLiteral("clients"), 0, QStringLiteral(","), clients}, // no such rule: the first one
    };
    for (const auto& [mainWindowSet, shown, delimiter, rows] : cases) {
        SCOPED_TRACE(mainWindowSet.toStdString());
        editor->Open(mainWindowSet);
        EXPECT_EQ(editor->model().setNames,
                  QStringList({QStringLiteral("CLIENTS"), QStringLiteral("MATTERS")}));
        EXPECT_EQ(editor->shownSet(), shown);
        EXPECT_EQ(editor->model().delimiter, delimiter);
        EXPECT_EQ(ListRows(), rows);
        EXPECT_FALSE(program->harness.status.busy);
    }
    EXPECT_EQ(editor->formText(), QStringLiteral("FOLDERPROF"));
    // Opening saves nothing: the stored column the rule dropped is still there.
    EXPECT_EQ(StoredRows(QStringLiteral("CLIENTS")).size(), 4);
}

TEST_F(DefinitionEditorTest, SelectingARowKeepsTheEditedOneWhenBothPositionsAreFilled) {
    struct Case {
        QString start;
        QString end;
        QString expected; // row 1 after selecting row 2
    };
    const std::vector<Case> cases = {
        {QStringLiteral("5"), QStringLiteral("8"), QStringLiteral("CLIENT|5|8|X|1")},
        {QStringLiteral("05.4"), QStringLiteral("x"), QStringLiteral("CLIENT|5|0|X|1")},
        {QString(), QStringLiteral("8"), QStringLiteral("CLIENT|1|0||0")},
        {QStringLiteral("5"), QString(), QStringLiteral("CLIENT|1|0||0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.start + QLatin1Char('/') + c.end).toStdString());
        editor->Open(QStringLiteral("CLIENTS"));
        editor->SelectRow(1);
        EXPECT_EQ(editor->frameCaption(), QStringLiteral("CLIENT:"));
        editor->setStart(c.start);
        editor->setEnd(c.end);
        editor->setDefault(QStringLiteral("X"));
        editor->setSort(true);
        editor->SelectRow(2);
        EXPECT_EQ(ListRows().at(0), c.expected);
        // The boxes now hold the chosen row, positions as whole numbers.
        EXPECT_EQ(editor->frameCaption(), QStringLiteral("MATTER:"));
        EXPECT_EQ(editor->editingRow(), 2);
        EXPECT_EQ(editor->boxes().start, QStringLiteral("2"));
        EXPECT_EQ(editor->boxes().end, QStringLiteral("0"));
        EXPECT_EQ(editor->boxes().defaultValue, QStringLiteral("NONE"));
        EXPECT_TRUE(editor->boxes().sort);
    }
}

TEST_F(DefinitionEditorTest, ApplyWritesTheBoxesAsTheyAre) {
    editor->Open(QStringLiteral("CLIENTS"));
    editor->Apply(); // no row selected yet: nothing to write into
    editor->SelectRow(3);
    EXPECT_EQ(editor->boxes().start, QStringLiteral("0"));
    editor->setStart(QStringLiteral(" 007"));
    editor->setEnd(QStringLiteral("abc"));
    editor->setDefault(QStringLiteral("O'Brien"));
    editor->Apply();
    EXPECT_EQ(ListRows().at(2), QStringLiteral("AUTHOR| 007|abc|O'Brien|0"));
    editor->Close();
    EXPECT_EQ(StoredRows(QStringLiteral("CLIENTS")).at(3), QStringLiteral("AUTHOR:7:0:O'Brien:0"));
}

TEST_F(DefinitionEditorTest, TheNextRunReadsTheSetAsSaved) {
    struct Case {
        QString delimiter;
        QStringList stored;
    };
    const std::vector<Case> cases = {
        {QString(),
         {QStringLiteral("CLIENT:1:0::0"), QStringLiteral("MATTER:2:0:NONE:1"),
          QStringLiteral("AUTHOR:0:0::0")}},
        {QStringLiteral(":"),
         {QStringLiteral("DELIMITER::"), QStringLiteral("CLIENT:1:0::0"), QStringLiteral("MATTER:2:0:NONE:1"),
          QStringLiteral("AUTHOR:0:0::0")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delimiter.toStdString());
        editor->Open(QStringLiteral("CLIENTS"));
        editor->setDelimiter(c.delimiter);
        editor->Close();
        EXPECT_EQ(StoredRows(QStringLiteral("CLIENTS")), c.stored);
        // The emptied delimiter and the dropped column leave the table too, not only the database.
        const std::vector<QString> table =
            program->context.importSets().Definitions(QStringLiteral("DOCS"), QStringLiteral("CLIENTS"));
        QStringList mirrored(table.begin(), table.end());
        QStringList expected = c.stored;
        mirrored.sort();
        expected.sort();
        EXPECT_EQ(mirrored, expected);
        editor->Open(QStringLiteral("CLIENTS"));
        EXPECT_EQ(editor->model().delimiter, c.delimiter);
    }
}

TEST_F(DefinitionEditorTest, SwitchingSetsLeavesNoRowInTheBoxes) {
    editor->Open(QStringLiteral("CLIENTS"));
    editor->SelectRow(1);
    editor->ChooseSet(1);
    EXPECT_EQ(editor->editingRow(), 0);
    EXPECT_TRUE(editor->boxes().start.isEmpty());
    EXPECT_TRUE(editor->frameCaption().isEmpty());
    // Typing into the boxes before choosing a row must not land in the new set's first row.
    editor->setStart(QStringLiteral("5"));
    editor->setEnd(QStringLiteral("6"));
    editor->SelectRow(1);
    EXPECT_EQ(ListRows(), QStringList{QStringLiteral("MATTER||||")});
}

TEST_F(DefinitionEditorTest, HeaderClicksSortAndReverse) {
    struct Case {
        int column;
        QStringList names;
        bool descending;
    };
    const std::vector<Case> cases = {
        {DefinitionEditor::ColumnName, {"AUTHOR", "CLIENT", "MATTER"}, false},
        {DefinitionEditor::ColumnName, {"MATTER", "CLIENT", "AUTHOR"}, true},
        {DefinitionEditor::ColumnStart, {"MATTER", "AUTHOR", "CLIENT"}, false},
        {DefinitionEditor::ColumnStart, {"CLIENT", "AUTHOR", "MATTER"}, true},
    };
    editor->Open(QStringLiteral("CLIENTS"));
    editor->SelectRow(1); // CLIENT
    editor->setStart(QStringLiteral("10"));
    editor->SelectRow(3); // AUTHOR; CLIENT now starts at 10, after MATTER's 2 when sorted as numbers
    editor->setStart(QStringLiteral("9"));
    editor->setEnd(QStringLiteral("0"));
    editor->SelectRow(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        editor->SortByColumn(c.column);
        QStringList names;
        for (const DefinitionColumnRow& row : editor->model().columns)
            names.append(row.columnName);
        EXPECT_EQ(names, c.names) << ListRows().join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(editor->sortDescending(), c.descending);
        EXPECT_EQ(editor->sortColumn(), c.column);
        // The row in the boxes is still AUTHOR's, wherever it went.
        EXPECT_EQ(editor->model().columns.at(static_cast<size_t>(editor->editingRow() - 1)).columnName,
                  QStringLiteral("AUTHOR"));
    }
    // The list is saved in the order shown.
    editor->Close();
    EXPECT_EQ(StoredRows(QStringLiteral("CLIENTS")),
              QStringList({QStringLiteral("DELIMITER:,"), QStringLiteral("CLIENT:10:0::0"),
                           QStringLiteral("AUTHOR:9:0::0"), QStringLiteral("MATTER:2:0:NONE:1")}));
}

} // namespace
