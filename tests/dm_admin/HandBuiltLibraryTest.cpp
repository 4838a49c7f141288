#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace vantrelis::dm::local::test {
namespace {

// The SQL blocks of the schema document's by-hand section, in order.
QString HandBuildSql() {
    QFile doc(QStringLiteral(VANTRELIS_DOCS_DIR "/library-schema.md"));
    if (!doc.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    const QString text = QString::fromUtf8(doc.readAll());
    const qsizetype section = text.indexOf(QStringLiteral("## Building a library by hand"));
    if (section < 0) {
        return {};
    }
    QString sql;
    bool inBlock = false;
    for (const QString& line : text.mid(section).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("```"))) {
            inBlock = !inBlock && line.trimmed() == QLatin1String("```sql");
            continue;
        }
        if (inBlock) {
            sql += line + QLatin1Char('\n');
        }
    }
    return sql;
}

// As an administrator would: piped into the sqlite3 shell, or through the library when there is
// no shell on the machine.
bool BuildByHand(const QString& file, const QString& sql, QString& problem) {
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (!shell.isEmpty()) {
        QProcess process;
        process.start(shell, {QStringLiteral("-bail"), file});
        process.write(sql.toUtf8());
        process.closeWriteChannel();
        process.waitForFinished(30000);
        problem = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open(file.toUtf8().constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    char* error = nullptr;
    const bool ok = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK;
    problem = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    return ok;
}

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun RunTool(const QStringList& arguments) {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    QProcess process;
    process.start(QFileInfo(self).dir().filePath(QStringLiteral("../bin/vantrelis-dm")), arguments);
    ToolRun run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    }
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

qint64 NumberAfterHash(const QString& text) {
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("#(\\d+)")).match(text);
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

TEST(HandBuiltLibraryTest, TheAdminToolWorksOnALibraryBuiltFromTheSchemaDocument) {
    const QString sql = HandBuildSql();
    ASSERT_FALSE(sql.isEmpty()) << "docs/library-schema.md has no by-hand section";
    QTemporaryDir dir;
    const QString lib = dir.filePath(QStringLiteral("mylib.db"));
    QString problem;
    ASSERT_TRUE(BuildByHand(lib, sql, problem)) << problem.toStdString();
    QFile server(dir.filePath(QStringLiteral("dm-server.ini")));
    ASSERT_TRUE(server.open(QIODevice::WriteOnly));
    server.write("[Server]\nUser=GARY\nLibraries=MYLIB\n[Library.MYLIB]\nDatabase=mylib.db\nEngine=10\n");
    server.close();

    // The document's own check.
    const ToolRun count = RunTool({QStringLiteral("sql"), server.fileName(), QStringLiteral("MYLIB"),
                                   QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE")});
    ASSERT_EQ(count.exitCode, 0) << count.out.toStdString() << count.err.toStdString();
    EXPECT_TRUE(count.out.contains(QStringLiteral("Row count: 1")));

    // Folders, items and chains on the hand-made library.
    const ToolRun top = RunTool({QStringLiteral("add-folder"), lib, QStringLiteral("Clients"),
                                 QStringLiteral("--owner"), QStringLiteral("gary")});
    ASSERT_EQ(top.exitCode, 0) << top.err.toStdString();
    const qint64 topNumber = NumberAfterHash(top.out);
    QList<qint64> subs;
    for (const char* name : {"Beta", "Alpha"}) {
        const ToolRun sub =
            RunTool({QStringLiteral("add-folder"), lib, QLatin1String(name), QStringLiteral("--owner"),
                     QStringLiteral("GARY"), QStringLiteral("--parent"), QString::number(topNumber)});
        ASSERT_EQ(sub.exitCode, 0) << sub.err.toStdString();
        subs << NumberAfterHash(sub.out);
    }
    const ToolRun chain = RunTool({QStringLiteral("chain"), lib, QString::number(topNumber)});
    EXPECT_EQ(chain.exitCode, 0) << chain.out.toStdString() << chain.err.toStdString();
    EXPECT_TRUE(chain.out.contains(QStringLiteral("2 item(s) in the chain")));
    EXPECT_LT(chain.out.indexOf(QStringLiteral("\"Beta\"")), chain.out.indexOf(QStringLiteral("\"Alpha\"")));

    const ToolRun folders = RunTool({QStringLiteral("folders"), lib});
    EXPECT_EQ(folders.exitCode, 0) << folders.err.toStdString();
    EXPECT_TRUE(folders.out.contains(QStringLiteral("Library MYLIB")));
    EXPECT_TRUE(folders.out.contains(QStringLiteral("1 top-level folder(s)")));
    EXPECT_TRUE(folders.out.contains(QStringLiteral("    Alpha  (#%1, public)").arg(subs[1])));

    // The by-hand library has no document types beyond FOLDER: a clear refusal, not a half document.
    const ToolRun doc = RunTool({QStringLiteral("add-document"), lib, QStringLiteral("--name"),
                                 QStringLiteral("x"), QStringLiteral("--author"), QStringLiteral("GARY"),
                                 QStringLiteral("--type"), QStringLiteral("MEMO"), QStringLiteral("--client"),
                                 QStringLiteral("C1"), QStringLiteral("--matter"), QStringLiteral("M1")});
    EXPECT_EQ(doc.exitCode, 1);
    EXPECT_FALSE(doc.err.isEmpty());

    const ToolRun libraries = RunTool({QStringLiteral("libraries"), server.fileName()});
    EXPECT_EQ(libraries.exitCode, 0) << libraries.out.toStdString();
    EXPECT_TRUE(libraries.out.contains(QStringLiteral("Login: ok")));
}

} // namespace
} // namespace vantrelis::dm::local::test
