// A library built by the administration services and the admin tool on a database server: the same
// calls leave row-identical libraries on both stores, and `vantrelis-dm` works on a URI.

#include "common/Fault.h"
#include "config/FolderRuleDefinition.h"
#include "dm/DmConstants.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LibraryCopy.h"
#include "dm/local/LibrarySchema.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/LocalServer.h"
#include "dm/local/PgLibrarySchema.h"
#include "dm/local/PgLibraryStore.h"
#include "pg/TestStores.h"
#include "support/ExpectFault.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantrelis::testing {
namespace {

using namespace dm::local;

// Builds the same small library through the admin services, whatever the store.
void BuildLibrary(LibraryAdmin& admin) {
    admin.batch([&] {
        admin.addGroup(QStringLiteral("DOCS_SUPERVISORS"), QStringLiteral("Supervisors"), 255);
        admin.addGroup(QStringLiteral("LITIGATION"), QStringLiteral("Litigation"), 0);
        admin.addPerson(QStringLiteral("GARY"), QStringLiteral("Gary O'Neil"),
                        QStringLiteral("DOCS_SUPERVISORS"));
        admin.addPerson(QStringLiteral("ann"), QStringLiteral("Ann"), QStringLiteral("litigation"));
        admin.addMember(QStringLiteral("GARY"), QStringLiteral("LITIGATION"));
        admin.addClient(QStringLiteral("ACME"), QStringLiteral("Acme Ltd"));
        admin.addMatter(QStringLiteral("ACME"), QStringLiteral("M-1"), QStringLiteral("Merger"));
    });
    FolderSpec top;
    top.name = QStringLiteral("Clients");
    top.owner = QStringLiteral("GARY");
    top.creationDate = QStringLiteral("2024-01-02");
    const qint64 clients = admin.addFolder(top);
    FolderSpec child = top;
    child.name = QStringLiteral("Acme");
    child.parent = clients;
    child.clientId = QStringLiteral("ACME");
    child.matterId = QStringLiteral("M-1");
    const qint64 acme = admin.addFolder(child);
    DocumentSpec document;
    document.name = QStringLiteral("Letter to O'Brien");
    document.author = QStringLiteral("ann");
    document.typeId = QStringLiteral("LETTER");
    document.clientId = QStringLiteral("ACME");
    document.matterId = QStringLiteral("M-1");
    document.creationDate = QStringLiteral("2024-02-03");
    const qint64 letter = admin.addDocument(document);
    admin.linkItem(acme, letter);
    admin.addTrustee(acme, QStringLiteral("LITIGATION"), 63);
    admin.addTrustee(acme, QStringLiteral("gary"), 255);
    admin.addSettingsTable();
    FolderRuleDefinition rule;
    rule.name = QStringLiteral("BY_CLIENT");
    rule.pathTemplate = QStringLiteral("Clients\\%CLIENT_ID%");
    admin.replaceSettings(rule.settingsRows());
    admin.addImportSet(QStringLiteral("LETTERS"), QStringLiteral(","),
                       {{QStringLiteral("CLIENT_ID"), 1, 10, QString(), 0},
                        {QStringLiteral("DOCNAME"), 11, 40, QString(), 1}});
    admin.setParameter(QStringLiteral("GARY"), QStringLiteral("User.CreateFolder"), QStringLiteral("Y"));
}

// Every row of every table, as text, in a stable order; the columns each store names alike.
QStringList Dump(LibraryStore& store) {
    QStringList lines;
    for (const LibrarySchema::Table& table : LibrarySchema::Tables()) {
        if (table.optional && !store.hasTable(table.name))
            continue;
        QStringList columns;
        for (const LibrarySchema::Column& column : table.columns)
            if (!(table.name == QLatin1String("REMOTE_LIBRARIES") &&
                  column.name == QLatin1String("DATABASE_NAME")))
                columns += column.name == QLatin1String("NEXT") ? QStringLiteral("\"NEXT\"") : column.name;
        QStringList order;
        for (int i = 1; i <= columns.size(); ++i)
            order += QString::number(i);
        const QueryResult rows = store.query(
            QStringLiteral("SELECT %1 FROM DOCSADM.%2 ORDER BY %3")
                .arg(columns.join(QLatin1String(", ")), table.name, order.join(QLatin1String(", "))));
        for (const auto& row : rows.rows) {
            QStringList values;
            for (const QVariant& value : row)
                values += value.isValid() ? value.toString() : QStringLiteral("NULL");
            lines += table.name + QLatin1String(": ") + values.join(QLatin1String(" | "));
        }
    }
    return lines;
}

TEST(PgAdminTest, TheSameCallsLeaveRowIdenticalLibrariesOnBothStores) {
    VANTRELIS_REQUIRE_PG();
    for (const int engine : {dm::kEngineMssql, dm::kEngineOracle}) {
        SCOPED_TRACE(engine);
        QTemporaryDir folder;
        LibraryAdmin onFile = LibraryAdmin::CreateLibrary(folder.filePath(QStringLiteral("firm.db")), engine,
                                                          QStringLiteral("FIRM"));
        PgCluster* cluster = PgCluster::Shared();
        const QString databaseName = cluster->createDatabase(QStringLiteral("firm"));
        const QString uri = cluster->uri(databaseName);
        LibraryAdmin onServer = LibraryAdmin::CreateLibrary(uri, engine, QStringLiteral("FIRM"));
        BuildLibrary(onFile);
        BuildLibrary(onServer);
        const QStringList fileRows = Dump(onFile.store());
        const QStringList serverRows = Dump(onServer.store());
        EXPECT_GT(fileRows.size(), 60);
        EXPECT_EQ(fileRows, serverRows);
        EXPECT_TRUE(onServer.hasSettingsTable());
        EXPECT_EQ(onServer.store()
                      .scalar(QStringLiteral(
                          "SELECT DATABASE_NAME FROM DOCSADM.REMOTE_LIBRARIES WHERE SYSTEM_ID = 0"))
                      .toString(),
                  databaseName);
        ExpectFault(kAdminBadArgument, [&] { onServer.database(); });
        // Opened again by its URI, it is the same library.
        LibraryAdmin again = LibraryAdmin::OpenLibrary(uri, engine);
        EXPECT_EQ(again.personId(QStringLiteral("GARY")), onServer.personId(QStringLiteral("GARY")));
    }
}

// The trustee rows in the order they were added, in which a profile's trustees are listed.
QStringList TrusteeOrder(LibraryStore& store) {
    QStringList rows;
    for (const auto& row :
         store.query(QStringLiteral("SELECT THING, PERSONORGROUP FROM DOCSADM.SECURITY ORDER BY ROWID")).rows)
        rows += row[0].toString() + QLatin1Char('/') + row[1].toString();
    return rows;
}

TEST(PgAdminTest, ALibraryCopiedOntoAServerAndBackHoldsTheSameRows) {
    VANTRELIS_REQUIRE_PG();
    for (const int engine : {dm::kEngineMssql, dm::kEngineOracle}) {
        SCOPED_TRACE(engine);
        QTemporaryDir folder;
        LibraryAdmin original = LibraryAdmin::CreateLibrary(folder.filePath(QStringLiteral("firm.db")),
                                                            engine, QStringLiteral("FIRM"));
        BuildLibrary(original);
        PgCluster* cluster = PgCluster::Shared();
        const QString uri = cluster->uri(cluster->createDatabase(QStringLiteral("copy")));
        LibraryAdmin onServer = LibraryAdmin::CreateLibrary(uri, engine, QStringLiteral("FIRM"));
        const std::vector<LibraryCopy::TableRows> copied = LibraryCopy::CopyRows(original.store(), onServer);
        LibraryAdmin back = LibraryAdmin::CreateLibrary(folder.filePath(QStringLiteral("back.db")), engine,
                                                        QStringLiteral("FIRM"));
        LibraryCopy::CopyRows(onServer.store(), back);

        const QStringList rows = Dump(original.store());
        EXPECT_EQ(Dump(onServer.store()), rows);
        EXPECT_EQ(Dump(back.store()), rows);
        qint64 total = 0;
        for (const LibraryCopy::TableRows& table : copied)
            total += table.rows;
        EXPECT_EQ(total, rows.size());
        EXPECT_TRUE(onServer.hasSettingsTable());
        EXPECT_EQ(TrusteeOrder(onServer.store()), TrusteeOrder(original.store()));
        // The key counters go on where the original's stand.
        EXPECT_EQ(onServer.store().nextKey(QStringLiteral("SYSTEMKEY")),
                  original.store().nextKey(QStringLiteral("SYSTEMKEY")));
    }
}

TEST(PgAdminTest, AFailedCopyLeavesTheTargetAsItWas) {
    VANTRELIS_REQUIRE_PG();
    QTemporaryDir folder;
    LibraryAdmin original = LibraryAdmin::CreateLibrary(folder.filePath(QStringLiteral("firm.db")),
                                                        dm::kEngineMssql, QStringLiteral("FIRM"));
    BuildLibrary(original);
    // A file takes text in a number column, as a library built by hand may have it; the server does not.
    // The tables before PEOPLE are copied by then.
    original.store().execute(
        QStringLiteral("UPDATE DOCSADM.PEOPLE SET PRIMARY_GROUP = 'none' WHERE USER_ID = 'ANN'"));
    PgCluster* cluster = PgCluster::Shared();
    const QString uri = cluster->uri(cluster->createDatabase(QStringLiteral("copyfail")));
    LibraryAdmin onServer = LibraryAdmin::CreateLibrary(uri, dm::kEngineMssql, QStringLiteral("FIRM"));
    onServer.addSettingsTable();
    const QStringList before = Dump(onServer.store());
    EXPECT_THROW(LibraryCopy::CopyRows(original.store(), onServer), Fault);
    EXPECT_EQ(Dump(onServer.store()), before);
    EXPECT_NE(Dump(original.store()), before);
}

QString RunTool(const QStringList& arguments, int& exitCode) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral(VANTRELIS_DM_TOOL), arguments);
    tool.waitForFinished(120000);
    exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    return QString::fromUtf8(tool.readAll());
}

TEST(PgAdminTest, TheAdminToolBuildsAndReadsALibraryOnAServer) {
    VANTRELIS_REQUIRE_PG();
    PgCluster* cluster = PgCluster::Shared();
    const QString database = cluster->createDatabase(QStringLiteral("tool"));
    const QString uri = cluster->uri(database);
    cluster->createRole(QStringLiteral("vantrelis_program"));
    int code = 0;
    QString out = RunTool({QStringLiteral("create"), uri, QStringLiteral("--engine"), QStringLiteral("10"),
                           QStringLiteral("--name"), QStringLiteral("FIRM"), QStringLiteral("--program-role"),
                           QStringLiteral("vantrelis_program")},
                          code);
    ASSERT_EQ(code, 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("Created library FIRM (MSSQL, engine 10)"))) << out.toStdString();
    // The new library has the run journal already.
    out = RunTool({QStringLiteral("upgrade"), uri}, code);
    EXPECT_EQ(code, 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("was there already"))) << out.toStdString();
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("add-group"), uri, QStringLiteral("DOCS_USERS")},
          QStringList{QStringLiteral("add-person"), uri, QStringLiteral("GARY"), QStringLiteral("--group"),
                      QStringLiteral("DOCS_USERS")},
          QStringList{QStringLiteral("add-folder"), uri, QStringLiteral("Clients"), QStringLiteral("--owner"),
                      QStringLiteral("GARY")}}) {
        out = RunTool(arguments, code);
        EXPECT_EQ(code, 0) << out.toStdString();
    }
    out = RunTool({QStringLiteral("folders"), uri}, code);
    EXPECT_EQ(code, 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("Clients"))) << out.toStdString();
    // A second create on the same database is refused, and a file-only option on a file too.
    out = RunTool({QStringLiteral("create"), uri}, code);
    EXPECT_NE(code, 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("already holds a library"))) << out.toStdString();
    QTemporaryDir folder;
    out = RunTool({QStringLiteral("create"), folder.filePath(QStringLiteral("x.db")),
                   QStringLiteral("--program-role"), QStringLiteral("someone")},
                  code);
    EXPECT_NE(code, 0) << out.toStdString();

    // The program's role logs in through a server file and sees the library.
    const QString serverFile = folder.filePath(QStringLiteral("dm-server.ini"));
    QFile file(serverFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[Server]\nUser=gary\n[Library.FIRM]\nDatabase=%1\nEngine=10\n")
                   .arg(cluster->uri(database, QStringLiteral("vantrelis_program")))
                   .toUtf8());
    file.close();
    out = RunTool({QStringLiteral("libraries"), serverFile}, code);
    EXPECT_EQ(code, 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("Login: ok"))) << out.toStdString();
    out = RunTool({QStringLiteral("sql"), serverFile, QStringLiteral("FIRM"),
                   QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER")},
                  code);
    EXPECT_EQ(code, 0) << out.toStdString();
    out = RunTool({QStringLiteral("sql"), serverFile, QStringLiteral("FIRM"),
                   QStringLiteral("DROP TABLE DOCSADM.FOLDER")},
                  code);
    EXPECT_TRUE(out.contains(QString::number(kErrorNotAuthorized))) << out.toStdString();
    // A query opens the library for reading only; any other statement, for writing.
    struct Opening {
        const char* statement;
        const char* readOnly;
    };
    for (const Opening& opening :
         {Opening{"SELECT current_setting('default_transaction_read_only') AS RO", "on"},
          Opening{"select\ncurrent_setting('default_transaction_read_only') AS RO", "on"},
          Opening{
              "WITH S AS (SELECT current_setting('default_transaction_read_only') AS RO) SELECT RO FROM S",
              "off"}}) {
        SCOPED_TRACE(opening.statement);
        out = RunTool(
            {QStringLiteral("sql"), serverFile, QStringLiteral("FIRM"), QString::fromUtf8(opening.statement)},
            code);
        EXPECT_EQ(code, 0) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("\nRO\n%1\n").arg(QLatin1String(opening.readOnly))))
            << out.toStdString();
    }
}

TEST(PgAdminTest, TheToolCopiesALibraryFileOntoAServerForTheProgramsRole) {
    VANTRELIS_REQUIRE_PG();
    PgCluster* cluster = PgCluster::Shared();
    const QString database = cluster->createDatabase(QStringLiteral("toolcopy"));
    cluster->createRole(QStringLiteral("vantrelis_program"));
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("firm.db"));
    {
        LibraryAdmin original = LibraryAdmin::CreateLibrary(file, dm::kEngineOracle, QStringLiteral("FIRM"));
        BuildLibrary(original);
    }
    int code = 0;
    QString out = RunTool({QStringLiteral("copy"), file, cluster->uri(database),
                           QStringLiteral("--program-role"), QStringLiteral("vantrelis_program")},
                          code);
    ASSERT_EQ(code, 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("Copied library FIRM (Oracle, engine 2)"))) << out.toStdString();
    // Row for row the same, read by the program's role.
    const QString fileRows = RunTool({QStringLiteral("rows"), file}, code);
    ASSERT_EQ(code, 0) << fileRows.toStdString();
    const QString serverRows =
        RunTool({QStringLiteral("rows"), cluster->uri(database, QStringLiteral("vantrelis_program"))}, code);
    ASSERT_EQ(code, 0) << serverRows.toStdString();
    QStringList fileLines = fileRows.split(QLatin1Char('\n'));
    QStringList serverLines = serverRows.split(QLatin1Char('\n'));
    fileLines.sort();
    serverLines.sort();
    EXPECT_EQ(serverLines, fileLines);
    EXPECT_TRUE(fileRows.contains(QLatin1String("PEOPLE | "))) << fileRows.toStdString();
    // A database that holds a library already is refused.
    out = RunTool({QStringLiteral("copy"), file, cluster->uri(database)}, code);
    EXPECT_EQ(code, 1) << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("already holds a library"))) << out.toStdString();
}

TEST(PgAdminTest, TheDocumentedGrantsAreTheOnesTheToolMakes) {
    QFile doc(QStringLiteral(VANTRELIS_DOCS_DIR "/library-schema.md"));
    ASSERT_TRUE(doc.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(doc.readAll());
    const qsizetype roles = text.indexOf(QLatin1String("\n### Roles"));
    ASSERT_GE(roles, 0);
    const qsizetype start = text.indexOf(QLatin1String("```sql\n"), roles) + 7;
    const qsizetype end = text.indexOf(QLatin1String("```"), start);
    QStringList documented;
    for (const QString& statement : text.mid(start, end - start).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!statement.trimmed().isEmpty())
            documented += statement.simplified();
    EXPECT_EQ(documented,
              PgLibrarySchema::GrantStatements(QStringLiteral("vantrelis"))
                  .replaceInStrings(QStringLiteral("\"vantrelis\""), QStringLiteral("vantrelis")));
}

} // namespace
} // namespace vantrelis::testing
