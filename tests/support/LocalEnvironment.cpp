#include "support/LocalEnvironment.h"

#include <QFile>
#include <QTextStream>

namespace vantrelis::testing {

LocalEnvironment::LocalEnvironment() : m_serverFile(m_folder.filePath(QStringLiteral("dm-server.ini"))) {}

dm::local::LibraryAdmin& LocalEnvironment::AddLibrary(const QString& name, int engineCode,
                                                      bool settingsTable) {
    const QString file = m_folder.filePath(name.toLower() + QStringLiteral(".db"));
    auto admin = dm::local::LibraryAdmin::CreateLibrary(file, engineCode, name);
    admin.batch([&] {
        admin.addGroup(QStringLiteral("DOCS_SUPERVISORS"), QStringLiteral("Supervisors"), 255);
        admin.addGroup(QStringLiteral("DOCS_USERS"), QStringLiteral("Users"), 0);
        admin.addPerson(QLatin1String(kUser), QStringLiteral("Test User"),
                        QStringLiteral("DOCS_SUPERVISORS"));
        if (settingsTable)
            admin.addSettingsTable();
    });
    m_entries.push_back({name, file, engineCode});
    auto [it, inserted] = m_admins.insert_or_assign(name, std::move(admin));
    return it->second;
}

QString LocalEnvironment::WriteServerFile(const QString& currentLibrary) {
    QFile file(m_serverFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    QTextStream out(&file);
    QStringList names;
    for (const Entry& entry : m_entries)
        names.append(entry.name);
    out << "[Server]\n";
    out << "User=" << kUser << "\n";
    out << "Libraries=" << names.join(QLatin1Char(',')) << "\n";
    out << "CurrentLibrary="
        << (currentLibrary.isEmpty() && !names.isEmpty() ? names.first() : currentLibrary) << "\n";
    for (const Entry& entry : m_entries) {
        out << "\n[Library." << entry.name << "]\n";
        out << "Database=" << entry.file << "\n";
        out << "Engine=" << entry.engineCode << "\n";
    }
    return m_serverFile;
}

} // namespace vantrelis::testing
