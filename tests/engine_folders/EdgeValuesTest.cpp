// Values that are there without being written by the rule: a column the object model's defaults
// filled, a security template under a parent that cannot be opened, a foreign column listed twice,
// and a value of blanks.

#include "FolderFixture.h"

#include <QRegularExpression>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

class EdgeValuesTest : public FolderFixture {
protected:
    QString Matter(qint64 docNumber) {
        return Value(QStringLiteral("SELECT M.MATTER_ID FROM DOCSADM.PROFILE P LEFT JOIN DOCSADM.MATTER M "
                                    "ON M.SYSTEM_ID = P.MATTER WHERE P.DOCNUMBER = ?1"),
                     docNumber)
            .toString();
    }
    // The UPDATE statements sent for `docNumber`'s profile.
    QStringList ProfileUpdates(qint64 docNumber) {
        return Statements().filter(QRegularExpression(QStringLiteral("^UPDATE DOCSADM.PROFILE SET .* WHERE "
                                                                     "DOCNUMBER = %1$")
                                                          .arg(docNumber)));
    }
};

TEST_F(EdgeValuesTest, ColumnsTheDefaultsFilledKeepTheirValues) {
    const qint64 form =
        admin()
            .database()
            .scalar(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.FORMS WHERE FORM_NAME = ?1"),
                    {QStringLiteral("DEFPROF")})
            .toLongLong();
    ASSERT_NE(form, 0) << "the library's default form";
    const qint32 doc = engine->CreateFolder(QStringLiteral("Top"), 0, QString(), kRule, 0, {});
    ASSERT_NE(doc, 0);
    // The defaults gave author, typist, application and form, and the folder's name its DOCNAME; the
    // folder's own values are written only into what is still empty.
    const QStringList set = Lines().filter(QStringLiteral("Setting column "));
    for (const char* column : {"AUTHOR_ID", "TYPIST_ID", "APP_ID", "DOCNAME"})
        EXPECT_EQ(set.filter(QStringLiteral("Setting column %1 ").arg(QLatin1String(column))), QStringList())
            << column;
    EXPECT_TRUE(set.contains(QStringLiteral("Setting column TYPE_ID to FOLDER")))
        << set.join(u'\n').toStdString();
    EXPECT_EQ(
        Value(QStringLiteral("SELECT FORM FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), doc).toLongLong(),
        form);
}

TEST_F(EdgeValuesTest, AParentThatCannotBeOpenedStillGetsTheTemplate) {
    SetRule(RuleTable::kSecurity, QStringLiteral("GROUP:LEGAL=127"));
    SetRule(RuleTable::kInheritSecurity, QStringLiteral("1"));
    const qint32 doc = engine->CreateFolder(QStringLiteral("Loose"), 999999, QString(), kRule, 0, {});
    ASSERT_NE(doc, 0);
    EXPECT_EQ(security.calls, QStringList{QStringLiteral("Add %1 GROUP:LEGAL=127").arg(doc)})
        << "the template applies; nothing is inherited from a parent that is not there";
}

struct ForeignCase {
    const char* label;
    bool matterTwice;      // MATTER is a foreign column twice in the library's column list
    const char* itemValue; // stored as the document's MATTER in place of matter 0043
};

class ForeignColumnTest : public EdgeValuesTest, public ::testing::WithParamInterface<ForeignCase> {};

TEST_P(ForeignColumnTest, AnEmptyColumnIsAssignedOnce) {
    const ForeignCase& c = GetParam();
    SetRule(RuleTable::kInheritMetadata, QStringLiteral("1"));
    if (c.matterTwice)
        admin().database().execute(
            QStringLiteral("INSERT INTO DOCSADM.DOCSCOLUMN (SYSTEM_ID, TBNAME, COLNAME, "
                           "FTBNAME, FCOLNAME, CMSKEY) VALUES (999999, 'PROFILE', "
                           "'MATTER', 'MATTER', 'SYSTEM_ID', 'F')"));
    engine->LoadForeignColumns();
    const qint64 folder = Folder(QStringLiteral("Box"), 0, QStringLiteral("0042"));
    const qint64 doc = Document(QStringLiteral("Memo"), QStringLiteral("0043"));
    admin().database().execute(QStringLiteral("UPDATE DOCSADM.PROFILE SET MATTER = ?1 WHERE DOCNUMBER = ?2"),
                               {QString::fromLatin1(c.itemValue), doc});
    Mark();
    ASSERT_TRUE(engine->AddFolderItem(qint32(doc), qint32(folder), QStringLiteral("P"), kRule, 0));

    // A value of blanks is empty: the folder's matter fills it, named once however often listed.
    EXPECT_EQ(Matter(doc), QStringLiteral("0042"));
    const QStringList updates = ProfileUpdates(doc);
    ASSERT_EQ(updates.size(), 1) << Statements().join(u'\n').toStdString();
    EXPECT_EQ(updates.front().count(QStringLiteral("MATTER = ")), 1) << updates.front().toStdString();
    EXPECT_EQ(Matter(folder), QStringLiteral("0042"));
}

INSTANTIATE_TEST_SUITE_P(Rows, ForeignColumnTest,
                         ::testing::Values(ForeignCase{"blanks", false, "   "},
                                           ForeignCase{"blanks_column_twice", true, "   "},
                                           ForeignCase{"empty_column_twice", true, ""}),
                         [](const ::testing::TestParamInfo<ForeignCase>& info) { return info.param.label; });

} // namespace
