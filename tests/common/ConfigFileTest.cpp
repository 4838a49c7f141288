#include "common/ConfigFile.h"
#include "common/IniSettingsStore.h"
#include "common/ProductInfo.h"
#include "common/SavedSetting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vantrelis {
namespace {

// A file of its own kind in place of a configuration file; answers false when it cannot be made.
enum class Kind { Small, Missing, Folder, Fifo, Device, Huge };

bool Make(Kind kind, const QString& path) {
    QFile file(path);
    switch (kind) {
    case Kind::Small:
        return file.open(QIODevice::WriteOnly) && file.write("[General]\nLogMethod=0\n") > 0;
    case Kind::Missing:
        return true;
    case Kind::Folder:
        return QDir().mkpath(path);
    case Kind::Fifo:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    case Kind::Device:
        return QFile::link(QStringLiteral("/dev/zero"), path);
    case Kind::Huge:
        // Sparse: one byte over the limit costs no disk.
        return file.open(QIODevice::WriteOnly) && file.resize(kMaxConfigFileBytes + 1);
    }
    return false;
}

// Configuration files are read only when regular and small; an input file only needs to be regular.
TEST(ConfigFileTest, OnlyRegularFilesOfSaneSizeAreRead) {
    const struct {
        Kind kind;
        bool reads;
        const char* problem;
        const char* readable; // why it cannot be read as an input file
    } cases[] = {
        {Kind::Small, true, "", ""},
        {Kind::Missing, false, "does not exist", "it does not exist"},
        {Kind::Folder, false, "not a regular file", "it is not a regular file"},
        {Kind::Fifo, false, "not a regular file", "it is not a regular file"},
        {Kind::Device, false, "not a regular file", "it is not a regular file"},
        {Kind::Huge, false, "larger than 16 MiB", ""},
    };
    QTemporaryDir dir;
    int number = 0;
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::number(++number));
        SCOPED_TRACE(number);
        ASSERT_TRUE(Make(c.kind, path));
        QByteArray contents;
        QString problem;
        EXPECT_EQ(ReadConfigFile(path, contents, problem), c.reads);
        EXPECT_TRUE(problem.contains(QLatin1String(c.problem))) << problem.toStdString();
        EXPECT_EQ(contents.isEmpty(), !c.reads);
        EXPECT_EQ(ReadableFileProblem(path).toStdString(), c.readable);

        // The settings store neither hangs on such a file nor writes to it, and says why.
        IniSettingsStore store(dir.path());
        const QString settingsFile = store.fileName(ProductName());
        QFile::remove(settingsFile);
        ASSERT_TRUE(Make(c.kind, settingsFile));
        const bool usable = c.reads || c.kind == Kind::Missing;
        EXPECT_EQ(store.problem(ProductName()).isEmpty(), usable);
        if (!usable) {
            EXPECT_TRUE(store.problem(ProductName()).contains(settingsFile));
        }
        EXPECT_EQ(SavedSetting::LogMethod().read(store), c.reads ? QStringLiteral("0") : QStringLiteral("1"));
        SavedSetting::ComboImportSet().save(store, QStringLiteral("CLIENTS"));
        EXPECT_EQ(SavedSetting::ComboImportSet().read(store), usable ? QStringLiteral("CLIENTS") : QString());
        QFile::remove(settingsFile);
        QDir(settingsFile).removeRecursively();
    }
}

} // namespace
} // namespace vantrelis
