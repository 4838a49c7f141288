// What the main window is filled with, and where it opens.

#include "app/FormContent.h"
#include "app/WindowPlacement.h"
#include "common/ProductInfo.h"
#include "support/QtPrinters.h"
#include "support/TestSeams.h"

#include <gtest/gtest.h>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

RuleTable Rules(const QStringList& names) {
    RuleTable rules;
    for (const QString& name : names) {
        const int row = rules.Append();
        rules.setField(row, RuleTable::kLibrary, QStringLiteral("DOCS"));
        rules.setField(row, RuleTable::kName, name);
    }
    return rules;
}

TEST(FormContent, LibraryBoxesTakeTheirSavedValues) {
    MemorySettingsStore settings;
    const std::vector<std::pair<QString, std::optional<QString>>> cases = {
        {QStringLiteral("NEVER_SEEN"), std::nullopt},      {QStringLiteral("TICKED"), QStringLiteral("1")},
        {QStringLiteral("UNTICKED"), QStringLiteral("0")}, {QStringLiteral("EMPTY"), QString()},
        {QStringLiteral("GREYED"), QStringLiteral("2")},
    };
    QStringList names;
    for (const auto& [name, saved] : cases) {
        names.append(name);
        if (saved)
            settings.save(ProductName(), QStringLiteral("Libraries"), name, *saved);
    }
    const app::FormContent content =
        app::FormContent::Make(names, QStringLiteral("TICKED"), Rules({}), settings, QString());
    ASSERT_EQ(content.libraries.size(), static_cast<qsizetype>(cases.size()));
    const std::vector<bool> ticked = {true, true, false, false, false};
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(content.libraries.at(static_cast<qsizetype>(i)).name, names.at(static_cast<qsizetype>(i)));
        EXPECT_EQ(content.libraries.at(static_cast<qsizetype>(i)).ticked, ticked[i])
            << cases[i].first.toStdString();
    }
    EXPECT_EQ(content.currentLibrary, QStringLiteral("TICKED"));
}

struct ImportSetCase {
    const char* name;
    QStringList rules;
    std::optional<QString> saved;
    QString chosen; // the "/S" value
    int selected;
};

TEST(FormContent, SelectsTheSavedOrChosenImportSet) {
    const QStringList three = {QStringLiteral("CLIENTS"), QStringLiteral("MATTERS"), QStringLiteral("DOCS")};
    const std::vector<ImportSetCase> cases = {
        {"nothing saved: the first", three, std::nullopt, QString(), 0},
        {"saved name", three, QStringLiteral("MATTERS"), QString(), 1},
        {"letter case differs: not selected", three, QStringLiteral("Matters"), QString(), 0},
        {"no such rule", three, QStringLiteral("OTHER"), QString(), 0},
        {"the last equal entry wins",
         {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A")},
         QStringLiteral("A"),
         QString(),
         2},
        {"chosen on the command line, any case", three, QStringLiteral("CLIENTS"), QStringLiteral("docs"), 2},
        {"chosen but unknown: none, not another set", three, QStringLiteral("MATTERS"),
         QStringLiteral("NONE"), -1},
        {"no rules", {}, QStringLiteral("MATTERS"), QString(), 0},
    };
    for (const ImportSetCase& c : cases) {
        MemorySettingsStore settings;
        if (c.saved)
            settings.save(ProductName(), QStringLiteral("General"), QStringLiteral("ComboImportSet"),
                          *c.saved);
        const app::FormContent content =
            app::FormContent::Make({}, QString(), Rules(c.rules), settings, c.chosen);
        EXPECT_EQ(content.importSets, c.rules) << c.name;
        EXPECT_EQ(content.selectedImportSet, c.selected) << c.name;
    }
}

struct PlaceCase {
    const char* name;
    QString left;
    QString top;
    QPoint expected;
};

TEST(WindowPlacement, SavedEdgesOnTheScreenElseCentred) {
    const QRect screen(0, 0, 1000, 800);
    const QSize window(400, 300);
    const std::vector<PlaceCase> cases = {
        {"nothing saved", QString(), QString(), {300, 250}},
        {"both on the screen", QStringLiteral("10"), QStringLiteral("20"), {10, 20}},
        {"at the origin", QStringLiteral("0"), QStringLiteral("0"), {0, 0}},
        {"left beyond the width", QStringLiteral("1000"), QStringLiteral("20"), {300, 20}},
        {"top beyond the height", QStringLiteral("10"), QStringLiteral("800"), {10, 250}},
        {"negative edges", QStringLiteral("-5"), QStringLiteral("-1"), {300, 250}},
        {"last pixel", QStringLiteral("999"), QStringLiteral("799"), {999, 799}},
    };
    for (const PlaceCase& c : cases)
        EXPECT_EQ(app::PlaceWindow(c.left, c.top, screen, window), c.expected) << c.name;
    // A screen that does not start at the origin.
    EXPECT_EQ(
        app::PlaceWindow(QStringLiteral("5"), QStringLiteral("1300"), QRect(1000, 200, 1000, 800), window),
        QPoint(1300, 450));
}

} // namespace
