#include "TestLibrary.h"
#include "common/ConfigFile.h"
#include "common/Fault.h"
#include "dm/local/LocalErrors.h"
#include "support/ExpectFault.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using vantrelis::testing::ExpectFault;

using namespace vantrelis::dm;
using namespace vantrelis::dm::local;
using vantrelis::Fault;
using vantrelis::dm::local::test::ScopedEnv;
using vantrelis::dm::local::test::TestLibrary;

namespace {

TEST(LocalServerTest, ReadsTheServerFile) {
    TestLibrary lib(kEngineMssql, QStringLiteral("MAIN_LIB"));
    ASSERT_TRUE(QDir().mkpath(lib.path(QStringLiteral("sub"))));
    ASSERT_TRUE(QFile::copy(lib.file(), lib.path(QStringLiteral("sub/ora.db"))));
    const QString serverFile =
        TestLibrary::WriteServerFile(lib.path(QStringLiteral("server.ini")), QStringLiteral(R"(
; the DM server
[Server]
User=GARY            ; the login user
CurrentLibrary=ora_lib
Libraries=main_lib, ORA_LIB ; collection order

[Library.MAIN_LIB]
Database=main_lib.db
[library.ora_lib]
Database = sub/ora.db
Engine=5
)"));
    const auto server = LocalServer::Load(serverFile);
    EXPECT_EQ(QStringLiteral("GARY"), server->userId());
    EXPECT_EQ((QStringList{QStringLiteral("MAIN_LIB"), QStringLiteral("ORA_LIB")}), server->libraryNames());
    EXPECT_EQ(QStringLiteral("ORA_LIB"), server->currentLibrary());
    EXPECT_EQ(QStringLiteral("ORA_LIB"), server->primaryLibrary()) << "defaults to the current library";
    EXPECT_EQ(kEngineMssql, server->engineCode(QStringLiteral("main_lib")));
    EXPECT_EQ(kEngineOracle8, server->engineCode(QStringLiteral("ORA_LIB")));
    EXPECT_EQ(0, server->engineCode(QStringLiteral("NOPE")));
    EXPECT_EQ(QDir::cleanPath(lib.path(QStringLiteral("sub/ora.db"))),
              server->databaseFile(QStringLiteral("ora_lib")));

    const QString token = server->login();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(token).hasMatch())
        << token.toStdString();
    EXPECT_TRUE(server->isValidToken(token));
    EXPECT_FALSE(server->isValidToken(QString()));
    EXPECT_FALSE(server->isValidToken(token.toUpper() + QLatin1Char('0')));
    EXPECT_EQ(server->library(QStringLiteral("ora_lib")), server->library(QStringLiteral("ORA_LIB")))
        << "opened once";
    EXPECT_EQ(QStringLiteral("ORA_LIB"), server->library(QStringLiteral("ORA_LIB"))->libraryName());
    ExpectFault(kErrorLibraryUnknown, [&] { server->library(QStringLiteral("NOPE")); });
}

TEST(LocalServerTest, DefaultServerFileComesFromTheEnvironment) {
    {
        ScopedEnv server("VANTRELIS_DM_SERVER", "/somewhere/dm.ini");
        EXPECT_EQ(QStringLiteral("/somewhere/dm.ini"), LocalServer::DefaultServerFile());
    }
    ScopedEnv noServer("VANTRELIS_DM_SERVER", "");
    ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(QStringLiteral("/cfg/vantrelis/dm-server.ini"), LocalServer::DefaultServerFile());
}

TEST(LocalServerTest, LoginFailsCleanlyAndSaysWhy) {
    TestLibrary lib(kEngineMssql, QStringLiteral("LIB"));
    const struct {
        const char* text; // nullptr: no server file at all
        const char* reason;
    } cases[] = {
        {nullptr, "cannot be read"},
        {"[Server]\nLibraries=LIB\n[Library.LIB]\nDatabase=lib.db\n", "no login user"},
        {"[Server]\nUser=GARY\n", "no libraries"},
        {"[Server]\nUser=NOBODY\nLibraries=LIB\n[Library.LIB]\nDatabase=lib.db\n", "NOBODY is not known"},
        // One unusable library fails alone (when it is connected); with no usable one, so does the login.
        {"[Server]\nUser=GARY\nLibraries=GONE\n[Library.GONE]\nDatabase=gone.db\n", "gone.db"},
        {"[Server]\nUser=GARY\nLibraries=NODB, GONE\n[Library.GONE]\nDatabase=gone.db\n",
         "NODB has no Database"},
        {"[Server]\nUser=GARY\nCurrentLibrary=OTHER\nLibraries=LIB\n[Library.LIB]\nDatabase=lib.db\n",
         "OTHER"},
    };
    for (const auto& c : cases) {
        const QString file = lib.path(QStringLiteral("case.ini"));
        QFile::remove(file);
        if (c.text)
            TestLibrary::WriteServerFile(file, QString::fromLatin1(c.text));
        const auto server = LocalServer::Load(file);
        EXPECT_TRUE(server->login().isEmpty()) << c.reason;
        EXPECT_TRUE(server->lastError().contains(QLatin1String(c.reason)))
            << server->lastError().toStdString();
        EXPECT_FALSE(server->isValidToken(QString()));
    }
}

// Open file descriptors of this process.
int OpenFiles() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

TEST(LocalServerTest, ServerFileThatIsNoRegularFileIsRefusedAtOnce) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString device = dir.filePath(QStringLiteral("zero.ini"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    const QString huge = dir.filePath(QStringLiteral("huge.ini"));
    QFile hugeFile(huge);
    ASSERT_TRUE(hugeFile.open(QIODevice::WriteOnly) && hugeFile.resize(vantrelis::kMaxConfigFileBytes + 1));
    hugeFile.close();
    const struct {
        QString file;
        const char* reason;
    } cases[] = {{fifo, "not a regular file"}, {device, "not a regular file"}, {huge, "larger than 16 MiB"}};
    for (const auto& c : cases) {
        const auto server = LocalServer::Load(c.file);
        EXPECT_TRUE(server->login().isEmpty());
        EXPECT_TRUE(server->lastError().contains(c.file)) << server->lastError().toStdString();
        EXPECT_TRUE(server->lastError().contains(QLatin1String(c.reason)))
            << server->lastError().toStdString();
    }
}

TEST(LocalServerTest, LoginLeavesNoLibraryOpenUntilItIsUsed) {
    constexpr int kLibraries = 12;
    TestLibrary lib(kEngineMssql, QStringLiteral("LIB"));
    QString text = QStringLiteral("[Server]\nUser=GARY\nLibraries=");
    QString sections;
    for (int i = 0; i < kLibraries; ++i) {
        const QString name = QStringLiteral("LIB%1").arg(i);
        lib.db()->execute(QStringLiteral("VACUUM DOCSADM INTO ?1"), {lib.path(name + QStringLiteral(".db"))});
        text += (i == 0 ? QString() : QStringLiteral(", ")) + name;
        sections += QStringLiteral("[Library.%1]\nDatabase=%1.db\n").arg(name);
    }
    const auto server = LocalServer::Load(
        TestLibrary::WriteServerFile(lib.path(QStringLiteral("many.ini")), text + "\n" + sections));
    const int before = OpenFiles();
    ASSERT_FALSE(server->login().isEmpty()) << server->lastError().toStdString();
    EXPECT_LE(OpenFiles(), before) << "every library was closed again after the login's check";
    const auto first = server->library(QStringLiteral("LIB3"));
    const int one = OpenFiles();
    EXPECT_GT(one, before);
    EXPECT_EQ(server->library(QStringLiteral("lib3")), first);
    EXPECT_EQ(OpenFiles(), one) << "a library in use is opened once";
}

} // namespace
