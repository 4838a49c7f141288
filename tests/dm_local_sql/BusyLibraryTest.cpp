#include "TestLibrary.h"

#include "common/Fault.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/LocalLibrary.h"
#include "support/ExpectFault.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <sqlite3.h>

using vantrelis::testing::ExpectFault;

namespace vantrelis::dm::local::test {
namespace {

// Another process's connection to a library file, holding a lock until it is destroyed.
class OtherWriter {
public:
    OtherWriter(const QString& file, const char* sql) {
        EXPECT_EQ(SQLITE_OK, sqlite3_open(file.toUtf8().constData(), &m_db));
        char* error = nullptr;
        EXPECT_EQ(SQLITE_OK, sqlite3_exec(m_db, sql, nullptr, nullptr, &error)) << (error ? error : "");
        sqlite3_free(error);
    }
    ~OtherWriter() {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    OtherWriter(const OtherWriter&) = delete;
    OtherWriter& operator=(const OtherWriter&) = delete;

private:
    sqlite3* m_db = nullptr;
};

// The words that would send an administrator looking for a fault that is not there.
void ExpectOnlyBusy(const QString& text) {
    EXPECT_TRUE(text.contains(QLatin1String("locked by another process"))) << text.toStdString();
    for (const char* wrong : {"damaged", "malformed", "rights", "not in library", "UserName"})
        EXPECT_FALSE(text.contains(QLatin1String(wrong), Qt::CaseInsensitive))
            << wrong << ": " << text.toStdString();
}

TEST(BusyLibraryTest, AWriterHoldingTheLibraryIsAPassingFailure) {
    ScopedEnv timeout("VANTRELIS_BUSY_TIMEOUT_MS", "100");
    TestLibrary lib(kEngineMssql);
    const OtherWriter other(lib.file(),
                            "BEGIN IMMEDIATE; INSERT INTO CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (1, 'HELD')");

    // Readers do not wait: the library connects and its user is known.
    LocalLibrary library(lib.serverPtr(), lib.name());
    library.prepare();
    EXPECT_EQ(library.userName(), QStringLiteral("GARY"));

    // A write waits, then fails with the busy number, which says it passes.
    auto& sql = lib.sql();
    EXPECT_EQ(kErrorLocked, sql.execute(QStringLiteral("DELETE FROM DOCSADM.CLIENT")));
    EXPECT_TRUE(sql.errorIsPassing());
    ExpectOnlyBusy(sql.errorText());
    ExpectOnlyBusy(ExpectFault(kErrorLocked, [&] { library.database()->begin(); }));

    // A lasting failure does not read as a passing one.
    EXPECT_NE(0, sql.execute(QStringLiteral("SELECT NOSUCH FROM DOCSADM.CLIENT")));
    EXPECT_FALSE(sql.errorIsPassing());
}

TEST(BusyLibraryTest, AWriterThatShutsReadersOutFailsTheConnectionForAPassingReason) {
    ScopedEnv timeout("VANTRELIS_BUSY_TIMEOUT_MS", "100");
    TestLibrary lib(kEngineMssql);
    // Exclusive locking mode: once it has written, nobody else may even read.
    const OtherWriter other(lib.file(), "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; "
                                        "INSERT INTO CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (1, 'HELD')");

    // A new run's login and connection, while the other holds the library.
    auto server = LocalServer::Load(lib.server().serverFile());
    LocalLibrary library(server, lib.name());
    library.prepare();
    EXPECT_TRUE(library.userName().isEmpty());
    EXPECT_TRUE(library.errorIsPassing());
    ExpectOnlyBusy(library.errorText());
    // The library was not marked damaged: once the other is done, the same objects work.
}

TEST(BusyLibraryTest, ALockedLibraryIsNotDamagedAfterwards) {
    ScopedEnv timeout("VANTRELIS_BUSY_TIMEOUT_MS", "100");
    TestLibrary lib(kEngineMssql);
    auto server = LocalServer::Load(lib.server().serverFile());
    LocalLibrary library(server, lib.name());
    {
        const OtherWriter other(lib.file(), "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; "
                                            "INSERT INTO CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (1, 'HELD')");
        library.prepare();
        ASSERT_TRUE(library.userName().isEmpty());
    }
    library.prepare();
    EXPECT_EQ(library.userName(), QStringLiteral("GARY")) << library.errorText().toStdString();
    EXPECT_TRUE(library.errorText().isEmpty());
}

// The wait for a lock adds up over the statements that find the library locked: once the limit is
// spent they fail at once, until a write of the connection gets through again.
TEST(BusyLibraryTest, TheWaitForALockIsSpentOnceNotPerStatement) {
    ScopedEnv timeout("VANTRELIS_BUSY_TIMEOUT_MS", "400");
    TestLibrary lib(kEngineMssql);
    const auto db = lib.db();
    auto& sql = lib.sql();
    const QString write = QStringLiteral("UPDATE DOCSADM.CLIENT SET CLIENT_NAME = CLIENT_NAME");
    const auto timed = [&](qint64& ms) {
        QElapsedTimer timer;
        timer.start();
        const qint64 answer = sql.execute(write);
        ms = timer.elapsed();
        return answer;
    };
    qint64 first = 0;
    qint64 second = 0;
    {
        const OtherWriter other(lib.file(), "BEGIN IMMEDIATE");
        EXPECT_FALSE(db->lockWaitSpent());
        EXPECT_EQ(kErrorLocked, timed(first));
        EXPECT_GE(first, 350);
        EXPECT_TRUE(db->lockWaitSpent());
        ExpectOnlyBusy(sql.errorText());
        // The library is still held: the next write does not wait all over again.
        EXPECT_EQ(kErrorLocked, timed(second));
        EXPECT_LT(second, 400);
        EXPECT_TRUE(db->lockWaitSpent());
        // Reads go on while the other writes.
        EXPECT_EQ(0, sql.execute(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT")));
    }
    // A write that gets through ends the spent wait; a new lock is waited for in full again.
    EXPECT_EQ(0, sql.execute(write)) << sql.errorText().toStdString();
    EXPECT_FALSE(db->lockWaitSpent());
    const OtherWriter again(lib.file(), "BEGIN IMMEDIATE");
    EXPECT_EQ(kErrorLocked, timed(first));
    EXPECT_GE(first, 350);
}

TEST(BusyLibraryTest, AFullDiskIsCalledAFullDisk) {
    TestLibrary lib(kEngineMssql);
    const auto db = lib.db();
    // The file may not grow by a page more: SQLite answers as it does on a full disk.
    const qint64 pages = db->scalar(QStringLiteral("PRAGMA DOCSADM.page_count")).toLongLong();
    ASSERT_EQ(
        SQLITE_OK,
        sqlite3_exec(db->handle(),
                     QStringLiteral("PRAGMA DOCSADM.max_page_count = %1").arg(pages).toUtf8().constData(),
                     nullptr, nullptr, nullptr));
    auto& sql = lib.sql();
    EXPECT_EQ(kErrorDiskFull,
              sql.execute(QStringLiteral(
                  "INSERT INTO DOCSADM.CLIENT (CLIENT_ID, CLIENT_NAME) "
                  "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 5000) "
                  "SELECT 'C' || I, printf('%.200c', 'x') FROM N")));
    EXPECT_TRUE(sql.errorText().contains(QLatin1String("is full"))) << sql.errorText().toStdString();
    EXPECT_TRUE(sql.errorText().contains(lib.name())) << sql.errorText().toStdString();
    EXPECT_FALSE(sql.errorIsPassing());
}

} // namespace
} // namespace vantrelis::dm::local::test
