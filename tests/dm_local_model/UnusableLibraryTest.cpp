#include "ModelFixture.h"

#include "dm/local/LocalErrors.h"
#include "support/ExpectFault.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <sqlite3.h>
#include <unistd.h>

using vantrelis::testing::ExpectFault;

namespace vantrelis::dm::local::test {
namespace {

// Makes a file or folder immutable, which even root cannot write; answers false where the file
// system refuses it.
bool MakeImmutable(const QString& path, QStringList& made) {
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) != 0)
        return false;
    made += path;
    return true;
}

class UnusableLibraryTest : public ModelFixture {
public:
    void TearDown() override {
        for (const QString& path : std::as_const(m_immutable))
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    }

    // Replaces LIB_B's file by a symbolic link to `target`.
    void linkLibrary(const QString& target) {
        const QString path = file(QStringLiteral("LIB_B"));
        ASSERT_TRUE(QFile::remove(path));
        ASSERT_EQ(0, ::symlink(target.toUtf8().constData(), path.toUtf8().constData()));
    }

    QStringList m_immutable;
};

struct Unusable {
    const char* what;
    // Why the library cannot be used, as its reason says it.
    const char* reason;
    // Spoils LIB_B; answers a reason to skip the case where this machine cannot make it.
    QString (*spoil)(UnusableLibraryTest&);
};

class UnusableLibraryCase : public UnusableLibraryTest, public ::testing::WithParamInterface<Unusable> {};

TEST_P(UnusableLibraryCase, FailsAloneWithItsOwnReason) {
    const QString skip = GetParam().spoil(*this);
    if (!skip.isEmpty())
        GTEST_SKIP() << skip.toStdString();

    // The login does not stop for one library: the others work.
    login();
    auto good = library(QStringLiteral("LIB_A"));
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->userName(), QStringLiteral("GARY"));
    auto folder = good->newFolder();
    folder->setName(QStringLiteral("Still works"));
    EXPECT_TRUE(folder->save(3)) << folder->errorText().toStdString();

    auto bad = library(QStringLiteral("LIB_B"));
    ASSERT_NE(bad, nullptr);
    EXPECT_TRUE(bad->userName().isEmpty());
    const QString reason = bad->errorText();
    EXPECT_TRUE(reason.contains(QLatin1String(GetParam().reason))) << reason.toStdString();
    EXPECT_FALSE(bad->errorIsPassing()) << "nothing about this library passes by itself";
    const QString fault = ExpectFault(kErrorNotConnected, [&] { bad->parameters(); });
    EXPECT_TRUE(fault.contains(QLatin1String(GetParam().reason))) << fault.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnusableLibraryCase,
    ::testing::Values(
        Unusable{"MissingFile", "does not exist",
                 [](UnusableLibraryTest& t) {
                     EXPECT_TRUE(QFile::remove(t.file(QStringLiteral("LIB_B"))));
                     return QString();
                 }},
        Unusable{"ReadOnlyFile", "cannot be written",
                 [](UnusableLibraryTest& t) {
                     return MakeImmutable(t.file(QStringLiteral("LIB_B")), t.m_immutable)
                                ? QString()
                                : QStringLiteral("chattr +i is refused here");
                 }},
        Unusable{"ReadOnlyFolder", "cannot be written",
                 [](UnusableLibraryTest& t) {
                     const QString folder = t.m_environment.filePath(QStringLiteral("readonly"));
                     EXPECT_TRUE(QDir().mkpath(folder));
                     const QString moved = folder + QLatin1String("/lib_b.db");
                     EXPECT_TRUE(QFile::copy(t.file(QStringLiteral("LIB_B")), moved));
                     t.linkLibrary(moved);
                     return MakeImmutable(folder, t.m_immutable)
                                ? QString()
                                : QStringLiteral("chattr +i is refused here");
                 }},
        Unusable{"WalIsAFolder", "is not a regular file",
                 [](UnusableLibraryTest& t) {
                     const QString wal = t.file(QStringLiteral("LIB_B")) + QLatin1String("-wal");
                     QFile::remove(wal);
                     EXPECT_TRUE(QDir().mkpath(wal));
                     return QString();
                 }},
        Unusable{"ShmOfAnotherUser", "cannot be written",
                 [](UnusableLibraryTest& t) {
                     if (::geteuid() == 0)
                         return QStringLiteral("root may write any user's file; run the tests as a user");
                     const QString shm = t.file(QStringLiteral("LIB_B")) + QLatin1String("-shm");
                     QFile out(shm);
                     EXPECT_TRUE(out.open(QIODevice::WriteOnly));
                     out.close();
                     // Without the right to write it, as if another user had made it.
                     EXPECT_TRUE(QFile::setPermissions(shm, QFileDevice::ReadOther));
                     return QString();
                 }},
        Unusable{"PathIsAFolder", "is a folder",
                 [](UnusableLibraryTest& t) {
                     EXPECT_TRUE(QFile::remove(t.file(QStringLiteral("LIB_B"))));
                     EXPECT_TRUE(QDir().mkpath(t.file(QStringLiteral("LIB_B"))));
                     return QString();
                 }},
        Unusable{"SymlinkLoop", "Too many levels of symbolic links",
                 [](UnusableLibraryTest& t) {
                     const QString other = t.m_environment.filePath(QStringLiteral("loop.db"));
                     t.linkLibrary(other);
                     EXPECT_EQ(0, ::symlink(t.file(QStringLiteral("LIB_B")).toUtf8().constData(),
                                            other.toUtf8().constData()));
                     return QString();
                 }},
        Unusable{"DevNull", "is not a regular file",
                 [](UnusableLibraryTest& t) {
                     t.linkLibrary(QStringLiteral("/dev/null"));
                     return QString();
                 }},
        Unusable{"AnotherProgramsDatabase", "lacks tables",
                 [](UnusableLibraryTest& t) {
                     EXPECT_TRUE(QFile::remove(t.file(QStringLiteral("LIB_B"))));
                     sqlite3* db = nullptr;
                     EXPECT_EQ(SQLITE_OK,
                               sqlite3_open(t.file(QStringLiteral("LIB_B")).toUtf8().constData(), &db));
                     EXPECT_EQ(SQLITE_OK,
                               sqlite3_exec(db, "CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT)",
                                            nullptr, nullptr, nullptr));
                     sqlite3_close(db);
                     return QString();
                 }},
        Unusable{"MissingColumn", "FORMS.FORM_TITLE",
                 [](UnusableLibraryTest& t) {
                     t.direct(QStringLiteral("LIB_B"))
                         ->execute(QStringLiteral("ALTER TABLE DOCSADM.FORMS DROP COLUMN FORM_TITLE"));
                     return QString();
                 }},
        Unusable{"UserMissing", "User 'GARY' is not in library LIB_B",
                 [](UnusableLibraryTest& t) {
                     t.direct(QStringLiteral("LIB_B"))
                         ->execute(QStringLiteral("DELETE FROM DOCSADM.PEOPLE WHERE USER_ID = 'GARY'"));
                     return QString();
                 }}),
    [](const ::testing::TestParamInfo<Unusable>& info) { return std::string(info.param.what); });

TEST_F(UnusableLibraryTest, SymlinkLoopIsNotAMissingFile) {
    const QString other = m_environment.filePath(QStringLiteral("loop.db"));
    linkLibrary(other);
    ASSERT_EQ(0, ::symlink(file(QStringLiteral("LIB_B")).toUtf8().constData(), other.toUtf8().constData()));
    const QString reason = library(QStringLiteral("LIB_B"))->errorText();
    EXPECT_FALSE(reason.contains(QLatin1String("does not exist"))) << reason.toStdString();
}

TEST_F(UnusableLibraryTest, LoginFailsWhenNoLibraryKnowsTheUser) {
    writeServerFile(QStringLiteral("NOBODY"));
    auto server = LocalServer::Load(m_serverFile);
    EXPECT_TRUE(server->login().isEmpty());
    for (const char* name : {"LIB_A", "LIB_B"})
        EXPECT_TRUE(server->lastError().contains(
            QStringLiteral("User NOBODY is not known in library %1").arg(QLatin1String(name))))
            << server->lastError().toStdString();
}

} // namespace
} // namespace vantrelis::dm::local::test
