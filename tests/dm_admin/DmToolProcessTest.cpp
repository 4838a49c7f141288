#include "common/Fault.h"
#include "dm/local/LibraryAdmin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace vantrelis::dm::local::test {
namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// The built tool, beside the test programs' folder.
QString ToolPath() {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(self).dir().filePath(QStringLiteral("../bin/vantrelis-dm"));
}

ToolRun RunTool(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VANTRELIS_BUSY_TIMEOUT_MS"), QStringLiteral("200"));
    process.setProcessEnvironment(env);
    process.start(ToolPath(), arguments);
    ToolRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        run.err = QStringLiteral("the tool did not finish normally: ") + process.errorString();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

class DmToolProcessTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(QFileInfo(ToolPath()).isExecutable()) << ToolPath().toStdString();
        s_dir = new QTemporaryDir();
        const QDir dir(s_dir->path());
        s_places.insert(QStringLiteral("{dir}"), dir.path());
        s_places.insert(QStringLiteral("{lib}"), dir.filePath(QStringLiteral("lib.db")));

        LibraryAdmin admin = LibraryAdmin::CreateLibrary(dir.filePath(QStringLiteral("lib.db")), kEngineMssql,
                                                         QStringLiteral("TESTLIB"));
        admin.addGroup(QStringLiteral("LEGAL"), QString(), 0);
        admin.addGroup(QStringLiteral("DOCS_SUPERVISORS"), QString(), 255);
        admin.addPerson(QStringLiteral("GARY"), QString(), QStringLiteral("LEGAL"));
        admin.addMember(QStringLiteral("GARY"), QStringLiteral("DOCS_SUPERVISORS"));
        admin.addClient(QStringLiteral("C1"), QString());
        admin.addMatter(QStringLiteral("C1"), QStringLiteral("M1"), QString());
        DocumentSpec doc;
        doc.name = QStringLiteral("memo");
        doc.author = QStringLiteral("GARY");
        doc.typeId = QStringLiteral("MEMO");
        doc.clientId = QStringLiteral("C1");
        doc.matterId = QStringLiteral("M1");
        const qint64 document = admin.addDocument(doc);
        FolderSpec folder;
        folder.name = QStringLiteral("Broken");
        folder.owner = QStringLiteral("GARY");
        const qint64 broken = admin.addFolder(folder);
        admin.linkItem(broken, document);
        admin.database().execute(
            QStringLiteral("UPDATE DOCSADM.FOLDER_ITEM SET ISFIRST = 'N' WHERE PARENT = ?1"), {broken});
        s_places.insert(QStringLiteral("{doc}"), QString::number(document));
        s_places.insert(QStringLiteral("{broken}"), QString::number(broken));

        const QString server = dir.filePath(QStringLiteral("dm-server.ini"));
        QFile serverFile(server);
        ASSERT_TRUE(serverFile.open(QIODevice::WriteOnly));
        serverFile.write("[Server]\nUser=GARY\nCurrentLibrary=TESTLIB\nLibraries=TESTLIB\n"
                         "[Library.TESTLIB]\nDatabase=lib.db\nEngine=10\n");
        s_places.insert(QStringLiteral("{server}"), server);

        // A server file naming a library whose file is gone.
        const QString badServer = dir.filePath(QStringLiteral("bad-server.ini"));
        QFile badServerFile(badServer);
        ASSERT_TRUE(badServerFile.open(QIODevice::WriteOnly));
        badServerFile.write(
            "[Server]\nUser=GARY\nCurrentLibrary=TESTLIB\nLibraries=TESTLIB, GONE\n"
            "[Library.TESTLIB]\nDatabase=lib.db\nEngine=10\n[Library.GONE]\nDatabase=gone.db\n");
        s_places.insert(QStringLiteral("{badserver}"), badServer);

        const QString text = dir.filePath(QStringLiteral("notes.txt"));
        QFile textFile(text);
        ASSERT_TRUE(textFile.open(QIODevice::WriteOnly));
        textFile.write("This is not a database, however long it goes on about it.\n");
        s_places.insert(QStringLiteral("{text}"), text);

        // A SQLite database, but not a library.
        const QString foreign = dir.filePath(QStringLiteral("foreign.db"));
        {
            LibraryAdmin other =
                LibraryAdmin::CreateLibrary(foreign, kEngineMssql, QStringLiteral("FOREIGN"));
            other.database().execute(QStringLiteral("DROP TABLE DOCSADM.FOLDER_ITEM"));
        }
        s_places.insert(QStringLiteral("{foreign}"), foreign);

        const QString demoDir = dir.filePath(QStringLiteral("olddemo"));
        QDir().mkpath(demoDir);
        QFile oldServer(QDir(demoDir).filePath(QStringLiteral("dm-server.ini")));
        ASSERT_TRUE(oldServer.open(QIODevice::WriteOnly));
        s_places.insert(QStringLiteral("{olddemo}"), demoDir);
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
        s_places.clear();
    }

    static QStringList Expand(const std::vector<const char*>& arguments) {
        QStringList expanded;
        for (const char* argument : arguments) {
            QString text = QString::fromUtf8(argument);
            for (auto it = s_places.cbegin(); it != s_places.cend(); ++it) {
                text.replace(it.key(), it.value());
            }
            expanded << text;
        }
        return expanded;
    }

    static QTemporaryDir* s_dir;
    static QHash<QString, QString> s_places;
};

QTemporaryDir* DmToolProcessTest::s_dir = nullptr;
QHash<QString, QString> DmToolProcessTest::s_places;

struct ExitCase {
    std::vector<const char*> arguments;
    int exitCode;
    bool onStdout; // where the expected text shows
    const char* mentions;
};

// A new library has the run journal; `upgrade` adds it to one made without it, once.
TEST_F(DmToolProcessTest, UpgradeAddsTheRunJournalOnce) {
    const ExitCase cases[] = {
        {{"create", "{dir}/journal.db"}, 0, true, "Created library JOURNAL"},
        {{"upgrade", "{dir}/journal.db"},
         0,
         true,
         "(VANTRELIS_RUNS, VANTRELIS_RUN_CHANGES) was there already"},
        {{"copy", "{lib}", "{dir}/older.db"}, 0, true, "Copied library"},
        {{"upgrade", "{dir}/older.db"}, 0, true, "Added VANTRELIS_RUNS, VANTRELIS_RUN_CHANGES"},
        {{"upgrade", "{dir}/older.db"}, 0, true, "was there already"},
        {{"upgrade", "{dir}/missing.db"}, 1, false, "no library file"},
    };
    for (const ExitCase& c : cases) {
        const QStringList arguments = Expand(c.arguments);
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE((c.onStdout ? run.out : run.err).contains(QString::fromUtf8(c.mentions)))
            << run.out.toStdString() << run.err.toStdString();
    }
}

TEST_F(DmToolProcessTest, ExitCodesAndMessagesOnBadInput) {
    const ExitCase cases[] = {
        {{}, 2, false, "no command"},
        {{"frobnicate"}, 2, false, "unknown command"},
        {{"chain"}, 2, false, "missing arguments"},
        {{"chain", "{lib}", "12", "extra"}, 2, false, "unexpected argument"},
        {{"chain", "{lib}", "abc"}, 2, false, "whole number"},
        {{"create", "{dir}/new.db", "--engine", "7"}, 2, false, "--engine"},
        {{"create", "{dir}/new.db", "--bogus"}, 2, false, "unknown option --bogus"},
        {{"add-person", "{lib}", "ZED"}, 2, false, "--group"},
        {{"add-folder", "{lib}", "X", "--owner"}, 2, false, "needs a value"},
        {{"add-group", "{lib}", "HIGH", "--univ-access", "4294967551"}, 2, false, "0 to 255"},
        {{"add-group", "{lib}", "LOW", "--univ-access", "-1"}, 2, false, "0 to 255"},
        {{"chain", "{dir}/missing.db", "5"}, 1, false, "no library file"},
        {{"chain", "{text}", "5"}, 1, false, "error:"},
        {{"folders", "{foreign}"}, 1, false, "FOLDER_ITEM"},
        {{"chain", "{lib}", "{doc}"}, 1, false, "is not a folder"},
        {{"chain", "{lib}", "424242"}, 1, false, "no document #424242"},
        {{"trustees", "{lib}", "999999"}, 1, false, "999999"},
        {{"add-person", "{lib}", "ZED", "--group", "NOPE"}, 1, false, "NOPE"},
        {{"add-person", "{lib}", "gary", "--group", "LEGAL"}, 1, false, "already exists"},
        {{"add-member", "{lib}", "GARY", "NOGROUP"}, 1, false, "NOGROUP"},
        {{"add-document", "{lib}", "--name", "x", "--author", "NOBODY", "--type", "MEMO", "--client", "C1",
          "--matter", "M1"},
         1,
         false,
         "NOBODY"},
        {{"add-document", "{lib}", "--name", "x", "--author", "GARY", "--type", "NOTATYPE", "--client", "C1",
          "--matter", "M1"},
         1,
         false,
         "NOTATYPE"},
        {{"link", "{lib}", "{doc}", "{broken}"}, 1, false, "not a folder"},
        {{"create", "{lib}"}, 1, false, "already exists"},
        {{"copy", "{lib}", "{lib}"}, 1, false, "already exists"},
        {{"copy", "{dir}/missing.db", "{dir}/never.db"}, 1, false, "no library file"},
        {{"copy", "{lib}", "{dir}/never.db", "--program-role", "vantrelis"}, 2, false, "--program-role"},
        {{"rows", "{lib}", "NOPE"}, 2, false, "no table NOPE"},
        {{"libraries", "{dir}/none.ini"}, 1, false, "no DM server file"},
        {{"libraries", "{badserver}"}, 1, true, "cannot be opened"},
        // A library whose file is gone fails alone; the others of the login still work.
        {{"sql", "{badserver}", "GONE", "SELECT 1"}, 1, true, "gone.db does not exist"},
        {{"sql", "{badserver}", "TESTLIB", "SELECT 1"}, 0, true, "Row count: 1"},
        {{"sql", "{server}", "NOLIB", "SELECT 1"}, 1, false, "no library NOLIB"},
        {{"sql", "{server}", "TESTLIB", "SELEC bogus FROM nowhere"}, 1, true, "Error number: 300"},
        {{"demo", "{olddemo}"}, 1, false, "already holds a demo"},
        {{"chain", "{lib}", "{broken}"}, 3, true, "BROKEN (no head)"},
        {{"folders", "{lib}"}, 3, true, "chain broken"},
        {{"--help"}, 0, true, "Usage: vantrelis-dm"},
        {{"chain", "--help"}, 0, true, "chain LIB.db PARENT_DOCNUMBER"},
        {{"sql", "{server}", "testlib", "SELECT COUNT(*) AS N FROM DOCSADM.PEOPLE"}, 0, true, "Row count: 1"},
        {{"trustees", "{lib}", "{broken}"}, 0, true, "0 trustee(s)"},
    };
    for (const ExitCase& c : cases) {
        const QStringList arguments = Expand(c.arguments);
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out.toStdString() << run.err.toStdString();
        const QString& text = c.onStdout ? run.out : run.err;
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.mentions))) << "stdout:\n"
                                                                  << run.out.toStdString() << "stderr:\n"
                                                                  << run.err.toStdString();
        if (c.exitCode == 1 || c.exitCode == 2) {
            EXPECT_FALSE(run.err.isEmpty());
        }
    }
}

// Reads the number after '#' in a line such as "Added document #12 ...".
qint64 NumberAfterHash(const QString& text) {
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("#(\\d+)")).match(text);
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

TEST_F(DmToolProcessTest, ALibraryBuiltWithTheToolShowsItsChainAndTrustees) {
    const QString lib = QDir(s_dir->path()).filePath(QStringLiteral("oracle.db"));
    const std::vector<QStringList> steps = {
        {QStringLiteral("create"), lib, QStringLiteral("--engine"), QStringLiteral("2"),
         QStringLiteral("--name"), QStringLiteral("HANDMADE")},
        {QStringLiteral("add-group"), lib, QStringLiteral("DOCS_SUPERVISORS"),
         QStringLiteral("--univ-access"), QStringLiteral("255")},
        {QStringLiteral("add-group"), lib, QStringLiteral("LEGAL")},
        {QStringLiteral("add-person"), lib, QStringLiteral("GARY"), QStringLiteral("--group"),
         QStringLiteral("LEGAL"), QStringLiteral("--full-name"), QStringLiteral("Gary O'Neill")},
        {QStringLiteral("add-member"), lib, QStringLiteral("GARY"), QStringLiteral("DOCS_SUPERVISORS")},
        {QStringLiteral("add-client"), lib, QStringLiteral("C1"), QStringLiteral("--name"),
         QStringLiteral("O'Brien")},
        {QStringLiteral("add-matter"), lib, QStringLiteral("C1"), QStringLiteral("M1")},
        {QStringLiteral("add-settings"), lib, QStringLiteral("--rule"), QStringLiteral("CLIENT_MATTER")},
    };
    for (const QStringList& step : steps) {
        const ToolRun run = RunTool(step);
        ASSERT_EQ(run.exitCode, 0) << step.join(QLatin1Char(' ')).toStdString() << "\n"
                                   << run.err.toStdString();
    }
    const ToolRun folder =
        RunTool({QStringLiteral("add-folder"), lib, QStringLiteral("C1"), QStringLiteral("--owner"),
                 QStringLiteral("GARY"), QStringLiteral("--client"), QStringLiteral("C1"),
                 QStringLiteral("--matter"), QStringLiteral("M1")});
    ASSERT_EQ(folder.exitCode, 0) << folder.err.toStdString();
    const qint64 folderNumber = NumberAfterHash(folder.out);
    ASSERT_NE(folderNumber, 0);
    QList<qint64> docs;
    for (const char* name : {"Zeta memo", "Alpha's letter"}) {
        const ToolRun doc =
            RunTool({QStringLiteral("add-document"), lib, QStringLiteral("--name"), QLatin1String(name),
                     QStringLiteral("--author"), QStringLiteral("GARY"), QStringLiteral("--type"),
                     QStringLiteral("MEMO"), QStringLiteral("--client"), QStringLiteral("C1"),
                     QStringLiteral("--matter"), QStringLiteral("M1")});
        ASSERT_EQ(doc.exitCode, 0) << doc.err.toStdString();
        docs << NumberAfterHash(doc.out);
        ASSERT_EQ(RunTool({QStringLiteral("link"), lib, QString::number(folderNumber),
                           QString::number(docs.last())})
                      .exitCode,
                  0);
    }
    // Trustee names are upper-cased as the library stores them, on Oracle as well.
    EXPECT_EQ(RunTool({QStringLiteral("add-trustee"), lib, QString::number(docs[0]),
                       QStringLiteral("GROUP:legal"), QStringLiteral("127")})
                  .exitCode,
              0);
    EXPECT_EQ(RunTool({QStringLiteral("add-trustee"), lib, QString::number(docs[0]),
                       QStringLiteral("GROUP:DOCS_SUPERVISORS"), QStringLiteral("0")})
                  .exitCode,
              0);

    const ToolRun chain = RunTool({QStringLiteral("chain"), lib, QString::number(folderNumber)});
    EXPECT_EQ(chain.exitCode, 0) << chain.err.toStdString();
    const qsizetype zeta = chain.out.indexOf(QStringLiteral("\"Zeta memo\""));
    const qsizetype alpha = chain.out.indexOf(QStringLiteral("\"Alpha's letter\""));
    EXPECT_GE(zeta, 0);
    EXPECT_GT(alpha, zeta) << chain.out.toStdString();
    EXPECT_TRUE(chain.out.contains(QStringLiteral("The chain is sound.")));

    const ToolRun trustees = RunTool({QStringLiteral("trustees"), lib, QString::number(docs[0])});
    EXPECT_EQ(trustees.exitCode, 0);
    EXPECT_TRUE(trustees.out.contains(QRegularExpression(QStringLiteral("group\\s+LEGAL\\s+127"))))
        << trustees.out.toStdString();
    EXPECT_TRUE(
        trustees.out.contains(QRegularExpression(QStringLiteral("group\\s+DOCS_SUPERVISORS\\s+DENY"))));

    const ToolRun folders = RunTool({QStringLiteral("folders"), lib, QStringLiteral("--documents")});
    EXPECT_EQ(folders.exitCode, 0) << folders.err.toStdString();
    EXPECT_TRUE(folders.out.contains(QStringLiteral("1 top-level folder(s)")));
    EXPECT_TRUE(folders.out.contains(QStringLiteral("matter C1/M1")));
    EXPECT_TRUE(folders.out.contains(QStringLiteral("- Alpha's letter")));
}

TEST_F(DmToolProcessTest, CommandsThatOnlyLookLeaveTheLibraryFilesAsTheyWere) {
    // A copy of the library in the rollback journal, as a library built by hand may be.
    const QDir dir(QDir(s_dir->path()).filePath(QStringLiteral("looking")));
    ASSERT_TRUE(QDir().mkpath(dir.path()));
    const QString copy = dir.filePath(QStringLiteral("copy.db"));
    LibraryDatabase::Open(s_places.value(QStringLiteral("{lib}")), kEngineMssql)
        ->execute(QStringLiteral("VACUUM DOCSADM INTO ?1"), {copy});
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(copy.toUtf8().constData(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    const QString server = dir.filePath(QStringLiteral("server.ini"));
    QFile serverFile(server);
    ASSERT_TRUE(serverFile.open(QIODevice::WriteOnly));
    serverFile.write("[Server]\nUser=GARY\nLibraries=TESTLIB\n[Library.TESTLIB]\nDatabase=copy.db\n");
    serverFile.close();
    const auto snapshot = [&] {
        QHash<QString, QByteArray> files;
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
            QFile file(dir.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            files.insert(name, file.readAll());
        }
        return files;
    };
    const QHash<QString, QByteArray> before = snapshot();
    const struct {
        QStringList arguments;
        int exitCode;
    } cases[] = {
        {{QStringLiteral("chain"), copy, s_places.value(QStringLiteral("{broken}"))}, 3},
        {{QStringLiteral("trustees"), copy, s_places.value(QStringLiteral("{doc}"))}, 0},
        {{QStringLiteral("folders"), copy}, 3},
        {{QStringLiteral("libraries"), server}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const ToolRun run = RunTool(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out.toStdString() << run.err.toStdString();
        EXPECT_EQ(snapshot(), before);
    }
}

// The lines of `rows` for one table, its header first.
QStringList TableLines(const QString& rows, const QString& table) {
    QStringList lines;
    for (const QString& line : rows.split(QLatin1Char('\n')))
        if (line.startsWith(table + QLatin1String(" | ")) ||
            line.startsWith(QLatin1String("# ") + table + QLatin1String(" | ")))
            lines += line;
    return lines;
}

TEST_F(DmToolProcessTest, ACopyHoldsEveryRowAsItWasBrokenChainsIncluded) {
    const QDir dir(s_dir->path());
    struct Case {
        QString source;
        const char* copied; // the tool's report
    };
    const QString oracle = dir.filePath(QStringLiteral("copy-source-oracle.db"));
    ASSERT_EQ(RunTool({QStringLiteral("create"), oracle, QStringLiteral("--engine"), QStringLiteral("2"),
                       QStringLiteral("--name"), QStringLiteral("O'Reilly")})
                  .exitCode,
              0);
    const Case cases[] = {
        {s_places.value(QStringLiteral("{lib}")), "Copied library TESTLIB (MSSQL, engine 10)"},
        {oracle, "Copied library O'REILLY (Oracle, engine 2)"}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source.toStdString());
        const QString target = dir.filePath(QStringLiteral("copy%1.db").arg(++n));
        const ToolRun copy = RunTool({QStringLiteral("copy"), c.source, target});
        ASSERT_EQ(copy.exitCode, 0) << copy.err.toStdString();
        EXPECT_TRUE(copy.out.contains(QString::fromUtf8(c.copied))) << copy.out.toStdString();
        const ToolRun original = RunTool({QStringLiteral("rows"), c.source});
        const ToolRun copied = RunTool({QStringLiteral("rows"), target});
        ASSERT_EQ(original.exitCode, 0) << original.err.toStdString();
        EXPECT_EQ(copied.out, original.out);
        const QStringList keys = TableLines(original.out, QStringLiteral("KEY_COUNTERS"));
        ASSERT_GE(keys.size(), 2) << original.out.toStdString();
        EXPECT_TRUE(keys.first().startsWith(QLatin1String("# KEY_COUNTERS | NAME | LAST_KEY")))
            << keys.first().toStdString();
        // One table alone gives the same lines as in the whole.
        const ToolRun people = RunTool({QStringLiteral("rows"), target, QStringLiteral("people")});
        EXPECT_EQ(people.out.trimmed().split(QLatin1Char('\n')),
                  TableLines(original.out, QStringLiteral("PEOPLE")));
    }
    // The broken chain is copied as it is, and still reported.
    EXPECT_EQ(RunTool({QStringLiteral("chain"), dir.filePath(QStringLiteral("copy1.db")),
                       s_places.value(QStringLiteral("{broken}"))})
                  .exitCode,
              3);
}

TEST_F(DmToolProcessTest, DemoAndLibrariesListing) {
    const QString demo = QDir(s_dir->path()).filePath(QStringLiteral("demo"));
    const ToolRun built = RunTool({QStringLiteral("demo"), demo});
    ASSERT_EQ(built.exitCode, 0) << built.err.toStdString();
    EXPECT_TRUE(built.out.contains(QStringLiteral("VANTRELIS_ORACLE (engine 2")));

    const ToolRun listing =
        RunTool({QStringLiteral("libraries"), QDir(demo).filePath(QStringLiteral("dm-server.ini"))});
    EXPECT_EQ(listing.exitCode, 0) << listing.out.toStdString() << listing.err.toStdString();
    EXPECT_TRUE(listing.out.contains(QStringLiteral("Login: ok")));
    const QStringList lines = listing.out.split(QLatin1Char('\n'));
    const auto row = [&](const QString& library) {
        for (const QString& line : lines) {
            if (line.startsWith(library + QLatin1Char(' '))) {
                return line.simplified().split(QLatin1Char(' '));
            }
        }
        return QStringList();
    };
    // LIBRARY ENGINE-CODE ENGINE-NAME DOCUMENTS FOLDERS FILED RULES UA255 FILE
    const QStringList mssql = row(QStringLiteral("VANTRELIS_MSSQL"));
    ASSERT_GE(mssql.size(), 9) << listing.out.toStdString();
    EXPECT_EQ(mssql[1], QStringLiteral("10"));
    EXPECT_GE(mssql[3].toInt(), 3000);
    EXPECT_EQ(mssql[6], QStringLiteral("1"));
    EXPECT_EQ(mssql[7], QStringLiteral("yes"));
    const QStringList small = row(QStringLiteral("VANTRELIS_SMALL"));
    ASSERT_GE(small.size(), 9);
    EXPECT_EQ(small[6], QStringLiteral("-"));
    const QStringList oracle = row(QStringLiteral("VANTRELIS_ORACLE"));
    ASSERT_GE(oracle.size(), 9);
    EXPECT_EQ(oracle[2], QStringLiteral("Oracle"));

    const ToolRun folders =
        RunTool({QStringLiteral("folders"), QDir(demo).filePath(QStringLiteral("vantrelis_mssql.db"))});
    EXPECT_EQ(folders.exitCode, 0) << folders.err.toStdString();
    EXPECT_TRUE(folders.out.contains(QStringLiteral("8 top-level folder(s)")));
}

} // namespace
} // namespace vantrelis::dm::local::test
