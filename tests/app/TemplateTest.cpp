#include "app/ColumnTable.h"
#include "app/PathTemplate.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantrelis;
using namespace vantrelis::app;

namespace {

const QString kDefaultTemplate =
    QStringLiteral("%MATTER.CLIENT_ID.CLIENT_ID% %\\% %MATTER.MATTER_ID% %\\% %DOCUMENTTYPE.TYPE_ID%");

// A column table loaded from definition texts of set "S" in library "LIB".
ColumnTable Columns(const QStringList& definitions) {
    ImportSetTable table;
    for (const QString& definition : definitions)
        table.Append({QStringLiteral("LIB"), QStringLiteral("S"), definition});
    return ColumnTable::Load(table, QStringLiteral("LIB"), QStringLiteral("S"));
}

QStringList Levels(QString path) {
    QStringList levels;
    while (!path.isEmpty()) {
        const PathLevel level = PathTemplate::SplitLevel(path);
        levels << level.name;
        path = level.rest;
    }
    return levels;
}

TEST(TemplateTest, LinesExpandIntoPaths) {
    struct Case {
        const char* what;
        QStringList definitions;
        QString line;
        QString templateText;
        QString path;
    };
    const QStringList commaSet = {
        QStringLiteral("DELIMITER: ,"), QStringLiteral("matter.client_id.client_id:1"),
        QStringLiteral("MATTER.MATTER_ID:2"), QStringLiteral("DOCUMENTTYPE.TYPE_ID:3")};
    const std::vector<Case> cases = {
        {"default rule, three fields", commaSet, QStringLiteral("C100,M200,MEMO"), kDefaultTemplate,
         QStringLiteral("C100 %\\% M200 %\\% MEMO")},
        {"fixed 5 to 9",
         {QStringLiteral("NAME:5:9")},
         QStringLiteral("1234John Smith"),
         QStringLiteral("%NAME%"),
         QStringLiteral("John")},
        {"fixed beyond the line",
         {QStringLiteral("NAME:5:30")},
         QStringLiteral("1234Jo"),
         QStringLiteral("%NAME%"),
         QStringLiteral("Jo")},
        {"end before start keeps default",
         {QStringLiteral("NAME:9:5:DEF")},
         QStringLiteral("1234John Smith"),
         QStringLiteral("%NAME%"),
         QStringLiteral("DEF")},
        {"start 0 keeps default",
         {QStringLiteral("NAME:0:5:DEF")},
         QStringLiteral("1234John"),
         QStringLiteral("%NAME%"),
         QStringLiteral("DEF")},
        {"negative start keeps default",
         {QStringLiteral("NAME:-2:5:DEF")},
         QStringLiteral("1234John"),
         QStringLiteral("%NAME%"),
         QStringLiteral("DEF")},
        {"several blanks keep one",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1")},
         QStringLiteral("x"),
         QStringLiteral("%A%     tail"),
         QStringLiteral("x tail")},
        {"no blank adds none",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1")},
         QStringLiteral("x"),
         QStringLiteral("%A%tail"),
         QStringLiteral("xtail")},
        {"LEFT3",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1")},
         QStringLiteral("Johnson"),
         QStringLiteral("%A%%LEFT3% end"),
         QStringLiteral("Joh end")},
        {"RIGHT2",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1")},
         QStringLiteral("Johnson"),
         QStringLiteral("%A% %RIGHT2%/x"),
         QStringLiteral("on /x")},
        {"LEFT without closing percent stops at a blank",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1")},
         QStringLiteral("Johnson"),
         QStringLiteral("%A%%LEFT2 rest"),
         QStringLiteral("Jo rest")},
        {"LEFT0 keeps the value",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1")},
         QStringLiteral("Johnson"),
         QStringLiteral("%A%%LEFT0%"),
         QStringLiteral("Johnson")},
        {"token twice: every one",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1")},
         QStringLiteral("v"),
         QStringLiteral("%A% %\\% %A%"),
         QStringLiteral("v %\\% v")},
        {"token twice, each with its function",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1")},
         QStringLiteral("Johnson"),
         QStringLiteral("%A%%LEFT2% %\\% %A% %RIGHT3%"),
         QStringLiteral("Jo %\\% son")},
        {"value holding its own token",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1")},
         QStringLiteral("x%A%"),
         QStringLiteral("%A%-%A%"),
         QStringLiteral("x%A%-x%A%")},
        {"quotes removed",
         {QStringLiteral("DELIMITER:;"), QStringLiteral("A:1"), QStringLiteral("B:2")},
         QStringLiteral("O'Brien;\"Big\" Co"),
         QStringLiteral("%A%-%B%"),
         QStringLiteral("OBrien-Big Co")},
        {"quotes removed from defaults",
         {QStringLiteral("DELIMITER:;"), QStringLiteral("A:7::it's")},
         QStringLiteral("x"),
         QStringLiteral("%A%"),
         QStringLiteral("its")},
        {"lower-case token does not match",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("a:1")},
         QStringLiteral("v"),
         QStringLiteral("%a% %A%"),
         QStringLiteral("%a% v")},
        {"empty value still replaces",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1"), QStringLiteral("B:2")},
         QStringLiteral(",b"),
         QStringLiteral("%A%%B%"),
         QStringLiteral("b")},
        {"empty middle field replaces the default",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1"), QStringLiteral("B:2:0:dflt"),
          QStringLiteral("C:3")},
         QStringLiteral("a,,c"),
         QStringLiteral("%A%/%B%/%C%"),
         QStringLiteral("a//c")},
        {"trailing empty field keeps the default",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1"), QStringLiteral("B:2:0:dflt")},
         QStringLiteral("a,"),
         QStringLiteral("%A%/%B%"),
         QStringLiteral("a/dflt")},
        {"first column of a field wins",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:2"), QStringLiteral("B:2:0:dflt")},
         QStringLiteral("a,b"),
         QStringLiteral("%A%/%B%"),
         QStringLiteral("b/dflt")},
        {"longer delimiter acts as its first character",
         {QStringLiteral("DELIMITER:||"), QStringLiteral("A:1"), QStringLiteral("B:2")},
         QStringLiteral("a||b"),
         QStringLiteral("%A%/%B%"),
         QStringLiteral("a/|b")},
        {"field values lose trailing blanks only",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:2")},
         QStringLiteral("x,  b  "),
         QStringLiteral("[%A%]"),
         QStringLiteral("[  b]")},
        {"built-in tokens",
         {},
         QStringLiteral("x"),
         QStringLiteral("%LIBRARY%:%DATE%:%YEAR%:%MONTH%:%DAY%:%MONTHNAME%:%LIBRARY%"),
         QStringLiteral("DOCS:2024-03-05:2024:03:05:March:DOCS")},
        {"trailing blanks removed",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("A:1")},
         QStringLiteral("x"),
         QStringLiteral("%A%   "),
         QStringLiteral("x")},
    };
    const TemplateContext context{QStringLiteral("DOCS"), QDateTime(QDate(2024, 3, 5), QTime(9, 30)),
                                  QLocale(QLocale::English)};
    for (const Case& c : cases) {
        ColumnTable columns = Columns(c.definitions);
        columns.CutLine(c.line);
        EXPECT_EQ(PathTemplate::Expand(c.templateText, columns, context), c.path) << c.what;
    }
}

TEST(TemplateTest, PathsSplitIntoLevels) {
    struct Case {
        QString path;
        QStringList levels;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("C100 %\\% M200 %\\% MEMO"),
         {QStringLiteral("C100"), QStringLiteral("M200"), QStringLiteral("MEMO")}},
        {QStringLiteral("A %/% B %\\% C"), {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}},
        {QStringLiteral("A %/% B"), {QStringLiteral("A %/% B")}},
        {QStringLiteral("A %\\% B %/% C"), {QStringLiteral("A"), QStringLiteral("B %/% C")}},
        {QStringLiteral("  One level  "), {QStringLiteral("One level")}},
        {QStringLiteral("A%\\%%\\%B"), {QStringLiteral("A"), QStringLiteral(""), QStringLiteral("B")}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Levels(c.path), c.levels) << c.path.toStdString();
}

TEST(TemplateTest, DefinitionsLoadWithExactNames) {
    ImportSetTable table;
    table.Append({QStringLiteral("LIB"), QStringLiteral("Clients"), QStringLiteral("A:1:2:x:1:ignored")});
    table.Append({QStringLiteral("LIB"), QStringLiteral("CLIENTS"), QStringLiteral("B:3")});
    table.Append({QStringLiteral("lib"), QStringLiteral("Clients"), QStringLiteral("C:4")});
    table.Append({QStringLiteral("LIB"), QStringLiteral("Clients"), QStringLiteral("no colon here")});
    table.Append({QStringLiteral("LIB"), QStringLiteral("Clients"), QStringLiteral("  delimiter :  ;  ")});
    table.Append({QStringLiteral("LIB"), QStringLiteral("Clients"), QStringLiteral(" d : 7 ")});

    const ColumnTable clients = ColumnTable::Load(table, QStringLiteral("LIB"), QStringLiteral("Clients"));
    ASSERT_EQ(clients.count(), 2);
    EXPECT_EQ(clients.delimiter(), QStringLiteral(";"));
    const ImportColumn& a = clients.column(0);
    EXPECT_EQ(QStringList({a.name, a.start, a.end, a.defaultValue, a.sort}),
              QStringList({QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("x"),
                           QStringLiteral("1")}));
    const ImportColumn& d = clients.column(1);
    EXPECT_EQ(QStringList({d.name, d.start, d.end}),
              QStringList({QStringLiteral("D"), QStringLiteral("7"), QString()}));

    const ColumnTable upper = ColumnTable::Load(table, QStringLiteral("LIB"), QStringLiteral("CLIENTS"));
    ASSERT_EQ(upper.count(), 1);
    EXPECT_EQ(upper.column(0).name, QStringLiteral("B"));
    EXPECT_TRUE(upper.delimiter().isEmpty());
}

TEST(TemplateTest, SortFlagsFollowTheColumns) {
    const ColumnTable columns =
        Columns({QStringLiteral("A:1:2::1"), QStringLiteral("B:3:4::0"), QStringLiteral("C:5:6"),
                 QStringLiteral("D:7:8::2x"), QStringLiteral("E:9:10::2"), QStringLiteral("F:11:12::-1"),
                 QStringLiteral("G:13:14::"), QStringLiteral("H:15:16::1x")});
    // Only a stored 1 sorts; a level beyond the columns sorts.
    const std::vector<std::pair<int, bool>> cases = {{1, true},  {2, false}, {3, false},
                                                     {4, false}, {5, false}, {6, false},
                                                     {7, false}, {8, true},  {9, true}};
    for (const auto& [level, sort] : cases)
        EXPECT_EQ(columns.SortFlag(level), sort) << level;
}

TEST(TemplateTest, DefinitionIsLoggedWithWarnings) {
    const QString blanks20(20, QLatin1Char(' '));
    const QString warning = blanks20 + QStringLiteral(" *** WARNING: DEFINITION INCOMPLETE");
    struct Case {
        const char* what;
        QStringList definitions;
        QString form;
        QStringList columnLines;
    };
    const std::vector<Case> cases = {
        {"delimited",
         {QStringLiteral("DELIMITER:,"), QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID:1"),
          QStringLiteral("NOFIELD:0"), QStringLiteral("WITHDEFAULT:0::x"),
          QStringLiteral("A_NAME_OF_TWENTY_EIGHT_CHARS:12")},
         QStringLiteral("FOLDER_FORM"),
         {QStringLiteral("DELIMITER: ','"),
          QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID:  Start:001 End:000 Default: "),
          QStringLiteral("NOFIELD:") + QString(21, QLatin1Char(' ')) +
              QStringLiteral("Start:000 End:000 Default: ") + warning,
          QStringLiteral("WITHDEFAULT:") + QString(17, QLatin1Char(' ')) +
              QStringLiteral("Start:000 End:000 Default:x "),
          QStringLiteral("A_NAME_OF_TWENTY_EIGHT_CHARS:Start:012 End:000 Default: ")}},
        {"fixed",
         {QStringLiteral("NAME:5:1234"), QStringLiteral("NOEND:5"), QStringLiteral("NEG:-3:2")},
         QString(),
         {QStringLiteral("NAME:") + QString(24, QLatin1Char(' ')) +
              QStringLiteral("Start:005 End:1234 Default: "),
          QStringLiteral("NOEND:") + QString(23, QLatin1Char(' ')) +
              QStringLiteral("Start:005 End:000 Default: ") + warning,
          QStringLiteral("NEG:") + QString(25, QLatin1Char(' ')) +
              QStringLiteral("Start:-003 End:002 Default: ")}},
    };
    const QString dashes(60, QLatin1Char('-'));
    for (const Case& c : cases) {
        QStringList expected = {QStringLiteral("Import Set S definition:"), dashes};
        expected << c.columnLines << dashes << QStringLiteral("Template: T")
                 << QStringLiteral("Security: SEC");
        if (!c.form.isEmpty())
            expected << QStringLiteral("Form: ") + c.form;
        expected << dashes;
        EXPECT_EQ(
            Columns(c.definitions)
                .DefinitionLines(QStringLiteral("S"), QStringLiteral("T"), QStringLiteral("SEC"), c.form),
            expected)
            << c.what;
    }
}

} // namespace
