#include "ModelFixture.h"

#include "common/Fault.h"
#include "dm/DmBrowser.h"
#include "dm/DmFactory.h"
#include "dm/DmSql.h"
#include "dm/local/LocalApplication.h"
#include "dm/local/LocalBackend.h"
#include "dm/local/LocalErrors.h"
#include "support/ExpectFault.h"

#include <QFile>

using vantrelis::testing::ExpectFault;

namespace vantrelis::dm::local::test {
namespace {

using LoginTest = ModelFixture;

struct FailedLogin {
    const char* what;
    void (*spoil)(ModelFixture&);
};

class FailedLoginTest : public ModelFixture, public ::testing::WithParamInterface<FailedLogin> {};

TEST_P(FailedLoginTest, GivesAnEmptyTokenAndNoLibraries) {
    GetParam().spoil(*this);
    auto server = LocalServer::Load(m_serverFile);
    auto app = std::make_shared<LocalApplication>(server);
    EXPECT_TRUE(app->dst().isEmpty());
    EXPECT_FALSE(server->lastError().isEmpty());
    EXPECT_EQ(app->errorText(), server->lastError()) << "the reason reaches the program";
    EXPECT_EQ(app->libraries(), nullptr);
    EXPECT_EQ(app->currentLibrary(), nullptr);
    EXPECT_EQ(app->primaryLibrary(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedLoginTest,
    ::testing::Values(
        FailedLogin{"MissingServerFile", [](ModelFixture& f) { QFile::remove(f.m_serverFile); }},
        FailedLogin{"NoLibraryFile",
                    [](ModelFixture& f) {
                        QFile::remove(f.file(QStringLiteral("LIB_A")));
                        QFile::remove(f.file(QStringLiteral("LIB_B")));
                    }},
        FailedLogin{"UnknownUser", [](ModelFixture& f) { f.writeServerFile(QStringLiteral("NOBODY")); }}),
    [](const ::testing::TestParamInfo<FailedLogin>& info) { return std::string(info.param.what); });

TEST_F(LoginTest, LibrariesFollowTheServerFile) {
    auto app = login();
    const QString token = app->dst();
    EXPECT_EQ(app->dst(), token) << "a second read keeps the login";
    EXPECT_TRUE(app->errorText().isEmpty());
    auto libraries = app->libraries();
    ASSERT_NE(libraries, nullptr);
    ASSERT_EQ(libraries->count(), 2);
    EXPECT_EQ(libraries->item(1)->name(), QStringLiteral("LIB_A"));
    EXPECT_EQ(libraries->item(2)->name(), QStringLiteral("LIB_B"));
    EXPECT_EQ(libraries->item(0), nullptr);
    EXPECT_EQ(libraries->item(3), nullptr);
    ASSERT_NE(app->currentLibrary(), nullptr);
    EXPECT_EQ(app->currentLibrary()->name(), QStringLiteral("LIB_B"));
    ASSERT_NE(app->primaryLibrary(), nullptr);
    EXPECT_EQ(app->primaryLibrary()->name(), QStringLiteral("LIB_A"));
    EXPECT_EQ(app->currentLibrary(), libraries->item(2)) << "one object per library for the login";
}

TEST_F(LoginTest, PreparedLibraryReportsTheUserAsStored) {
    writeServerFile(QStringLiteral("gary"));
    login();
    for (const char* name : {"LIB_A", "LIB_B"}) {
        SCOPED_TRACE(name);
        auto lib = library(QString::fromLatin1(name));
        ASSERT_NE(lib, nullptr);
        EXPECT_EQ(lib->userName(), QStringLiteral("GARY"));
        EXPECT_EQ(lib->primaryGroup(), QStringLiteral("DOCS_USERS"));
    }
}

TEST_F(LoginTest, LibraryThatLostTheUserHasNoUserNameAndRefusesWork) {
    login();
    auto lib = m_app->libraries()->item(2); // LIB_B
    lib->prepare();
    ASSERT_EQ(lib->userName(), QStringLiteral("GARY"));
    direct(QStringLiteral("LIB_B"))
        ->execute(QStringLiteral("DELETE FROM DOCSADM.PEOPLE WHERE USER_ID = 'GARY'"));
    lib->prepare();
    EXPECT_TRUE(lib->userName().isEmpty());
    EXPECT_TRUE(lib->primaryGroup().isEmpty());
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"newFolder", [&] { lib->newFolder(); }},
        {"folder", [&] { lib->folder(1); }},
        {"profile", [&] { lib->profile(1); }},
        {"parameters", [&] { lib->parameters(); }},
    };
    for (const auto& [what, call] : calls) {
        SCOPED_TRACE(what);
        EXPECT_TRUE(ExpectFault(kErrorNotConnected, call)
                        .startsWith(QStringLiteral("Library LIB_B is not connected")));
    }
}

TEST_F(LoginTest, FactoryCreatesEveryClassOnOneServer) {
    DmFactory factory;
    RegisterLocalBackend(factory, m_serverFile);
    auto browser = factory.createAs<DmBrowser>(QString::fromLatin1(kBrowserClass));
    auto companion = factory.createAs<DmCompanion>(QString::fromLatin1(kCompanionClass));
    ASSERT_NE(browser, nullptr);
    ASSERT_NE(companion, nullptr);
    browser->setCompanion(companion, nullptr);
    companion->close();

    auto app = factory.createAs<DmApplication>(QStringLiteral("docsobjects.application"));
    ASSERT_NE(app, nullptr);
    EXPECT_FALSE(app->dst().isEmpty());
    ASSERT_NE(app->currentLibrary(), nullptr);
    EXPECT_EQ(app->currentLibrary()->name(), QStringLiteral("LIB_B"));

    // The SQL object accepts the application's token: both stand on the same server.
    auto sql = factory.createAs<DmSql>(QString::fromLatin1(kSqlClass));
    ASSERT_NE(sql, nullptr);
    sql->setToken(app->dst());
    sql->setLibrary(QStringLiteral("LIB_B"));
    EXPECT_EQ(sql->engineCode(), kEngineOracle);
    ASSERT_EQ(sql->execute(QStringLiteral("SELECT USER_ID FROM DOCSADM.PEOPLE WHERE USER_ID = 'GARY'")), 0)
        << sql->errorText().toStdString();
    EXPECT_EQ(sql->rowCount(), 1);
}

} // namespace
} // namespace vantrelis::dm::local::test
