#include "common/Fault.h"
#include "common/IniRegistry.h"
#include "common/QorvClass.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantrelis {
namespace {

QString TestData(const char* name) {
    return QDir(qEnvironmentVariable("VANTRELIS_TESTDATA")).filePath(QString::fromUtf8(name));
}

struct ReadCase {
    const char* path;
    QVariant value;
};

class ReadRegistryValueTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadRegistryValueTest, ReadsFromTheRegistryFile) {
    IniRegistry registry(TestData("registry.ini"));
    const QVariant value = ReadRegistryValue(QString::fromUtf8(GetParam().path), registry);
    EXPECT_EQ(value.isValid(), GetParam().value.isValid()) << GetParam().path;
    EXPECT_EQ(value, GetParam().value) << GetParam().path << " gave " << value.toString().toStdString();
}

const QString kVersion = QStringLiteral("5.1.0.5");

std::string PathName(const ::testing::TestParamInfo<ReadCase>& info) {
    std::string name = std::to_string(info.index) + "_";
    for (const char* p = info.param.path; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ReadRegistryValueTest,
    ::testing::Values(
        ReadCase{"HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS\\CurrentVersion", kVersion},
        ReadCase{"hkey_local_machine\\software\\hummingbird\\powerdocs\\currentversion", kVersion},
        ReadCase{"HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS\\PatchLevel", QStringLiteral("2")},
        ReadCase{"HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS\\LogFile",
                 QStringLiteral("C:\\Logs\\dm.log")},
        ReadCase{"HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS\\Trace", QVariant(qint64(31))},
        ReadCase{"HKEY_CURRENT_USER\\Software\\Vantrelis\\Mode", QStringLiteral("text")},
        // The last segment is read from the deepest key that could be opened.
        ReadCase{"HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\Missing\\PowerDOCS\\CurrentVersion", kVersion},
        ReadCase{"HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS\\Nested\\Nested",
                 QStringLiteral("value named like its key")},
        ReadCase{"HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS\\Missing", QVariant()},
        ReadCase{"HKEY_LOCAL_MACHINE\\Software\\Nowhere\\CurrentVersion", QVariant()},
        ReadCase{"HKEY_USERS\\Software\\Hummingbird\\PowerDOCS\\CurrentVersion", QVariant()},
        ReadCase{"HKLM\\Software\\Hummingbird\\PowerDOCS\\CurrentVersion", QVariant()},
        ReadCase{"HKEY_LOCAL_MACHINE", QVariant()}, ReadCase{"CurrentVersion", QVariant()},
        ReadCase{"", QVariant()}),
    PathName);

// Records the component calls, answering from a set of keys that exist and values they hold.
class RecordingRegistry : public RegistryComponent {
public:
    std::optional<RegistryKey> OpenKey(int hive, const QString& name) override {
        calls << QStringLiteral("hive %1 '%2'").arg(hive).arg(name);
        if (throwing)
            throw Fault(5, QStringLiteral("Registry"), QStringLiteral("refused"));
        return RegistryKey{QStringLiteral("H%1").arg(hive)};
    }
    std::optional<RegistryKey> OpenSubKey(const RegistryKey& key, const QString& name) override {
        calls << QStringLiteral("open %1 %2").arg(key.path, name);
        const QString path = key.path + QLatin1Char('\\') + name;
        if (!keys.contains(path))
            return std::nullopt;
        return RegistryKey{path};
    }
    QVariant ReadValue(const RegistryKey& key, const QString& name) override {
        calls << QStringLiteral("read %1 %2").arg(key.path, name);
        return values.value(key.path + QLatin1Char('|') + name);
    }

    QStringList calls;
    QStringList keys;
    QHash<QString, QVariant> values;
    bool throwing = false;
};

TEST(ReadRegistryValueCalls, OpensEachSegmentThenReadsIt) {
    RecordingRegistry registry;
    registry.keys << QStringLiteral("H4\\A");
    registry.values.insert(QStringLiteral("H4\\A|B"), QStringLiteral("found"));
    EXPECT_EQ(ReadRegistryValue(QStringLiteral("HKEY_LOCAL_MACHINE\\A\\B"), registry),
              QVariant(QStringLiteral("found")));
    EXPECT_EQ(registry.calls, (QStringList{QStringLiteral("hive 4 ''"), QStringLiteral("open H4 A"),
                                           QStringLiteral("read H4\\A A"), QStringLiteral("open H4\\A B"),
                                           QStringLiteral("read H4\\A B")}));
}

TEST(ReadRegistryValueCalls, StopsWhenTheRestRepeatsTheSegment) {
    RecordingRegistry registry;
    registry.keys << QStringLiteral("H3\\A");
    registry.values.insert(QStringLiteral("H3\\A|A"), 7);
    EXPECT_EQ(ReadRegistryValue(QStringLiteral("HKEY_CURRENT_USER\\A\\A"), registry), QVariant(7));
    EXPECT_EQ(registry.calls, (QStringList{QStringLiteral("hive 3 ''"), QStringLiteral("open H3 A"),
                                           QStringLiteral("read H3\\A A")}));
}

TEST(ReadRegistryValueCalls, HiveNamesInAnyCase) {
    const struct {
        const char* hive;
        int number;
    } rows[] = {{"HKEY_CLASSES_ROOT", 1},
                {"hkey_current_config", 2},
                {"Hkey_Current_User", 3},
                {"HKEY_LOCAL_MACHINE", 4},
                {"hkey_users", 5}};
    for (const auto& row : rows) {
        RecordingRegistry registry;
        ReadRegistryValue(QString::fromUtf8(row.hive) + QStringLiteral("\\V"), registry);
        ASSERT_FALSE(registry.calls.isEmpty()) << row.hive;
        EXPECT_EQ(registry.calls.first(), QStringLiteral("hive %1 ''").arg(row.number)) << row.hive;
        EXPECT_EQ(RegistryHiveNumber(QString::fromUtf8(row.hive)), row.number);
    }
    EXPECT_EQ(RegistryHiveNumber(QStringLiteral("HKEY_DYN_DATA")), 0);
}

TEST(ReadRegistryValueCalls, AFaultingComponentGivesEmpty) {
    RecordingRegistry registry;
    registry.throwing = true;
    EXPECT_FALSE(ReadRegistryValue(QStringLiteral("HKEY_LOCAL_MACHINE\\A\\B"), registry).isValid());
}

TEST(IniRegistry, FoundThroughTheEnvironment) {
    const QByteArray saved = qgetenv("VANTRELIS_REGISTRY");
    qputenv("VANTRELIS_REGISTRY", TestData("registry.ini").toUtf8());
    IniRegistry registry(IniRegistry::EnvironmentFileName());
    EXPECT_EQ(
        ReadRegistryValue(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS\\PatchLevel"),
                          registry),
        QVariant(QStringLiteral("2")));
    qunsetenv("VANTRELIS_REGISTRY");
    IniRegistry none(IniRegistry::EnvironmentFileName());
    EXPECT_FALSE(ReadRegistryValue(
                     QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS\\PatchLevel"), none)
                     .isValid());
    if (!saved.isNull())
        qputenv("VANTRELIS_REGISTRY", saved);
}

TEST(IniRegistry, MissingOrBrokenFileReadsNothing) {
    QTemporaryDir dir;
    IniRegistry missing(dir.filePath(QStringLiteral("absent.ini")));
    EXPECT_FALSE(ReadRegistryValue(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\X"), missing).isValid());

    IniRegistry broken;
    broken.Load(
        QStringLiteral("CurrentVersion=orphan\n[HKEY_LOCAL_MACHINE\\Software\nNoEquals\nV=1\n[]\nW=2\n"));
    EXPECT_FALSE(ReadRegistryValue(QStringLiteral("HKEY_LOCAL_MACHINE\\CurrentVersion"), broken).isValid());
    EXPECT_EQ(ReadRegistryValue(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\V"), broken),
              QVariant(QStringLiteral("1")));
    EXPECT_FALSE(ReadRegistryValue(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\W"), broken).isValid());
}

TEST(IniRegistry, KeysExistThroughTheirDescendants) {
    IniRegistry registry;
    registry.Load(QStringLiteral("[HKEY_LOCAL_MACHINE\\A\\B\\C]\nV=1\n"));
    const std::optional<RegistryKey> hive = registry.OpenKey(HiveLocalMachine, QString());
    ASSERT_TRUE(hive.has_value());
    EXPECT_TRUE(registry.OpenSubKey(*hive, QStringLiteral("a")).has_value());
    EXPECT_TRUE(registry.OpenKey(HiveLocalMachine, QStringLiteral("A\\B")).has_value());
    EXPECT_FALSE(registry.OpenSubKey(*hive, QStringLiteral("B")).has_value());
    EXPECT_FALSE(registry.OpenKey(9, QString()).has_value());
}

TEST(IniRegistry, ValuesAreTextNumbersOrTheDefault) {
    IniRegistry registry;
    registry.Load(QStringLiteral(
        "[HKEY_USERS\\K]\n@=default\n\"Quoted Name\"=\"say \\\"hi\\\"\"\nN=dword:ffffffff\nBad=dword:xyz\n"));
    const std::optional<RegistryKey> key = registry.OpenKey(HiveUsers, QStringLiteral("k"));
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(registry.ReadValue(*key, QString()), QVariant(QStringLiteral("default")));
    EXPECT_EQ(registry.ReadValue(*key, QStringLiteral("quoted name")),
              QVariant(QStringLiteral("say \"hi\"")));
    EXPECT_EQ(registry.ReadValue(*key, QStringLiteral("N")), QVariant(qint64(4294967295LL)));
    EXPECT_FALSE(registry.ReadValue(*key, QStringLiteral("Bad")).isValid());
}

} // namespace
} // namespace vantrelis
