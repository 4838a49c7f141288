#include "TestLibrary.h"

#include "common/Fault.h"
#include "dm/LibraryDamaged.h"
#include "dm/local/LocalErrors.h"
#include "support/ExpectFault.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

using vantrelis::testing::ExpectFault;

namespace vantrelis::dm::local::test {
namespace {

const QString kInsertFirst =
    QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (1, 'FIRST')");
const QString kInsertSecond =
    QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (2, 'SECOND')");

// What a library file holds, read on a connection of its own: the integrity check's answer and the
// CLIENT ids in order.
QStringList Contents(const QString& file) {
    sqlite3* db = nullptr;
    QStringList answers;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        for (const char* sql : {"PRAGMA integrity_check", "SELECT group_concat(CLIENT_ID) FROM "
                                                          "(SELECT CLIENT_ID FROM CLIENT ORDER BY 1)"}) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW)
                answers +=
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
            sqlite3_finalize(statement);
        }
    }
    sqlite3_close(db);
    return answers;
}

struct Replacement {
    const char* what;
    const char* said;
    // Puts something else at the library's path: another library's file, or nothing.
    void (*spoil)(const QString& file, const QString& other);
};

class ReplacedLibraryTest : public ::testing::TestWithParam<Replacement> {};

TEST_P(ReplacedLibraryTest, FailsTheLibraryAndLeavesNoJournalToReplay) {
    TestLibrary lib(kEngineMssql);
    const QString other = lib.path(QStringLiteral("other.db"));
    {
        // A sound library of its own with the user and one client; closed, so it has no journal
        // beside it.
        const auto created = LibraryDatabase::Create(other, kEngineMssql, lib.name());
        created->execute(
            QStringLiteral("INSERT INTO DOCSADM.PEOPLE (SYSTEM_ID, USER_ID) VALUES (8, 'GARY')"));
        created->execute(
            QStringLiteral("INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID) VALUES (9, 'OTHER')"));
    }
    const QString backup = lib.path(QStringLiteral("backup.db"));
    ASSERT_TRUE(QFile::copy(other, backup));

    ASSERT_EQ(0, lib.sql().execute(kInsertFirst)) << lib.sql().errorText().toStdString();
    const std::shared_ptr<LibraryDatabase> open = lib.db();
    ASSERT_TRUE(QFile::exists(lib.file() + QLatin1String("-wal"))) << "the first item is in the journal";

    GetParam().spoil(lib.file(), other);
    try {
        lib.sql().execute(kInsertSecond);
        ADD_FAILURE() << "the second item was written into a file nobody will see again";
    } catch (const LibraryDamaged& fault) {
        EXPECT_EQ(fault.number(), kErrorFileReplaced);
        EXPECT_TRUE(fault.description().contains(QLatin1String(GetParam().said)))
            << fault.description().toStdString();
        EXPECT_TRUE(fault.description().contains(lib.file())) << fault.description().toStdString();
    }
    EXPECT_FALSE(QFile::exists(lib.file() + QLatin1String("-wal")));
    EXPECT_FALSE(QFile::exists(lib.file() + QLatin1String("-shm")));
    // Nothing more runs there, not even what would only read.
    ExpectFault(kErrorFileReplaced, [&] { open->begin(); });
    EXPECT_THROW(lib.sql().execute(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT")), LibraryDamaged);
    EXPECT_EQ(lib.sql().errorNumber(), kErrorFileReplaced);

    if (!QFile::exists(lib.file())) {
        ASSERT_TRUE(QFile::copy(backup, lib.file())) << "a backup is put back";
    }
    EXPECT_EQ(Contents(lib.file()), (QStringList{QStringLiteral("ok"), QStringLiteral("OTHER")}))
        << "no journal of the old file was replayed onto the one there now";

    // A new run (a new server here; in the same program, a new connection of the library) works on
    // the file that is there now.
    auto rerun = LocalServer::Load(lib.server().serverFile());
    const QString token = rerun->login();
    ASSERT_FALSE(token.isEmpty()) << rerun->lastError().toStdString();
    LocalSql sql(rerun);
    sql.setToken(token);
    sql.setLibrary(lib.name());
    ASSERT_EQ(0, sql.execute(kInsertSecond)) << sql.errorText().toStdString();
    lib.sql().setLibrary(lib.name());
    ASSERT_EQ(0, lib.sql().execute(QStringLiteral("SELECT CLIENT_ID FROM DOCSADM.CLIENT ORDER BY 1")))
        << lib.sql().errorText().toStdString();
    EXPECT_EQ(lib.sql().rowCount(), 2) << "bound again, the first server opened the new file too";
    EXPECT_EQ(Contents(lib.file()), (QStringList{QStringLiteral("ok"), QStringLiteral("OTHER,SECOND")}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplacedLibraryTest,
    ::testing::Values(
        Replacement{"RenamedOver", "was replaced",
                    [](const QString& file, const QString& other) {
                        ASSERT_EQ(0, std::rename(other.toUtf8().constData(), file.toUtf8().constData()));
                    }},
        // Only the database file: its journal stays at the path, as a careless delete leaves it.
        Replacement{"Deleted", "was deleted",
                    [](const QString& file, const QString&) { ASSERT_TRUE(QFile::remove(file)); }}),
    [](const ::testing::TestParamInfo<Replacement>& info) { return std::string(info.param.what); });

TEST(LibraryFileTest, ClosingAfterTheFileWasDeletedRemovesItsJournal) {
    TestLibrary lib(kEngineMssql);
    {
        const auto db = LibraryDatabase::Open(lib.file(), kEngineMssql);
        db->execute(kInsertFirst);
        ASSERT_TRUE(QFile::remove(lib.file()));
        ASSERT_TRUE(QFile::exists(lib.file() + QLatin1String("-wal")));
        // The program ends without writing again: the journal must not wait for the next file there.
    }
    EXPECT_FALSE(QFile::exists(lib.file() + QLatin1String("-wal")));
    EXPECT_FALSE(QFile::exists(lib.file() + QLatin1String("-shm")));
}

} // namespace
} // namespace vantrelis::dm::local::test
