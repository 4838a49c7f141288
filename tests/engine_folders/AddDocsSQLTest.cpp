#include "FolderFixture.h"

#include "common/SqlText.h"

#include <set>

using namespace vantrelis;
using namespace vantrelis::testing;

namespace {

const QString kNoFolders = QStringLiteral(
    "DOCSADM.PROFILE.APPLICATION <> (SELECT SYSTEM_ID FROM DOCSADM.APPS WHERE APPLICATION = 'FOLDER')");
const QString kMatterJoin = QStringLiteral("DOCSADM.MATTER.SYSTEM_ID = DOCSADM.PROFILE.MATTER");

class AddDocsSQLTest : public FolderFixture {
protected:
    QString Build(const QString& pathTemplate, qint64 folder) {
        SetRule(RuleTable::kTemplate, pathTemplate);
        return engine->AddDocsSQL(qint32(folder), kRule);
    }
    std::set<qint64> Run(const QString& statement) {
        std::set<qint64> numbers;
        for (const auto& row : admin().database().query(statement).rows)
            numbers.insert(row.at(0).toLongLong());
        return numbers;
    }
    QString Field(int field) { return program->context.rules().field(kRule, field); }
};

struct StatementCase {
    const char* pathTemplate;
    QString valuesQuery;
    QString documentsQuery;
    QString matchList;
};

class DocumentStatementTest : public AddDocsSQLTest, public ::testing::WithParamInterface<StatementCase> {};

TEST_P(DocumentStatementTest, BuildsAndKeepsTheRulesStatements) {
    const StatementCase& c = GetParam();
    // A column that refers to its own table adds no join.
    admin().database().execute(
        QStringLiteral("INSERT INTO DOCSADM.DOCSCOLUMN (TBNAME, COLNAME, FTBNAME, FCOLNAME) "
                       "VALUES ('PROFILE', 'DOCNAME', 'PROFILE', 'DOCNAME')"));
    Build(QLatin1String(c.pathTemplate), Folder(QStringLiteral("Box")));
    EXPECT_EQ(Field(15), c.valuesQuery);
    EXPECT_EQ(Field(16), c.documentsQuery);
    EXPECT_EQ(Field(17), c.matchList);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, DocumentStatementTest, ::testing::Values(
    StatementCase{"%MATTER.MATTER_ID%",
        "SELECT DOCSADM.MATTER.MATTER_ID FROM DOCSADM.PROFILE, DOCSADM.MATTER WHERE " + kMatterJoin,
        "SELECT DOCSADM.PROFILE.DOCNUMBER FROM DOCSADM.PROFILE, DOCSADM.MATTER WHERE " + kMatterJoin,
        "DOCSADM.MATTER.MATTER_ID = '[MATTER_ID]' AND " + kNoFolders},
    StatementCase{"%MATTER.CLIENT_ID.CLIENT_ID% %\\% %matter.matter_id% %\\% %DOCUMENTTYPE.TYPE_ID%",
        "SELECT DOCSADM.CLIENT.CLIENT_ID, DOCSADM.MATTER.MATTER_ID, DOCSADM.DOCUMENTTYPES.TYPE_ID FROM DOCSADM.PROFILE, "
        "DOCSADM.MATTER, DOCSADM.CLIENT, DOCSADM.DOCUMENTTYPES WHERE " + kMatterJoin + " AND DOCSADM.CLIENT.SYSTEM_ID = "
        "DOCSADM.MATTER.CLIENT_ID AND DOCSADM.DOCUMENTTYPES.SYSTEM_ID = DOCSADM.PROFILE.DOCUMENTTYPE",
        "SELECT DOCSADM.PROFILE.DOCNUMBER FROM DOCSADM.PROFILE, DOCSADM.MATTER, DOCSADM.CLIENT, DOCSADM.DOCUMENTTYPES WHERE " +
            kMatterJoin + " AND DOCSADM.CLIENT.SYSTEM_ID = DOCSADM.MATTER.CLIENT_ID AND DOCSADM.DOCUMENTTYPES.SYSTEM_ID = "
            "DOCSADM.PROFILE.DOCUMENTTYPE",
        "DOCSADM.CLIENT.CLIENT_ID = '[CLIENT_ID]' AND DOCSADM.MATTER.MATTER_ID = '[MATTER_ID]' AND "
        "DOCSADM.DOCUMENTTYPES.TYPE_ID <> 'FOLDER'"},
    StatementCase{"%APPLICATION.APPLICATION%",
        "SELECT DOCSADM.APPS.APPLICATION FROM DOCSADM.PROFILE, DOCSADM.APPS WHERE DOCSADM.APPS.SYSTEM_ID = "
        "DOCSADM.PROFILE.APPLICATION",
        "SELECT DOCSADM.PROFILE.DOCNUMBER FROM DOCSADM.PROFILE, DOCSADM.APPS WHERE DOCSADM.APPS.SYSTEM_ID = "
        "DOCSADM.PROFILE.APPLICATION",
        "DOCSADM.APPS.APPLICATION <> 'FOLDER'"},
    StatementCase{"%DOCNAME.DOCNAME%", "SELECT DOCSADM.PROFILE.DOCNAME FROM DOCSADM.PROFILE",
        "SELECT DOCSADM.PROFILE.DOCNUMBER FROM DOCSADM.PROFILE", "DOCSADM.PROFILE.DOCNAME = '[DOCNAME]' AND " + kNoFolders},
    StatementCase{"%status = 0% %%", "SELECT  FROM DOCSADM.PROFILE WHERE STATUS = 0",
        "SELECT DOCSADM.PROFILE.DOCNUMBER FROM DOCSADM.PROFILE WHERE STATUS = 0", kNoFolders}),
    [](const ::testing::TestParamInfo<StatementCase>& info) { return std::to_string(info.index); });
// clang-format on

class DocumentSelectionTest : public AddDocsSQLTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DocumentSelectionTest, SelectsTheDocumentsOfTheFoldersMatterButNoFolder) {
    const QString matter = QLatin1String(GetParam());
    admin().addMatter(QStringLiteral("ACME"), QStringLiteral("O'Hara"), QStringLiteral("Escaped"));
    const qint64 folder = Folder(QStringLiteral("Box"), 0, matter);
    const qint64 wanted = Document(QStringLiteral("Wanted"), matter);
    Document(QStringLiteral("Other"), QStringLiteral("0043"));
    Folder(QStringLiteral("Sub"), folder, matter);

    const QString statement = Build(QStringLiteral("%MATTER.MATTER_ID%"), folder);
    EXPECT_EQ(statement, "SELECT DOCSADM.PROFILE.DOCNUMBER FROM DOCSADM.PROFILE, DOCSADM.MATTER WHERE " +
                             kMatterJoin + " AND DOCSADM.MATTER.MATTER_ID = '" + EscapeSQLText(matter) +
                             "' AND " + kNoFolders);
    EXPECT_EQ(Run(statement), std::set<qint64>{wanted});
    EXPECT_TRUE(
        Statements().contains("SELECT DOCSADM.MATTER.MATTER_ID FROM DOCSADM.PROFILE, DOCSADM.MATTER WHERE " +
                              kMatterJoin + " AND DOCSADM.PROFILE.DOCNUMBER = " + QString::number(folder)));
}

INSTANTIATE_TEST_SUITE_P(Rows, DocumentSelectionTest, ::testing::Values("0042", "O'Hara"));

TEST_F(AddDocsSQLTest, ASecondCallForTheRuleUsesTheKeptStatements) {
    const qint64 first = Folder(QStringLiteral("First"), 0, QStringLiteral("0042"));
    const qint64 second = Folder(QStringLiteral("Second"), 0, QStringLiteral("0043"));
    const qint64 doc = Document(QStringLiteral("Lease memo"), QStringLiteral("0043"));
    Build(QStringLiteral("%MATTER.MATTER_ID%"), first);
    Mark();
    const QString statement = engine->AddDocsSQL(qint32(second), kRule);
    EXPECT_EQ(Run(statement), std::set<qint64>{doc});
    EXPECT_EQ(Statements().filter(QStringLiteral("DOCSCOLUMN")), QStringList());
    EXPECT_EQ(Lines().filter(QStringLiteral("Identifying SQL statement")), QStringList());
    EXPECT_TRUE(Field(17).contains(QStringLiteral("[MATTER_ID]")));
}

TEST_F(AddDocsSQLTest, TwoTokensEndingInOneColumnAreFilledInTokenOrder) {
    const qint64 folder = Folder(QStringLiteral("Box"), 0, QStringLiteral("0042"));
    const QString statement =
        Build(QStringLiteral("%MATTER.CLIENT_ID.CLIENT_ID% %MATTER.CLIENT_ID%"), folder);
    EXPECT_TRUE(statement.endsWith(
        QStringLiteral("AND DOCSADM.CLIENT.CLIENT_ID = 'ACME' AND DOCSADM.MATTER.CLIENT_ID = '%1' AND ")
            .arg(admin().clientSystemId(QStringLiteral("ACME"))) +
        kNoFolders))
        << statement.toStdString();
}

TEST_F(AddDocsSQLTest, NothingToFileGivesAnEmptyStatement) {
    const qint64 folder = Folder(QStringLiteral("Box"));
    const QString warning =
        QStringLiteral("Warning: Parent or RuleNumber Not Specified - Cannot add documents to this folder");
    EXPECT_EQ(engine->AddDocsSQL(0, kRule), QString());
    EXPECT_TRUE(Lines().contains(warning));
    EXPECT_EQ(Build(QStringLiteral("%MATTER.MATTER_ID%"), folder), QString()) << "the folder has no matter";
    EXPECT_TRUE(Lines().contains(QStringLiteral("No documents found to add to this folder")));
    Mark();
    EXPECT_EQ(engine->AddDocsSQL(qint32(folder), 0), QString());
    EXPECT_TRUE(Lines().contains(warning));
    EXPECT_EQ(Statements(), QStringList());
}

} // namespace
