#include "ModelFixture.h"

#include "dm/local/LocalErrors.h"

#include <QFile>

namespace vantrelis::dm::local::test {
namespace {

// Sets an environment variable for one test and restores it afterwards.
class EnvGuard {
public:
    EnvGuard(const char* name, const QByteArray& value)
        : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~EnvGuard() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

using RobustnessTest = ModelFixture;

TEST_F(RobustnessTest, SaveOnALockedLibraryAnswersNoAndWritesNothing) {
    EnvGuard timeout("VANTRELIS_BUSY_TIMEOUT_MS", "100");
    auto lib = library();
    auto folder = lib->newFolder();
    folder->setName(QStringLiteral("Blocked"));
    folder->setPublic(true);
    folder->profile()->columns()->fillDefaults();

    auto other = direct(); // another writer holds the library
    other->begin();
    EXPECT_FALSE(folder->save(3));
    EXPECT_EQ(folder->errorNumber(), kErrorLocked);
    EXPECT_FALSE(folder->errorText().isEmpty());
    EXPECT_EQ(folder->docNumber(), 0);
    other->rollback();
    other.reset();

    for (const char* table : {"PROFILE", "FOLDER", "VERSIONS", "ROOT_OBJECT"})
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.%1").arg(QLatin1String(table))), 0)
            << table;
    ASSERT_TRUE(folder->save(3)) << folder->errorText().toStdString();
    EXPECT_NE(folder->docNumber(), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.ROOT_OBJECT")), 1);
}

TEST_F(RobustnessTest, ObjectModelStatementsReachTheTrace) {
    const QString traceFile = m_environment.filePath(QStringLiteral("trace.txt"));
    EnvGuard trace("VANTRELIS_SQL_TRACE", traceFile.toLocal8Bit());
    auto lib = library();
    auto folder = lib->newFolder();
    folder->setName(QStringLiteral("Traced O'Neil"));
    folder->profile()->columns()->fillDefaults();
    ASSERT_TRUE(folder->save(3));
    QFile in(traceFile);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(in.readAll());
    for (const char* piece :
         {"INSERT INTO DOCSADM.PROFILE", "INSERT INTO DOCSADM.FOLDER", "INSERT INTO DOCSADM.VERSIONS",
          "SELECT SYSTEM_ID FROM DOCSADM.APPS WHERE APPLICATION = ?1"})
        EXPECT_TRUE(text.contains(QLatin1String(piece))) << piece;
    EXPECT_TRUE(text.contains(QStringLiteral("LIB_A")));
}

TEST_F(RobustnessTest, ApostrophesAndLineBreaksAreStoredAsGiven) {
    auto lib = library();
    const QString name = QStringLiteral("O'Brien's \"files\"; DROP TABLE X --");
    auto folder = lib->newFolder();
    folder->setName(name);
    folder->profile()->columns()->fillDefaults();
    folder->profile()
        ->columns()
        ->item(QStringLiteral("ABSTRACT"))
        ->setValue(QStringLiteral("line one\nline 'two'"));
    ASSERT_TRUE(folder->save(3)) << folder->errorText().toStdString();
    auto again = lib->folder(folder->docNumber());
    EXPECT_EQ(again->name(), name);
    EXPECT_EQ(again->profile()->columns()->item(QStringLiteral("ABSTRACT"))->value(),
              QStringLiteral("line one\nline 'two'"));
}

} // namespace
} // namespace vantrelis::dm::local::test
