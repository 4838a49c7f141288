#include "config/DefinitionEditor.h"
#include "config/FolderRuleDefinition.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LibraryDatabase.h"
#include "support/ConnectedProgram.h"
#include "support/LocalEnvironment.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace vantrelis;
using namespace vantrelis::testing;
using dm::local::LibraryAdmin;

namespace {

TEST(DefinitionEditorTokens, OffersEachColumnTokenOnceInOrder) {
    struct Case {
        QString templateText;
        QString security;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {FolderRuleDefinition::DefaultTemplate(),
         FolderRuleDefinition::DefaultSecurity(),
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
// no longer names), MATTERS (no stored set) and NOCOLS (a template that names no column).
class DefinitionEditorTest : public ::testing::Test {
public:
    void SetUp() override {
        auto& docs = environment.AddLibrary(QStringLiteral("DOCS"), 10, true);
        FolderRuleDefinition clients;
        clients.name = QStringLiteral("CLIENTS");
        clients.pathTemplate = QStringLiteral("%CLIENT% %\\% %MATTER%%LEFT3%");
        clients.security = QStringLiteral("%AUTHOR% = 255");
        clients.form = QStringLiteral("FOLDERPROF");
        docs.replaceSettings(clients.settingsRows());
        FolderRuleDefinition matters;
        matters.name = QStringLiteral("MATTERS");
        matters.pathTemplate = QStringLiteral("%MATTER%");
        docs.replaceSettings(matters.settingsRows());
        FolderRuleDefinition noColumns;
        noColumns.name = QStringLiteral("NOCOLS");
        noColumns.pathTemplate = QStringLiteral("%LIBRARY% %\\% %YEAR%");
        docs.replaceSettings(noColumns.settingsRows());
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
        EXPECT_EQ(editor->model().setNames, QStringList({QStringLiteral("CLIENTS"), QStringLiteral("MATTERS"),
                                                         QStringLiteral("NOCOLS")}));
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
        {QStringLiteral(" 05 "), QStringLiteral("8"), QStringLiteral("CLIENT|5|8|X|1")},
        // What is not a whole number gives way to the value the box had.
        {QStringLiteral("05.4"), QStringLiteral("x"), QStringLiteral("CLIENT|1|0|X|1")},
        {QString(), QStringLiteral("8"), QStringLiteral("CLIENT|1|8|X|1")},
        {QStringLiteral("5"), QString(), QStringLiteral("CLIENT|5|0|X|1")},
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

TEST_F(DefinitionEditorTest, ApplyWritesTheBoxesOnceTheyAreChecked) {
    editor->Open(QStringLiteral("CLIENTS"));
    editor->Apply(); // no row selected yet: nothing to write into
    editor->SelectRow(3);
    EXPECT_EQ(editor->boxes().start, QStringLiteral("0"));
    editor->setStart(QStringLiteral(" 007"));
    editor->setEnd(QStringLiteral("abc"));
    editor->setDefault(QStringLiteral("O'Brien"));
    editor->Apply();
    EXPECT_EQ(ListRows().at(2), QStringLiteral("AUTHOR|7|0|O'Brien|0"));
    EXPECT_EQ(editor->boxes().start, QStringLiteral("7"));
    EXPECT_EQ(editor->boxMessage(), QStringLiteral("End must be a whole number from 0 to 1000000000"));
    editor->Close();
    EXPECT_EQ(StoredRows(QStringLiteral("CLIENTS")).at(3), QStringLiteral("AUTHOR:7:0:O'Brien:0"));
}

TEST_F(DefinitionEditorTest, PositionBoxesTakeOnlyWholeNumbersInRange) {
    enum Box { Column, Start, End };
    struct Case {
        Box box;
        QString typed;
        bool taken;
        QString kept; // in the box and, after choosing another row, in MATTER's row (start 2, end 0)
    };
    const QString column = QStringLiteral("Column must be a whole number from 0 to 1000000000");
    const QString start = QStringLiteral("Start must be a whole number from 0 to 1000000000");
    const QString end = QStringLiteral("End must be a whole number from 0 to 1000000000");
    const std::vector<Case> cases = {
        {Column, QStringLiteral("7"), true, QStringLiteral("7")},
        {Column, QStringLiteral(" 007 "), true, QStringLiteral("7")},
        {Column, QStringLiteral("0"), true, QStringLiteral("0")},
        {Column, QStringLiteral("1000000000"), true, QStringLiteral("1000000000")},
        {Column, QStringLiteral("1000000001"), false, QStringLiteral("2")},
        {Column, QStringLiteral("99999999999999"), false, QStringLiteral("2")},
        {Column, QStringLiteral("99999999999999999999999"), false, QStringLiteral("2")},
        {Column, QStringLiteral("-5"), false, QStringLiteral("2")},
        {Column, QStringLiteral("abc-5"), false, QStringLiteral("2")},
        {Column, QStringLiteral("7abc"), false, QStringLiteral("2")},
        {Column, QStringLiteral("2.5"), false, QStringLiteral("2")},
        {Column, QStringLiteral("+7"), false, QStringLiteral("2")},
        {Column, QStringLiteral("1e3"), false, QStringLiteral("2")},
        {Column, QString(), false, QStringLiteral("2")},
        {Column, QString(QChar(0x0663)), false, QStringLiteral("2")}, // an Arabic-Indic three
        {Start, QStringLiteral("12"), true, QStringLiteral("12")},
        {Start, QStringLiteral("7abc"), false, QStringLiteral("2")},
        {End, QStringLiteral("40"), true, QStringLiteral("40")},
        {End, QStringLiteral("-1"), false, QStringLiteral("0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((QString::number(c.box) + QLatin1Char(' ') + c.typed).toStdString());
        editor->Open(QStringLiteral("CLIENTS"));
        if (c.box != Column) {
            ASSERT_TRUE(editor->setDelimiter(QString()));
        }
        editor->SelectRow(2);
        EXPECT_TRUE(editor->boxMessage().isEmpty());
        if (c.box == End) {
            editor->setEnd(c.typed);
            EXPECT_EQ(editor->EndLostFocus(), c.taken);
            EXPECT_EQ(editor->boxes().end, c.kept);
        } else {
            editor->setStart(c.typed);
            EXPECT_EQ(editor->StartLostFocus(), c.taken);
            EXPECT_EQ(editor->boxes().start, c.kept);
        }
        EXPECT_EQ(editor->boxMessage(), c.taken           ? QString()
                                        : c.box == Column ? column
                                        : c.box == Start  ? start
                                                          : end);
        editor->SelectRow(1);
        const DefinitionColumnRow& matter = editor->model().columns.at(1);
        EXPECT_EQ(c.box == End ? matter.endPos : matter.startPos, c.kept);
        editor->Close();
        EXPECT_EQ(StoredRows(QStringLiteral("CLIENTS"))
                      .contains(c.box == End
                                    ? QStringLiteral("MATTER:2:") + c.kept + QStringLiteral(":NONE:1")
                                    : QStringLiteral("MATTER:") + c.kept + QStringLiteral(":0:NONE:1")),
                  true);
        // Back as stored for the next case.
        editor->Open(QStringLiteral("CLIENTS"));
        editor->setDelimiter(QStringLiteral(","));
        editor->SelectRow(2);
        editor->setStart(QStringLiteral("2"));
        editor->setEnd(QStringLiteral("0"));
        editor->Apply();
        editor->Close();
    }
}

TEST_F(DefinitionEditorTest, ARowSavedOutOfRangeIsShownWithItsProblem) {
    environment.admin(QStringLiteral("DOCS"))
        .addImportSet(QStringLiteral("MATTERS"), QString(),
                      {{QStringLiteral("MATTER"), -5, 99, QString(), 0}});
    program->context.importSetStore().LoadImportSets();
    editor->Open(QStringLiteral("MATTERS"));
    editor->SelectRow(1);
    EXPECT_EQ(editor->boxes().start, QStringLiteral("-5"));
    EXPECT_EQ(editor->boxMessage(), QStringLiteral("Start must be a whole number from 0 to 1000000000"));
    // Leaving the box unchanged refuses nothing; a number in range mends the row.
    EXPECT_TRUE(editor->StartLostFocus());
    editor->setStart(QStringLiteral("5"));
    EXPECT_TRUE(editor->StartLostFocus());
    EXPECT_TRUE(editor->boxMessage().isEmpty());
    editor->Apply();
    editor->Close();
    EXPECT_EQ(StoredRows(QStringLiteral("MATTERS")), QStringList{QStringLiteral("MATTER:5:99::0")});
}

TEST_F(DefinitionEditorTest, TheDelimiterIsOneCharacterThatCanBeStored) {
    struct Case {
        QString typed;
        QString delimiter; // after the edit: the typed one, or the stored "," kept
        QString message;
    };
    const QString oneCharacter = QStringLiteral("The delimiter is one character");
    const QString blank = QStringLiteral("A blank cannot be the delimiter");
    const std::vector<Case> cases = {
        {QStringLiteral(";"), QStringLiteral(";"), QString()},
        {QStringLiteral("|"), QStringLiteral("|"), QString()},
        {QStringLiteral("\t"), QStringLiteral("\t"), QString()},
        {QStringLiteral("'"), QStringLiteral("'"), QString()},
        {QString(), QString(), QString()},
        {QStringLiteral("ab;"), QStringLiteral(","), oneCharacter},
        {QStringLiteral(";;"), QStringLiteral(","), oneCharacter},
        {QStringLiteral(" "), QStringLiteral(","), blank},
        {QStringLiteral("\n"), QStringLiteral(","), blank},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        editor->Open(QStringLiteral("CLIENTS"));
        EXPECT_EQ(editor->setDelimiter(c.typed), c.message.isEmpty());
        EXPECT_EQ(editor->model().delimiter, c.delimiter);
        EXPECT_EQ(editor->delimiterMessage(), c.message);
        editor->Close();
        const QStringList stored = StoredRows(QStringLiteral("CLIENTS"));
        EXPECT_EQ(stored.first(), c.delimiter.isEmpty() ? QStringLiteral("CLIENT:1:0::0")
                                                        : QStringLiteral("DELIMITER:") + c.delimiter);
        // The next run cuts its lines with what was saved.
        const std::vector<QString> table =
            program->context.importSets().Definitions(QStringLiteral("DOCS"), QStringLiteral("CLIENTS"));
        QStringList mirrored(table.begin(), table.end());
        QStringList expected = stored;
        mirrored.sort();
        expected.sort();
        EXPECT_EQ(mirrored, expected);
        ASSERT_TRUE(editor->setDelimiter(QStringLiteral(",")));
        editor->Close();
    }
}

TEST_F(DefinitionEditorTest, ADelimiterSavedLongerIsShownAndCanBeShortened) {
    environment.admin(QStringLiteral("DOCS"))
        .addImportSet(QStringLiteral("MATTERS"), QStringLiteral("ab;"),
                      {{QStringLiteral("MATTER"), 1, 0, QString(), 0}});
    program->context.importSetStore().LoadImportSets();
    editor->Open(QStringLiteral("MATTERS"));
    EXPECT_EQ(editor->model().delimiter, QStringLiteral("ab;"));
    EXPECT_EQ(editor->delimiterMessage(), QStringLiteral("The delimiter is one character"));
    EXPECT_FALSE(editor->setDelimiter(QStringLiteral("ab;x")));
    EXPECT_TRUE(editor->setDelimiter(QStringLiteral("ab")));
    EXPECT_TRUE(editor->setDelimiter(QStringLiteral(";")));
    EXPECT_TRUE(editor->delimiterMessage().isEmpty());
    EXPECT_FALSE(editor->setDelimiter(QStringLiteral(";x")));
    EXPECT_EQ(editor->model().delimiter, QStringLiteral(";"));
}

TEST_F(DefinitionEditorTest, ADefaultCannotHoldAColon) {
    editor->Open(QStringLiteral("CLIENTS"));
    editor->SelectRow(2);
    EXPECT_TRUE(editor->setDefault(QStringLiteral("NO")));
    EXPECT_FALSE(editor->setDefault(QStringLiteral("NO:NE")));
    EXPECT_EQ(editor->boxes().defaultValue, QStringLiteral("NO"));
    EXPECT_EQ(editor->boxMessage(), QStringLiteral("A default cannot hold \":\""));
    editor->Apply();
    editor->Close();
    EXPECT_TRUE(StoredRows(QStringLiteral("CLIENTS")).contains(QStringLiteral("MATTER:2:0:NO:1")));
}

TEST_F(DefinitionEditorTest, ASetWithNoColumnsSaysSo) {
    editor->Open(QStringLiteral("CLIENTS"));
    EXPECT_TRUE(editor->setMessage().isEmpty());
    editor->ChooseSet(2);
    EXPECT_TRUE(editor->model().columns.empty());
    EXPECT_EQ(
        editor->setMessage(),
        QStringLiteral("Import Set NOCOLS has no columns: the template and security of its rule name none"));
    program->harness.Mark();
    editor->Close();
    EXPECT_TRUE(
        program->harness.LinesSinceMark().contains(QStringLiteral("Import Set NOCOLS has no columns")));
    editor->ChooseSet(0);
    EXPECT_TRUE(editor->setMessage().isEmpty());
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
