#include "ModelFixture.h"

#include "dm/local/LocalParameters.h"

namespace vantrelis::dm::local::test {
namespace {

using ParameterTest = ModelFixture;

TEST_F(ParameterTest, UserRowsOverrideEveryonesRowsOverrideDefaults) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> rows; // (USER_ID, VALUE)
        QVariant expected;
    };
    const std::vector<Case> cases = {
        {"DOCSParms.UniqueDocNames", {}, false},
        {"DOCSParms.UniqueDocNames", {{"*", "Y"}}, true},
        {"DOCSParms.UniqueDocNames", {{"GARY", "N"}, {"*", "Y"}}, false},
        {"DOCSParms.UniqueDocNames", {{"MARY", "TRUE"}}, false},
        {"User.ManageRootFolders", {}, true}, // GARY is in DOCS_SUPERVISORS (universal access 255)
        {"User.ManageRootFolders", {{"GARY", "0"}}, false},
        {"User.CreateFolder", {{"*", "false"}, {"GARY", "1"}}, true},
        {"Custom.Greeting", {{"*", "Hello, O'Neil"}}, QStringLiteral("Hello, O'Neil")},
        {"Library.Name", {}, QStringLiteral("LIB_A")},
        {"User.PrimaryGroup", {}, QStringLiteral("DOCS_USERS")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " rows " + std::to_string(c.rows.size()));
        auto db = direct();
        db->execute(QStringLiteral("DELETE FROM DOCSADM.LIBRARY_PARAMS"));
        for (const auto& [user, value] : c.rows) {
            db->execute(QStringLiteral(
                            "INSERT INTO DOCSADM.LIBRARY_PARAMS (USER_ID, NAME, VALUE) VALUES (?1, ?2, ?3)"),
                        {QString::fromLatin1(user), QString::fromLatin1(c.name), QString::fromLatin1(value)});
        }
        db.reset();
        auto params = library()->parameters();
        const QVariant value = params->value(QString::fromLatin1(c.name).toLower());
        EXPECT_EQ(value.typeId(), c.expected.typeId());
        EXPECT_EQ(value, c.expected);
    }
}

TEST_F(ParameterTest, CollectionListsTheDefaultsAndTheLibrarysOwn) {
    direct()->execute(QStringLiteral("INSERT INTO DOCSADM.LIBRARY_PARAMS (USER_ID, NAME, VALUE) VALUES "
                                     "('*', 'Custom.One', 'x'), ('*', 'user.createfolder', 'N')"));
    auto params = library()->parameters();
    QStringList names;
    for (int i = 1; i <= params->count(); ++i)
        names << params->name(i);
    EXPECT_TRUE(names.contains(QStringLiteral("User.ManageRootFolders")));
    EXPECT_TRUE(names.contains(QStringLiteral("DOCSParms.UniqueDocNames")));
    EXPECT_TRUE(names.contains(QStringLiteral("DOCSParms.FullTextIndexing")));
    EXPECT_EQ(names.last(), QStringLiteral("Custom.One"));
    EXPECT_EQ(names.count(QStringLiteral("User.CreateFolder")), 1) << "an override keeps one entry";
    EXPECT_EQ(params->value(QStringLiteral("User.CreateFolder")), QVariant(false));
    EXPECT_FALSE(params->value(QStringLiteral("No.Such")).isValid());
    EXPECT_EQ(params->name(0), QString());
    EXPECT_EQ(params->name(params->count() + 1), QString());
}

TEST_F(ParameterTest, ValuesReadAsBooleansOnlyWhenTheyAreFlags) {
    const std::vector<std::pair<QString, QVariant>> cases = {{"Y", true},      {"n", false}, {" TRUE ", true},
                                                             {"False", false}, {"1", true},  {"0", false},
                                                             {"yes", "yes"},   {"2", "2"},   {"", ""}};
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text.toStdString());
        const QVariant value = LocalParameters::ParseValue(text);
        EXPECT_EQ(value.typeId(), expected.typeId());
        EXPECT_EQ(value, expected);
    }
}

} // namespace
} // namespace vantrelis::dm::local::test
