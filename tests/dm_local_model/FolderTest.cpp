#include "ModelFixture.h"

#include "common/Fault.h"
#include "dm/local/LocalErrors.h"

namespace vantrelis::dm::local::test {
namespace {

using FolderTest = ModelFixture;

void Set(const std::shared_ptr<DmProfile>& profile, const char* column, const QString& value) {
    auto item = profile->columns()->item(QString::fromLatin1(column));
    ASSERT_NE(item, nullptr) << column;
    item->setValue(value);
}

QString Get(const std::shared_ptr<DmProfile>& profile, const char* column) {
    auto item = profile->columns()->item(QString::fromLatin1(column));
    return item ? item->value() : QStringLiteral("<none>");
}

// A new folder filled as the folder engine fills one.
std::shared_ptr<DmFolder> NewFolder(DmLibrary& lib, const QString& name, bool isPublic) {
    auto folder = lib.newFolder();
    folder->setSecondaryName(name);
    folder->setName(name);
    folder->setPublic(isPublic);
    auto profile = folder->profile();
    profile->columns()->fillDefaults();
    Set(profile, "TYPE_ID", QStringLiteral("FOLDER"));
    return folder;
}

TEST_F(FolderTest, SaveWritesTheFolderRowsWithFreshKeys) {
    for (const bool isPublic : {true, false}) {
        SCOPED_TRACE(isPublic ? "public" : "private");
        auto lib = library();
        const QString name = isPublic ? QStringLiteral("O'Brien public") : QStringLiteral("Private one");
        auto folder = NewFolder(*lib, name, isPublic);
        EXPECT_EQ(folder->docNumber(), 0);
        ASSERT_TRUE(folder->profile()->save(3)) << folder->errorText().toStdString();
        ASSERT_TRUE(folder->save(3)) << folder->errorText().toStdString();
        const qint64 doc = folder->docNumber();
        ASSERT_NE(doc, 0);
        EXPECT_EQ(folder->errorNumber(), 0);

        auto db = direct();
        const QueryResult profile = db->query(
            QStringLiteral(
                "SELECT P.SYSTEM_ID, P.DOCNAME, A.USER_ID, T.USER_ID, D.TYPE_ID, X.APPLICATION, "
                "P.DEFAULT_RIGHTS, P.CREATION_DATE FROM DOCSADM.PROFILE P "
                "JOIN DOCSADM.PEOPLE A ON A.SYSTEM_ID = P.AUTHOR JOIN DOCSADM.PEOPLE T ON T.SYSTEM_ID = "
                "P.TYPIST JOIN DOCSADM.DOCUMENTTYPES D ON D.SYSTEM_ID = P.DOCUMENTTYPE "
                "JOIN DOCSADM.APPS X ON X.SYSTEM_ID = P.APPLICATION WHERE P.DOCNUMBER = ?1"),
            {doc});
        ASSERT_EQ(profile.rows.size(), 1u);
        const auto& row = profile.rows.front();
        const qint64 systemId = row[0].toLongLong();
        EXPECT_NE(systemId, 0);
        EXPECT_EQ(row[1].toString(), name);
        EXPECT_EQ(row[2].toString(), QStringLiteral("GARY"));
        EXPECT_EQ(row[3].toString(), QStringLiteral("GARY"));
        EXPECT_EQ(row[4].toString(), QStringLiteral("FOLDER"));
        EXPECT_EQ(row[5].toString(), QStringLiteral("FOLDER"));
        EXPECT_EQ(row[6].toLongLong(), 0);
        EXPECT_FALSE(row[7].toString().isEmpty());

        const QueryResult folderRow = db->query(
            QStringLiteral("SELECT SYSTEM_ID, IS_PUBLIC FROM DOCSADM.FOLDER WHERE DOCNUMBER = ?1"), {doc});
        ASSERT_EQ(folderRow.rows.size(), 1u);
        EXPECT_NE(folderRow.rows[0][0].toLongLong(), 0);
        EXPECT_EQ(folderRow.rows[0][1].toString(), isPublic ? QStringLiteral("Y") : QStringLiteral("N"));

        const QueryResult version = db->query(
            QStringLiteral("SELECT VERSION_ID, VERSION FROM DOCSADM.VERSIONS WHERE DOCNUMBER = ?1"), {doc});
        ASSERT_EQ(version.rows.size(), 1u);
        const qint64 versionId = version.rows[0][0].toLongLong();
        EXPECT_NE(versionId, 0);
        EXPECT_EQ(version.rows[0][1].toLongLong(), 1);
        EXPECT_NE(versionId, systemId);
        EXPECT_NE(folderRow.rows[0][0].toLongLong(), systemId);

        const QueryResult root = db->query(
            QStringLiteral(
                "SELECT SYSTEM_ID, PERSONORGROUP, DISPLAYNAME FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ?1"),
            {doc});
        if (isPublic) {
            ASSERT_EQ(root.rows.size(), 1u);
            EXPECT_NE(root.rows[0][0].toLongLong(), 0);
            EXPECT_EQ(root.rows[0][1].toLongLong(), m_garyId);
            EXPECT_EQ(root.rows[0][2].toString(), QString());
            EXPECT_FALSE(root.rows[0][2].isNull());
        } else {
            EXPECT_TRUE(root.rows.empty());
        }
    }
    // Two folders, two distinct document numbers.
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(DISTINCT DOCNUMBER) FROM DOCSADM.PROFILE")), 2);
}

struct BadSave {
    const char* column;
    const char* value;
    qint64 number;
    const char* text;
};

class FailedSaveTest : public ModelFixture, public ::testing::WithParamInterface<BadSave> {};

TEST_P(FailedSaveTest, WritesNothingAndLeavesTheErrorOnTheFolder) {
    const BadSave& bad = GetParam();
    auto lib = library();
    auto folder = NewFolder(*lib, QStringLiteral("Doomed"), true);
    auto profile = folder->profile();
    Set(profile, bad.column, QString::fromUtf8(bad.value));
    if (QLatin1String(bad.column) == QLatin1String("MATTER_ID") &&
        QLatin1String(bad.value) != QLatin1String("M1"))
        Set(profile, "CLIENT_ID", QStringLiteral("C100"));

    EXPECT_FALSE(profile->save(3));
    EXPECT_FALSE(folder->save(3));
    EXPECT_EQ(folder->docNumber(), 0);
    EXPECT_EQ(profile->errorNumber(), bad.number);
    EXPECT_EQ(folder->errorNumber(), bad.number);
    EXPECT_EQ(folder->errorText(), QString::fromUtf8(bad.text));
    EXPECT_EQ(profile->errorText(), QString::fromUtf8(bad.text));
    for (const char* table : {"PROFILE", "FOLDER", "VERSIONS", "ROOT_OBJECT", "SECURITY"})
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.%1").arg(QLatin1String(table))), 0)
            << table;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedSaveTest,
    ::testing::Values(
        BadSave{"TYPE_ID", "XYZ", kErrorInvalidValue, "Invalid value 'XYZ' for column TYPE_ID"},
        BadSave{"APP_ID", "NOPE", kErrorInvalidValue, "Invalid value 'NOPE' for column APP_ID"},
        BadSave{"AUTHOR_ID", "O'HARA", kErrorInvalidValue, "Invalid value 'O'HARA' for column AUTHOR_ID"},
        BadSave{"TYPIST_ID", "ZED", kErrorInvalidValue, "Invalid value 'ZED' for column TYPIST_ID"},
        BadSave{"FORM", "NO_FORM", kErrorInvalidValue, "Invalid value 'NO_FORM' for column FORM"},
        BadSave{"CLIENT_ID", "C999", kErrorInvalidValue, "Invalid value 'C999' for column CLIENT_ID"},
        BadSave{"MATTER_ID", "M9", kErrorInvalidValue, "Invalid value 'M9' for column MATTER_ID"},
        BadSave{"MATTER_ID", "M1", kErrorAmbiguousValue,
                "Ambiguous value 'M1' for column MATTER_ID: name its client in CLIENT_ID"},
        BadSave{"DOCNAME", "", kErrorRequiredValue, "Column DOCNAME requires a value"}),
    [](const ::testing::TestParamInfo<BadSave>& info) {
        return std::string(info.param.column).substr(0, 6) + "_" + std::to_string(info.index);
    });

TEST_F(FolderTest, SaveSucceedsOnceTheBadValueIsMended) {
    auto lib = library();
    auto folder = NewFolder(*lib, QStringLiteral("Second try"), false);
    Set(folder->profile(), "TYPE_ID", QStringLiteral("XYZ"));
    ASSERT_FALSE(folder->save(3));
    Set(folder->profile(), "TYPE_ID", QStringLiteral("memo")); // MSSQL library: any letter case
    ASSERT_TRUE(folder->save(3)) << folder->errorText().toStdString();
    EXPECT_EQ(folder->errorNumber(), 0);
    EXPECT_EQ(Get(folder->profile(), "TYPE_ID"), QStringLiteral("MEMO"));
}

TEST_F(FolderTest, OracleLibraryComparesLookupsWithCase) {
    auto lib = library(QStringLiteral("LIB_B"));
    auto folder = NewFolder(*lib, QStringLiteral("Case"), false);
    Set(folder->profile(), "TYPE_ID", QStringLiteral("memo"));
    EXPECT_FALSE(folder->save(3));
    EXPECT_EQ(folder->errorText(), QStringLiteral("Invalid value 'memo' for column TYPE_ID"));
}

TEST_F(FolderTest, ProtectedColumnsRefuseWrites) {
    auto lib = library();
    auto folder = NewFolder(*lib, QStringLiteral("Guarded"), false);
    ASSERT_TRUE(folder->save(3));
    auto columns = folder->profile()->columns();
    QStringList protectedNames;
    for (int i = 1; i <= columns->count(); ++i) {
        auto column = columns->item(i);
        if (!column->isProtected())
            continue;
        protectedNames << column->name();
        const QString before = column->value();
        try {
            column->setValue(QStringLiteral("42"));
            ADD_FAILURE() << "no fault for " << column->name().toStdString();
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.number(), kErrorProtectedColumn);
        }
        EXPECT_EQ(column->value(), before);
        EXPECT_EQ(folder->errorNumber(), kErrorProtectedColumn);
    }
    EXPECT_EQ(protectedNames,
              (QStringList{QStringLiteral("DOCNUMBER"), QStringLiteral("SYSTEM_ID"),
                           QStringLiteral("CREATION_DATE"), QStringLiteral("LAST_EDIT_DATE")}));
    EXPECT_EQ(Get(folder->profile(), "DOCNUMBER"), QString::number(folder->docNumber()));
}

TEST_F(FolderTest, FillDefaultsFillsOnlyEmptyColumns) {
    auto db = direct();
    db->execute(QStringLiteral("INSERT INTO DOCSADM.LIBRARY_PARAMS (USER_ID, NAME, VALUE) VALUES "
                               "('*', 'DOCSParms.DefaultForm', 'FOLDER_PROF')"));
    db.reset();
    auto lib = library();
    auto folder = lib->newFolder();
    folder->setName(QStringLiteral("Defaults"));
    auto profile = folder->profile();
    Set(profile, "TYPIST_ID", QStringLiteral("MARY"));
    profile->columns()->fillDefaults();
    EXPECT_EQ(Get(profile, "DOCNAME"), QStringLiteral("Defaults"));
    EXPECT_EQ(Get(profile, "AUTHOR_ID"), QStringLiteral("GARY"));
    EXPECT_EQ(Get(profile, "TYPIST_ID"), QStringLiteral("MARY"));
    EXPECT_EQ(Get(profile, "APP_ID"), QStringLiteral("FOLDER"));
    EXPECT_EQ(Get(profile, "TYPE_ID"), QString());
    EXPECT_EQ(Get(profile, "FORM"), QStringLiteral("FOLDER_PROF"));
    EXPECT_EQ(Get(profile, "FULLTEXT"), QStringLiteral("Y"));
    EXPECT_EQ(Get(profile, "$DEFAULT_RIGHTS"), QStringLiteral("0"));
    EXPECT_EQ(Get(profile, "ABSTRACT"), QString());
}

TEST_F(FolderTest, ExistingFolderShowsItsProfileAsNamesAndValues) {
    auto lib = library();
    auto parent = NewFolder(*lib, QStringLiteral("Acme matter two"), true);
    Set(parent->profile(), "CLIENT_ID", QStringLiteral("C100"));
    Set(parent->profile(), "MATTER_ID", QStringLiteral("M2"));
    Set(parent->profile(), "RETENTION", QStringLiteral("30"));
    ASSERT_TRUE(parent->save(3)) << parent->errorText().toStdString();
    const qint64 doc = parent->docNumber();

    auto fresh = library(); // same library object; a new folder object read from the tables
    auto folder = fresh->folder(doc);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->name(), QStringLiteral("Acme matter two"));
    EXPECT_TRUE(folder->isPublic());
    EXPECT_EQ(folder->docNumber(), doc);
    auto columns = folder->profile()->columns();
    QList<QPair<QString, QString>> pairs;
    for (int i = 1; i <= columns->count(); ++i)
        pairs.append({columns->item(i)->name(), columns->item(i)->value()});
    EXPECT_EQ(columns->count(), 15);
    EXPECT_EQ(columns->item(16), nullptr);
    EXPECT_EQ(columns->item(0), nullptr);
    const QList<QPair<QString, QString>> expected = {{"DOCNUMBER", QString::number(doc)},
                                                     {"DOCNAME", "Acme matter two"},
                                                     {"ABSTRACT", ""},
                                                     {"AUTHOR_ID", "GARY"},
                                                     {"TYPIST_ID", "GARY"},
                                                     {"TYPE_ID", "FOLDER"},
                                                     {"APP_ID", "FOLDER"},
                                                     {"FORM", ""},
                                                     {"CLIENT_ID", "C100"},
                                                     {"MATTER_ID", "M2"},
                                                     {"RETENTION", "30"},
                                                     {"FULLTEXT", "Y"}};
    ASSERT_GE(pairs.size(), expected.size());
    EXPECT_EQ(pairs.mid(0, expected.size()), expected);
    EXPECT_NE(columns->item(QStringLiteral("$default_rights")), nullptr) << "by name, any case";
    EXPECT_EQ(columns->item(QStringLiteral("NO_SUCH_COLUMN")), nullptr);

    const qint64 matter =
        id(QStringLiteral("SELECT MATTER FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {doc});
    EXPECT_EQ(matter, id(QStringLiteral(
                          "SELECT M.SYSTEM_ID FROM DOCSADM.MATTER M JOIN DOCSADM.CLIENT C ON "
                          "C.SYSTEM_ID = M.CLIENT_ID WHERE C.CLIENT_ID = 'C100' AND M.MATTER_ID = 'M2'")));
}

TEST_F(FolderTest, FolderAndProfileByNumberOnlyForWhatExists) {
    auto lib = library();
    auto folder = NewFolder(*lib, QStringLiteral("Real"), false);
    ASSERT_TRUE(folder->save(3));
    auto db = direct();
    const qint64 docKey = db->nextKey(QStringLiteral("SYSTEMKEY"));
    const qint64 docNumber = db->nextKey(QStringLiteral("DOCNUMBER"));
    db->execute(
        QStringLiteral(
            "INSERT INTO DOCSADM.PROFILE (SYSTEM_ID, DOCNUMBER, DOCNAME) VALUES (?1, ?2, 'A letter')"),
        {docKey, docNumber});
    db.reset();

    EXPECT_NE(lib->folder(folder->docNumber()), nullptr);
    EXPECT_EQ(lib->folder(docNumber), nullptr) << "a document, not a folder";
    EXPECT_EQ(lib->folder(987654), nullptr);
    ASSERT_NE(lib->profile(docNumber), nullptr);
    EXPECT_EQ(Get(lib->profile(docNumber), "DOCNAME"), QStringLiteral("A letter"));
    EXPECT_EQ(lib->profile(987654), nullptr);
}

TEST_F(FolderTest, ItemCountCountsTheRowsUnderTheFolder) {
    auto lib = library();
    auto folder = NewFolder(*lib, QStringLiteral("Box"), false);
    EXPECT_EQ(folder->itemCount(), 0);
    ASSERT_TRUE(folder->save(3));
    const qint64 doc = folder->docNumber();
    EXPECT_EQ(folder->itemCount(), 0);
    auto db = direct();
    for (int i = 0; i < 3; ++i) {
        db->execute(QStringLiteral(
                        "INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, PARENT, DOCNUMBER) VALUES (?1, ?2, ?3)"),
                    {db->nextKey(QStringLiteral("SYSTEMKEY")), i < 2 ? doc : doc + 1000, 500 + i});
    }
    EXPECT_EQ(folder->itemCount(), 2);
    EXPECT_EQ(lib->folder(doc)->itemCount(), 2);
}

TEST_F(FolderTest, SecondaryNameAndRenameOfAnExistingFolder) {
    auto lib = library();
    auto folder = NewFolder(*lib, QStringLiteral("Old name"), false);
    ASSERT_TRUE(folder->save(3));
    auto again = lib->folder(folder->docNumber());
    again->setName(QStringLiteral("New name"));
    again->setPublic(true);
    ASSERT_TRUE(again->save(3)) << again->errorText().toStdString();
    EXPECT_EQ(lib->folder(folder->docNumber())->name(), QStringLiteral("New name"));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ?1"),
                    {folder->docNumber()}),
              1);
    again->setPublic(false);
    ASSERT_TRUE(again->save(3));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ?1"),
                    {folder->docNumber()}),
              0);
    EXPECT_FALSE(lib->folder(folder->docNumber())->isPublic());
}

} // namespace
} // namespace vantrelis::dm::local::test

namespace vantrelis::dm::local::test {
namespace {

// The folder engine's sequence for a subfolder: read the parent's column pairs, make the folder,
// fill defaults, then write the fixed columns and the parent's values into empty, unprotected
// columns only, save the profile, then the folder.
TEST_F(FolderTest, SubfolderTakesTheParentsValuesIntoEmptyColumns) {
    auto lib = library();
    auto parent = NewFolder(*lib, QStringLiteral("Acme"), true);
    Set(parent->profile(), "CLIENT_ID", QStringLiteral("C100"));
    Set(parent->profile(), "MATTER_ID", QStringLiteral("M1"));
    Set(parent->profile(), "RETENTION", QStringLiteral("90"));
    Set(parent->profile(), "ABSTRACT", QStringLiteral("parent abstract"));
    Set(parent->profile(), "AUTHOR_ID", QStringLiteral("MARY"));
    ASSERT_TRUE(parent->save(3)) << parent->errorText().toStdString();

    auto opened = lib->folder(parent->docNumber());
    ASSERT_NE(opened, nullptr);
    QList<QPair<QString, QString>> pairs;
    auto parentColumns = opened->profile()->columns();
    for (int i = 1; i <= parentColumns->count(); ++i)
        pairs.append({parentColumns->item(i)->name(), parentColumns->item(i)->value()});

    auto folder = lib->newFolder();
    folder->setSecondaryName(QStringLiteral("Matter one"));
    folder->setName(QStringLiteral("Matter one"));
    folder->setPublic(true);
    auto profile = folder->profile();
    profile->columns()->fillDefaults();
    auto columns = profile->columns();
    for (int i = 1; i <= columns->count(); ++i) {
        auto column = columns->item(i);
        const QString name = column->name().toUpper();
        QString value;
        if (name == QLatin1String("DOCNAME"))
            value = QStringLiteral("Matter one");
        else if (name == QLatin1String("AUTHOR_ID") || name == QLatin1String("TYPIST_ID"))
            value = lib->userName();
        else if (name == QLatin1String("TYPE_ID") || name == QLatin1String("APP_ID"))
            value = QStringLiteral("FOLDER");
        else if (!column->isProtected()) {
            for (const auto& pair : pairs) {
                if (pair.first == column->name()) {
                    value = pair.second;
                    break;
                }
            }
        }
        if (!value.isEmpty() && !column->isProtected() && column->value().isEmpty())
            column->setValue(value);
    }
    ASSERT_TRUE(profile->save(3)) << folder->errorText().toStdString();
    ASSERT_TRUE(folder->save(3)) << folder->errorText().toStdString();
    ASSERT_NE(folder->docNumber(), 0);
    EXPECT_NE(folder->docNumber(), parent->docNumber());

    auto saved = lib->folder(folder->docNumber())->profile();
    EXPECT_EQ(Get(saved, "CLIENT_ID"), QStringLiteral("C100"));
    EXPECT_EQ(Get(saved, "MATTER_ID"), QStringLiteral("M1"));
    EXPECT_EQ(Get(saved, "RETENTION"), QStringLiteral("90"));
    EXPECT_EQ(Get(saved, "ABSTRACT"), QStringLiteral("parent abstract"));
    EXPECT_EQ(Get(saved, "AUTHOR_ID"), QStringLiteral("GARY")) << "the default came first";
    EXPECT_EQ(Get(saved, "TYPE_ID"), QStringLiteral("FOLDER"));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE")), 2);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER")), 2);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.VERSIONS")), 2);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.ROOT_OBJECT")), 2);
}

} // namespace
} // namespace vantrelis::dm::local::test
