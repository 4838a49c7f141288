#include "common/IniSettingsStore.h"
#include "common/ProductInfo.h"
#include "common/SavedSetting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantrelis {
namespace {

const QString kProduct = QStringLiteral("Vantrelis Import for OpenText eDOCS");

struct SettingCase {
    const char* name;
    SavedSetting setting;
    QString application;
    QString section;
    QString key;
    QString defaultValue;
};

class SavedSettingTest : public ::testing::TestWithParam<SettingCase> {};

TEST_P(SavedSettingTest, NamesItsPlaceAndReadsItsDefaultWhenNeverSaved) {
    const SettingCase& c = GetParam();
    EXPECT_EQ(c.setting.application(), c.application);
    EXPECT_EQ(c.setting.section(), c.section);
    EXPECT_EQ(c.setting.key(), c.key);
    QTemporaryDir dir;
    IniSettingsStore store(dir.path());
    EXPECT_EQ(c.setting.read(store).toStdString(), c.defaultValue.toStdString());
}

std::string SettingName(const ::testing::TestParamInfo<SettingCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SavedSettingTest,
    ::testing::Values(
        SettingCase{"Path", SavedSetting::Path(), kProduct, "General", "Path", ""},
        SettingCase{"RegisterAPI", SavedSetting::RegisterAPI(), "QORV", "General", "RegisterAPI", "0"},
        SettingCase{"RegisterQorvClasses", SavedSetting::RegisterQorvClasses(), "QORV", "General",
                    "RegisterQorvClasses", "0"},
        SettingCase{"ScreenLeft", SavedSetting::ScreenLeft(), kProduct, "General", "Screen.Left", ""},
        SettingCase{"ScreenTop", SavedSetting::ScreenTop(), kProduct, "General", "Screen.Top", ""},
        SettingCase{"LogFile", SavedSetting::LogFile("/var/x.LOG"), kProduct, "General", "LogFile",
                    "/var/x.LOG"},
        SettingCase{"LogMethod", SavedSetting::LogMethod(), kProduct, "General", "LogMethod", "1"},
        SettingCase{"LastImportFile", SavedSetting::LastImportFile(), kProduct, "General", "LastImportFile",
                    ""},
        SettingCase{"ComboImportSet", SavedSetting::ComboImportSet(), kProduct, "General", "ComboImportSet",
                    ""},
        SettingCase{"CheckAddNewDocs", SavedSetting::CheckAddNewDocs(), kProduct, "General",
                    "CheckAddNewDocs", "1"},
        SettingCase{"CheckAddExistingDocs", SavedSetting::CheckAddExistingDocs(), kProduct, "General",
                    "CheckAddExistingDocs", "1"},
        SettingCase{"CheckFillFromLine", SavedSetting::CheckFillFromLine(), kProduct, "General",
                    "CheckFillFromLine", "0"},
        SettingCase{"Library", SavedSetting::Library("DOCS"), kProduct, "Libraries", "DOCS", "1"},
        SettingCase{"WarningRegisterAPI", SavedSetting::WarningRegisterAPI(), kProduct, "Warning",
                    "RegisterAPI", "0"},
        SettingCase{"UniqueNameWarning", SavedSetting::UniqueNameWarning("DOCS"), kProduct, "DOCS",
                    "UniqueNameWarning", "0"}),
    SettingName);

class IniSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString productFile() const { return m_store.fileName(kProduct); }
    void writeProductFile(const QByteArray& text) {
        QFile file(productFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    QByteArray readProductFile() const {
        QFile file(productFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    IniSettingsStore m_store{m_dir.path()};
};

TEST_F(IniSettingsStoreTest, OneFilePerApplication) {
    EXPECT_EQ(productFile(), m_dir.path() + QStringLiteral("/Vantrelis Import for OpenText eDOCS.ini"));
    SavedSetting::RegisterAPI().save(m_store, QStringLiteral("-1"));
    SavedSetting::LogMethod().save(m_store, QStringLiteral("0"));
    EXPECT_TRUE(QFile::exists(m_dir.filePath(QStringLiteral("QORV.ini"))));
    EXPECT_EQ(SavedSetting::RegisterAPI().read(m_store), QStringLiteral("-1"));
    // The product's own "RegisterAPI" lives elsewhere and keeps its default.
    EXPECT_EQ(SavedSetting::WarningRegisterAPI().read(m_store), QStringLiteral("0"));
    EXPECT_EQ(SavedSetting::LogMethod().read(m_store), QStringLiteral("0"));
}

TEST_F(IniSettingsStoreTest, SectionsAreIniGroups) {
    SavedSetting::LogMethod().save(m_store, QStringLiteral("0"));
    SavedSetting::Library(QStringLiteral("DOCS")).save(m_store, QStringLiteral("0"));
    SavedSetting::UniqueNameWarning(QStringLiteral("DOCS")).save(m_store, QStringLiteral("-1"));
    const QByteArray text = readProductFile();
    EXPECT_TRUE(text.contains("[General]\nLogMethod=0\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("[Libraries]\nDOCS=0\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("[DOCS]\nUniqueNameWarning=-1\n")) << text.toStdString();
}

TEST_F(IniSettingsStoreTest, ReadsAHandWrittenFile) {
    writeProductFile("[General]\nLogFile=/srv/logs/import.log\nComboImportSet=Clients, Matters\n"
                     "[Libraries]\nDOCS=0\n");
    EXPECT_EQ(SavedSetting::LogFile(QString()).read(m_store), QStringLiteral("/srv/logs/import.log"));
    EXPECT_EQ(SavedSetting::ComboImportSet().read(m_store), QStringLiteral("Clients, Matters"));
    EXPECT_EQ(SavedSetting::Library(QStringLiteral("DOCS")).read(m_store), QStringLiteral("0"));
    EXPECT_EQ(SavedSetting::Library(QStringLiteral("OTHER")).read(m_store), QStringLiteral("1"));
}

TEST_F(IniSettingsStoreTest, TextsComeBackAsSaved) {
    const QString values[] = {QStringLiteral(""),
                              QStringLiteral("-1"),
                              QStringLiteral("Clients, Matters"),
                              QStringLiteral(" leading and trailing "),
                              QStringLiteral("@at"),
                              QStringLiteral("C:\\Logs\\run.log"),
                              QStringLiteral("/home/gary/Import Files/x;y#z.csv"),
                              QStringLiteral("quote \" and apostrophe '"),
                              QString::fromUtf8("M\u00fcller \u2122"),
                              QStringLiteral("=equals=")};
    for (const QString& value : values) {
        SavedSetting::LastImportFile().save(m_store, value);
        EXPECT_EQ(SavedSetting::LastImportFile().read(m_store).toStdString(), value.toStdString());
    }
}

TEST_F(IniSettingsStoreTest, LibraryNamesWithOddCharactersAreKeys) {
    const QString names[] = {QStringLiteral("My Lib"), QStringLiteral("A/B"), QString::fromUtf8("\u00c4rger"),
                             QStringLiteral("semi;colon")};
    for (const QString& name : names)
        SavedSetting::Library(name).save(m_store, QStringLiteral("0"));
    for (const QString& name : names)
        EXPECT_EQ(SavedSetting::Library(name).read(m_store), QStringLiteral("0")) << name.toStdString();
}

TEST_F(IniSettingsStoreTest, CorruptFileGivesTheDefaults) {
    const QByteArray corrupt[] = {
        "[General\nLogMethod=0\n",
        "[General]\nA=\"unterminated\nLogMethod=0\n",
        "[General]\nLogMethod=@Variant(\\0\\0\\0\\x7f)\n",
    };
    for (const QByteArray& text : corrupt) {
        writeProductFile(text);
        EXPECT_EQ(SavedSetting::LogMethod().read(m_store), QStringLiteral("1")) << text.toStdString();
    }
}

TEST_F(IniSettingsStoreTest, UnreadableFileGivesTheDefaultsAndSavingDoesNotFail) {
    ASSERT_TRUE(QDir().mkpath(productFile()));
    EXPECT_EQ(SavedSetting::CheckAddNewDocs().read(m_store), QStringLiteral("1"));
    SavedSetting::CheckAddNewDocs().save(m_store, QStringLiteral("0"));
    EXPECT_EQ(SavedSetting::CheckAddNewDocs().read(m_store), QStringLiteral("1"));
}

TEST_F(IniSettingsStoreTest, SavingCreatesTheFolder) {
    IniSettingsStore nested(m_dir.filePath(QStringLiteral("a/b/vantrelis")));
    SavedSetting::ComboImportSet().save(nested, QStringLiteral("CLIENTS"));
    EXPECT_EQ(SavedSetting::ComboImportSet().read(nested), QStringLiteral("CLIENTS"));
}

TEST(IniSettingsStoreFolder, HonoursXdgConfigHome) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    EXPECT_EQ(IniSettingsStore().folder(), dir.path() + QStringLiteral("/vantrelis"));
    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace vantrelis
