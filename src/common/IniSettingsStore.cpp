#include "common/IniSettingsStore.h"

#include "common/ConfigFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

namespace vantrelis {

namespace {

// QSettings keeps the keys of the INI section [General] at its top level; mapping the section "General"
// there keeps the file reading "[General]" as one would write it by hand.
QString KeyPath(const QString& section, const QString& key) {
    if (section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return key;
    return section + QLatin1Char('/') + key;
}

} // namespace

IniSettingsStore::IniSettingsStore() : IniSettingsStore(UserConfigFolder()) {}

IniSettingsStore::IniSettingsStore(QString folder) : m_folder(std::move(folder)) {}

QString IniSettingsStore::UserConfigFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/vantrelis");
}

QString IniSettingsStore::fileName(const QString& application) const {
    return QDir(m_folder).filePath(application + QStringLiteral(".ini"));
}

QString IniSettingsStore::problem(const QString& application) const {
    const QString path = fileName(application);
    const QString problem = ConfigFileProblem(path);
    return problem.isEmpty() ? QString()
                             : QStringLiteral("The settings file %1 cannot be used: %2").arg(path, problem);
}

QString IniSettingsStore::read(const QString& application, const QString& section, const QString& key,
                               const QString& defaultValue) const {
    try {
        const QString path = fileName(application);
        if (!QFileInfo(path).isFile() || !ConfigFileProblem(path).isEmpty())
            return defaultValue;
        const QSettings settings(path, QSettings::IniFormat);
        if (settings.status() != QSettings::NoError)
            return defaultValue;
        const QVariant value = settings.value(KeyPath(section, key));
        if (!value.isValid())
            return defaultValue;
        // An unquoted "a, b" written by hand reads as a list; the setting is one text.
        if (value.typeId() == QMetaType::QStringList)
            return value.toStringList().join(QStringLiteral(", "));
        if (!value.canConvert<QString>())
            return defaultValue;
        return value.toString();
    } catch (...) {
        return defaultValue;
    }
}

void IniSettingsStore::save(const QString& application, const QString& section, const QString& key,
                            const QString& value) {
    try {
        // QSettings reads the whole file before it writes one key.
        if (!ConfigFileProblem(fileName(application)).isEmpty())
            return;
        QDir().mkpath(m_folder);
        QSettings settings(fileName(application), QSettings::IniFormat);
        settings.setValue(KeyPath(section, key), value);
        settings.sync();
    } catch (...) {
    }
}

} // namespace vantrelis
