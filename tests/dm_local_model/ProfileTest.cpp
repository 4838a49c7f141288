#include "ModelFixture.h"

#include "common/Fault.h"
#include "dm/local/LocalErrors.h"

namespace vantrelis::dm::local::test {
namespace {

class ProfileTest : public ModelFixture {
public:
    // A saved private folder; its document number.
    qint64 makeFolder(const QString& name = QStringLiteral("Matter folder")) {
        auto folder = library()->newFolder();
        folder->setName(name);
        folder->profile()->columns()->fillDefaults();
        EXPECT_TRUE(folder->save(3)) << folder->errorText().toStdString();
        return folder->docNumber();
    }
    std::shared_ptr<DmColumn> column(const std::shared_ptr<DmProfile>& profile, const char* name) {
        return profile->columns()->item(QString::fromLatin1(name));
    }
};

TEST_F(ProfileTest, OpenAnswersOneForAnExistingDocumentOnly) {
    const qint64 doc = makeFolder();
    auto profile = library()->profile(doc);
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(profile->open(19), 1);
    direct()->execute(QStringLiteral("DELETE FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {doc});
    EXPECT_EQ(profile->open(19), 0);
    EXPECT_EQ(profile->errorNumber(), kErrorNoDocument);
    column(profile, "ABSTRACT")->setValue(QStringLiteral("gone"));
    EXPECT_FALSE(profile->save(3));
    EXPECT_EQ(profile->errorNumber(), kErrorNoDocument);

    auto unsaved = library()->newFolder()->profile();
    EXPECT_EQ(unsaved->open(19), 0);
}

TEST_F(ProfileTest, SaveWritesOnlyChangedColumnsThroughTheirLookups) {
    const qint64 doc = makeFolder();
    struct Change {
        const char* column;
        const char* value;
        const char* sql; // reads the stored value back
        QVariant expected;
    };
    auto db = direct();
    const qint64 memo =
        db->scalar(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.DOCUMENTTYPES WHERE TYPE_ID = 'MEMO'"))
            .toLongLong();
    const qint64 word =
        db->scalar(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.APPS WHERE APPLICATION = 'MS WORD'"))
            .toLongLong();
    const qint64 form =
        db->scalar(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.FORMS WHERE FORM_NAME = 'DEF_PROF'"))
            .toLongLong();
    db.reset();
    const std::vector<Change> changes = {
        {"TYPE_ID", "MEMO", "SELECT DOCUMENTTYPE FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1", memo},
        {"APP_ID", "ms word", "SELECT APPLICATION FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1", word},
        {"FORM", "DEF_PROF", "SELECT FORM FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1", form},
        {"AUTHOR_ID", "MARY", "SELECT AUTHOR FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1", m_maryId},
        {"ABSTRACT", "It's a test", "SELECT ABSTRACT FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1",
         "It's a test"},
        {"RETENTION", " 12 ", "SELECT RETENTION FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1", 12},
        {"FULLTEXT", "n", "SELECT FULLTEXT FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1", "N"},
        {"$DEFAULT_RIGHTS", "1", "SELECT DEFAULT_RIGHTS FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1", 1},
        {"AUTHOR_ID", "", "SELECT COALESCE(AUTHOR, -1) FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1", -1},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.column);
        auto profile = library()->profile(doc);
        ASSERT_EQ(profile->open(19), 1);
        const QString typist = column(profile, "TYPIST_ID")->value();
        column(profile, change.column)->setValue(QString::fromUtf8(change.value));
        ASSERT_TRUE(profile->save(3)) << profile->errorText().toStdString();
        EXPECT_EQ(direct()->scalar(QString::fromLatin1(change.sql), {doc}).toString(),
                  change.expected.toString());
        EXPECT_EQ(column(library()->profile(doc), "TYPIST_ID")->value(), typist) << "untouched column kept";
    }
}

TEST_F(ProfileTest, InvalidChangeLeavesTheRowAsItWas) {
    const qint64 doc = makeFolder();
    auto profile = library()->profile(doc);
    ASSERT_EQ(profile->open(19), 1);
    column(profile, "ABSTRACT")->setValue(QStringLiteral("should not land"));
    column(profile, "TYPE_ID")->setValue(QStringLiteral("BOGUS"));
    EXPECT_FALSE(profile->save(3));
    EXPECT_EQ(profile->errorNumber(), kErrorInvalidValue);
    EXPECT_EQ(profile->errorText(), QStringLiteral("Invalid value 'BOGUS' for column TYPE_ID"));
    EXPECT_EQ(count(QStringLiteral(
                        "SELECT COUNT(*) FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1 AND ABSTRACT IS NULL"),
                    {doc}),
              1);
}

TEST_F(ProfileTest, ValueChecksWhenSet) {
    const qint64 doc = makeFolder();
    auto profile = library()->profile(doc);
    struct Bad {
        const char* column;
        const char* value;
        qint64 number;
    };
    for (const Bad& bad :
         {Bad{"RETENTION", "ten", kErrorNotANumber}, Bad{"$DEFAULT_RIGHTS", "x1", kErrorNotANumber},
          Bad{"FULLTEXT", "maybe", kErrorInvalidValue}}) {
        SCOPED_TRACE(bad.column);
        try {
            column(profile, bad.column)->setValue(QString::fromLatin1(bad.value));
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.number(), bad.number);
            EXPECT_EQ(fault.source(), QStringLiteral("DOCSObjects"));
        }
    }
}

TEST_F(ProfileTest, CloseDropsPendingEdits) {
    const qint64 doc = makeFolder();
    auto profile = library()->profile(doc);
    ASSERT_EQ(profile->open(19), 1);
    column(profile, "ABSTRACT")->setValue(QStringLiteral("pending"));
    profile->trustees()->addPerson(QStringLiteral("MARY"), 255);
    profile->close();
    EXPECT_EQ(column(profile, "ABSTRACT")->value(), QString());
    ASSERT_TRUE(profile->save(3));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.SECURITY")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE WHERE ABSTRACT IS NOT NULL")), 0);
}

TEST_F(ProfileTest, OpenSeesWhatSqlWroteMeanwhile) {
    const qint64 doc = makeFolder();
    auto profile = library()->profile(doc);
    direct()->execute(
        QStringLiteral("UPDATE DOCSADM.PROFILE SET DEFAULT_RIGHTS = 1, ABSTRACT = 'by SQL' WHERE "
                       "DOCNUMBER = ?1"),
        {doc});
    ASSERT_EQ(profile->open(19), 1);
    EXPECT_EQ(column(profile, "$DEFAULT_RIGHTS")->value(), QStringLiteral("1"));
    EXPECT_EQ(column(profile, "ABSTRACT")->value(), QStringLiteral("by SQL"));
}

} // namespace
} // namespace vantrelis::dm::local::test
