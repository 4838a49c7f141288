#include "common/IniRegistry.h"

#include "common/ConfigFile.h"

#include <QFile>
#include <QStringList>

namespace vantrelis {

namespace {

QString Unquote(const QString& text) {
    if (text.size() < 2 || !text.startsWith(QLatin1Char('"')) || !text.endsWith(QLatin1Char('"')))
        return text;
    QString inner = text.mid(1, text.size() - 2);
    inner.replace(QLatin1String("\\\""), QLatin1String("\""));
    inner.replace(QLatin1String("\\\\"), QLatin1String("\\"));
    return inner;
}

QVariant ParseValue(const QString& text) {
    if (text.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        bool ok = false;
        const quint32 number = text.mid(6).trimmed().toUInt(&ok, 16);
        return ok ? QVariant(static_cast<qint64>(number)) : QVariant();
    }
    return Unquote(text);
}

QString NormalisedKey(QString path) {
    path = path.trimmed();
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path.toCaseFolded();
}

} // namespace

IniRegistry::IniRegistry(const QString& fileName) {
    QByteArray contents;
    QString problem;
    if (!fileName.isEmpty() && ReadConfigFile(fileName, contents, problem))
        Load(QString::fromUtf8(contents));
}

QString IniRegistry::EnvironmentFileName() {
    return qEnvironmentVariable("VANTRELIS_REGISTRY");
}

QString IniRegistry::HiveName(int hive) {
    switch (hive) {
    case HiveClassesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case HiveCurrentConfig:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    case HiveCurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case HiveLocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HiveUsers:
        return QStringLiteral("HKEY_USERS");
    default:
        return QString();
    }
}

void IniRegistry::AddKey(const QString& path) {
    QString key = path;
    while (!key.isEmpty() && !m_keys.contains(key)) {
        m_keys.insert(key);
        const qsizetype cut = key.lastIndexOf(QLatin1Char('\\'));
        key = cut < 0 ? QString() : key.left(cut);
    }
}

void IniRegistry::Load(const QString& text) {
    QString group;
    bool inGroup = false;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.startsWith(QChar(0xFEFF)))
            line = line.mid(1).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
            group = NormalisedKey(line.mid(1, close < 0 ? -1 : close - 1));
            inGroup = !group.isEmpty();
            if (inGroup)
                AddKey(group);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inGroup || equals < 0)
            continue;
        QString name = Unquote(line.left(equals).trimmed());
        if (name == QLatin1String("@"))
            name.clear();
        m_values[group].insert(name.toCaseFolded(), ParseValue(line.mid(equals + 1).trimmed()));
    }
}

std::optional<RegistryKey> IniRegistry::OpenKey(int hive, const QString& name) {
    const QString hiveName = HiveName(hive);
    if (hiveName.isEmpty())
        return std::nullopt;
    const RegistryKey root{hiveName};
    if (name.isEmpty())
        return root;
    return OpenSubKey(root, name);
}

std::optional<RegistryKey> IniRegistry::OpenSubKey(const RegistryKey& key, const QString& name) {
    // An empty name opens the same key again, as the registry does.
    if (name.isEmpty())
        return key;
    const QString path = key.path + QLatin1Char('\\') + name;
    if (!m_keys.contains(NormalisedKey(path)))
        return std::nullopt;
    return RegistryKey{path};
}

QVariant IniRegistry::ReadValue(const RegistryKey& key, const QString& name) {
    const auto values = m_values.constFind(NormalisedKey(key.path));
    if (values == m_values.constEnd())
        return QVariant();
    return values->value(name.toCaseFolded());
}

} // namespace vantrelis
