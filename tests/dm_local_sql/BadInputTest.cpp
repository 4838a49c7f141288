#include "TestLibrary.h"
#include "common/Fault.h"
#include "dm/LibraryDamaged.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LocalErrors.h"
#include "support/DamagedTable.h"
#include "support/ExpectFault.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

using vantrelis::testing::ExpectFault;

using namespace vantrelis::dm;
using namespace vantrelis::dm::local;
using vantrelis::Fault;
using vantrelis::dm::local::test::ScopedEnv;
using vantrelis::dm::local::test::TestLibrary;

namespace {

// Opens the file and answers the fault's number and text; 0 when it opened.
std::pair<qint64, QString> OpenFault(const QString& file, int engine = kEngineMssql) {
    try {
        LibraryDatabase::Open(file, engine);
        return {0, QString()};
    } catch (const Fault& fault) {
        return {fault.number(), fault.description()};
    }
}

void RawExec(const QString& file, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(file.toUtf8().constData(), &db));
    char* error = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql, nullptr, nullptr, &error)) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
}

TEST(BadInputTest, FilesThatAreNoLibraryGiveClearFaults) {
    QTemporaryDir dir;
    const QString garbage = dir.filePath(QStringLiteral("garbage.db"));
    WriteFile(garbage, QByteArray("This is a text file, not a database at all.\n").repeated(200));
    const QString empty = dir.filePath(QStringLiteral("empty.db"));
    WriteFile(empty, QByteArray());
    const QString folder = dir.filePath(QStringLiteral("folder.db"));
    ASSERT_TRUE(QDir().mkpath(folder));

    const struct {
        QString file;
        qint64 number;
        const char* mentions;
    } cases[] = {
        {dir.filePath(QStringLiteral("missing.db")), kErrorFileMissing, "missing.db"},
        {garbage, kErrorNotADatabase, "garbage.db"},
        {folder, kErrorFileUnreadable, "folder.db"},
        {empty, kErrorSchemaIncomplete, "PROFILE"},
    };
    for (const auto& c : cases) {
        const auto [number, text] = OpenFault(c.file);
        EXPECT_EQ(c.number, number) << c.file.toStdString() << ": " << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(c.mentions))) << text.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing.db")))) << "opening never creates a file";
}

// The files of a folder with their contents.
QHash<QString, QByteArray> Snapshot(const QDir& dir) {
    QHash<QString, QByteArray> files;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
    }
    return files;
}

QString JournalMode(const QString& file) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    QString mode;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        mode = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return mode;
}

TEST(BadInputTest, FilesThatAreNoLibraryAreLeftAsTheyWere) {
    TestLibrary lib(kEngineMssql);
    QTemporaryDir dir;
    WriteFile(dir.filePath(QStringLiteral("empty.db")), QByteArray());
    WriteFile(dir.filePath(QStringLiteral("text.db")), QByteArray("Some notes.\n").repeated(100));
    RawExec(dir.filePath(QStringLiteral("foreign.db")), "CREATE TABLE T (X); INSERT INTO T VALUES (1)");
    const QString partial = dir.filePath(QStringLiteral("partial.db"));
    lib.db()->execute(QStringLiteral("VACUUM DOCSADM INTO ?1"), {partial});
    RawExec(partial, "PRAGMA journal_mode = DELETE; DROP TABLE FOLDER_ITEM");
    const QHash<QString, QByteArray> before = Snapshot(QDir(dir.path()));
    for (const QString& name : before.keys()) {
        for (const auto access : {LibraryDatabase::Access::ReadWrite, LibraryDatabase::Access::ReadOnly}) {
            SCOPED_TRACE(name.toStdString() +
                         (access == LibraryDatabase::Access::ReadOnly ? " read-only" : ""));
            EXPECT_THROW(LibraryDatabase::Open(dir.filePath(name), kEngineMssql, access), Fault);
            EXPECT_EQ(Snapshot(QDir(dir.path())), before);
        }
    }
}

TEST(BadInputTest, ReadOnlyOpenReadsAndNeverWrites) {
    TestLibrary lib(kEngineMssql);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("copy.db"));
    lib.db()->execute(QStringLiteral("VACUUM DOCSADM INTO ?1"), {file});
    RawExec(file, "PRAGMA journal_mode = DELETE");
    const QHash<QString, QByteArray> before = Snapshot(QDir(dir.path()));
    {
        const auto db = LibraryDatabase::Open(file, kEngineMssql, LibraryDatabase::Access::ReadOnly);
        EXPECT_EQ(db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE")).toInt(), 1);
        EXPECT_THROW(db->execute(QStringLiteral("DELETE FROM DOCSADM.PEOPLE")), Fault);
        EXPECT_THROW(db->nextKey(QStringLiteral("SYSTEMKEY")), Fault);
    }
    EXPECT_EQ(Snapshot(QDir(dir.path())), before);
    EXPECT_EQ(JournalMode(file), QStringLiteral("delete"));
    // Opened to write, a library is switched to its WAL journal.
    LibraryDatabase::Open(file, kEngineMssql);
    EXPECT_EQ(JournalMode(file), QStringLiteral("wal"));
}

TEST(BadInputTest, IncompleteLibraryNamesEveryMissingTableAndColumn) {
    TestLibrary lib(kEngineMssql);
    const QString file = lib.path(QStringLiteral("partial.db"));
    ASSERT_TRUE(QFile::copy(lib.file(), file));
    RawExec(file,
            "DROP TABLE FOLDER_ITEM; DROP TABLE DOCSTABLE; ALTER TABLE PEOPLE DROP COLUMN FULL_NAME;"
            "CREATE TABLE QORV_SETTINGS (MASTER_KEY TEXT, SECTION_KEY TEXT, SUB_KEY TEXT, CHAR_VAL TEXT)");
    const auto [number, text] = OpenFault(file);
    EXPECT_EQ(kErrorSchemaIncomplete, number);
    for (const char* name :
         {"FOLDER_ITEM", "DOCSTABLE", "PEOPLE.FULL_NAME", "QORV_SETTINGS.INT_VAL", "QORV_SETTINGS.KEY_TYPE"})
        EXPECT_TRUE(text.contains(QLatin1String(name))) << name << " in " << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1String("PROFILE"))) << text.toStdString();

    // Without the optional settings table the library is complete.
    RawExec(file, "CREATE TABLE FOLDER_ITEM AS SELECT * FROM FOLDER; DROP TABLE QORV_SETTINGS;");
    const auto [again, againText] = OpenFault(file);
    EXPECT_TRUE(againText.contains(QLatin1String("FOLDER_ITEM.PARENT"))) << againText.toStdString();
    EXPECT_FALSE(againText.contains(QLatin1String("QORV_SETTINGS"))) << againText.toStdString();
}

TEST(BadInputTest, LibraryWithoutItsOwnRemoteLibrariesRowIsRefused) {
    TestLibrary lib(kEngineMssql);
    const QString file = lib.path(QStringLiteral("norow.db"));
    ASSERT_TRUE(QFile::copy(lib.file(), file));
    RawExec(file, "UPDATE REMOTE_LIBRARIES SET SYSTEM_ID = 7 WHERE SYSTEM_ID = 0");
    const auto [number, text] = OpenFault(file);
    EXPECT_EQ(kErrorSchemaIncomplete, number);
    EXPECT_TRUE(text.contains(QLatin1String("REMOTE_LIBRARIES row (SYSTEM_ID 0)"))) << text.toStdString();
}

TEST(BadInputTest, DamagedLibraryFailsWithAnErrorNotACrash) {
    TestLibrary lib(kEngineOracle);
    for (int i = 0; i < 300; ++i)
        lib.db()->execute(
            QStringLiteral("INSERT INTO DOCSADM.PROFILE (SYSTEM_ID, DOCNUMBER, DOCNAME, ABSTRACT) VALUES "
                           "(?1, ?1, 'document', ?2)"),
            {i + 1000, QString(200, QLatin1Char('x'))});
    const QString file = lib.path(QStringLiteral("damaged.db"));
    lib.db()->execute(QStringLiteral("VACUUM DOCSADM INTO ?1"), {file});
    QFile damaged(file);
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    const qint64 size = damaged.size();
    ASSERT_GT(size, 16384);
    damaged.seek(size - 12288);
    damaged.write(QByteArray(8192, '\xA5'));
    damaged.close();
    qint64 number = 0;
    try {
        const auto db = LibraryDatabase::Open(file, kEngineOracle);
        db->query(QStringLiteral("SELECT * FROM DOCSADM.PROFILE ORDER BY ABSTRACT"));
        db->query(QStringLiteral("PRAGMA DOCSADM.integrity_check"));
        number =
            db->scalar(QStringLiteral("PRAGMA DOCSADM.integrity_check")).toString() == QLatin1String("ok")
                ? 0
                : kErrorCorrupt;
    } catch (const Fault& fault) {
        number = fault.number();
    }
    EXPECT_TRUE(number == kErrorCorrupt || number == kErrorNotADatabase) << number;
}

TEST(BadInputTest, DamagedLibraryIsAFaultOfItsOwnAndNothingMoreRunsOnIt) {
    TestLibrary lib(kEngineMssql);
    LibraryAdmin admin(lib.db());
    admin.addSettingsTable();
    admin.addSetting(QStringLiteral("ROOT_FOLDER"), QStringLiteral("Top"), QVariant());
    ASSERT_TRUE(vantrelis::testing::DamageTable(*lib.db(), QStringLiteral("QORV_SETTINGS")));
    // A new login reads the file as it is now; the login itself reads healthy pages only.
    const auto server = LocalServer::Load(lib.server().serverFile());
    const QString token = server->login();
    ASSERT_FALSE(token.isEmpty()) << server->lastError().toStdString();
    LocalSql sql(server);
    sql.setToken(token);
    sql.setLibrary(lib.name());
    try {
        sql.execute(QStringLiteral("SELECT CHAR_VAL FROM DOCSADM.QORV_SETTINGS"));
        ADD_FAILURE() << "a damaged table read as a statement error";
    } catch (const vantrelis::dm::LibraryDamaged& damage) {
        EXPECT_EQ(damage.number(), kErrorCorrupt);
        EXPECT_TRUE(damage.description().contains(QLatin1String("Library TESTLIB is damaged")))
            << damage.description().toStdString();
    }
    EXPECT_EQ(sql.errorNumber(), kErrorCorrupt);
    // Healthy pages are not read any more either, and a key is not handed out.
    EXPECT_THROW(sql.execute(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE")),
                 vantrelis::dm::LibraryDamaged);
    EXPECT_THROW(server->library(lib.name())->begin(), vantrelis::dm::LibraryDamaged);
    EXPECT_EQ(sql.nextKey(QStringLiteral("SYSTEMKEY")), 0);
    EXPECT_EQ(sql.errorNumber(), kErrorCorrupt);
}

TEST(BadInputTest, LockedLibraryFailsAfterTheBusyTimeout) {
    ScopedEnv timeout("VANTRELIS_BUSY_TIMEOUT_MS", "250");
    TestLibrary lib(kEngineMssql);
    ASSERT_EQ(0, lib.sql().execute(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE")));

    // Another connection (as another process would) holds a write transaction.
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(lib.file().toUtf8().constData(), &other));
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(other,
                           "BEGIN IMMEDIATE; INSERT INTO CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (1, 'HELD')",
                           nullptr, nullptr, nullptr));

    auto& sql = lib.sql();
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(kErrorLocked, sql.execute(QStringLiteral(
                                "INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (2, 'MINE')")));
    const qint64 waited = timer.elapsed();
    EXPECT_GE(waited, 200);
    EXPECT_LT(waited, 4000);
    EXPECT_EQ(kErrorLocked, sql.errorNumber());
    EXPECT_TRUE(sql.errorText().contains(QLatin1String("locked"))) << sql.errorText().toStdString();
    EXPECT_EQ(0, sql.nextKey(QStringLiteral("SYSTEMKEY")));
    EXPECT_EQ(kErrorLocked, sql.errorNumber());
    ExpectFault(kErrorLocked, [&] { lib.db()->begin(); });
    // Readers are not blocked (WAL), and the held row is not visible yet.
    EXPECT_EQ(QStringLiteral("0"), lib.first(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT")));

    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr));
    sqlite3_close(other);
    EXPECT_EQ(0, sql.execute(
                     QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (2, 'MINE')")));
    EXPECT_EQ(QStringLiteral("2"), lib.first(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT")));
    EXPECT_NE(0, sql.nextKey(QStringLiteral("SYSTEMKEY")));
}

} // namespace
