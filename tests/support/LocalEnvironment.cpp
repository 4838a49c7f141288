#include "support/LocalEnvironment.h"
#include "config/FolderRuleDefinition.h"

#include "dm/local/LibraryDatabase.h"

#include <QFile>
#include <QTextStream>

namespace vantrelis::testing {

LocalEnvironment::LocalEnvironment() : m_serverFile(m_folder.filePath(QStringLiteral("dm-server.ini"))) {}

QString LocalEnvironment::libraryFile(const QString& name) const {
    return m_folder.filePath(name.toLower() + QStringLiteral(".db"));
}

dm::local::LibraryAdmin& LocalEnvironment::CreateLibrary(const QString& name, int engineCode) {
    const QString file = libraryFile(name);
    auto admin = dm::local::LibraryAdmin::CreateLibrary(file, engineCode, name);
    m_entries.push_back({name, file, engineCode});
    auto [it, inserted] = m_admins.insert_or_assign(name, std::move(admin));
    return it->second;
}

dm::local::LibraryAdmin& LocalEnvironment::AddLibrary(const QString& name, int engineCode,
                                                      bool settingsTable) {
    dm::local::LibraryAdmin& admin = CreateLibrary(name, engineCode);
    admin.batch([&] {
        admin.addGroup(QStringLiteral("DOCS_SUPERVISORS"), QStringLiteral("Supervisors"), 255);
        admin.addGroup(QStringLiteral("DOCS_USERS"), QStringLiteral("Users"), 0);
        admin.addPerson(QLatin1String(kUser), QStringLiteral("Test User"),
                        QStringLiteral("DOCS_SUPERVISORS"));
        if (settingsTable)
            admin.addSettingsTable();
    });
    return admin;
}

std::shared_ptr<dm::local::LibraryDatabase> LocalEnvironment::CreateDatabase(const QString& name,
                                                                             int engineCode) {
    const QString file = libraryFile(name);
    auto database = dm::local::LibraryDatabase::Create(file, engineCode);
    m_entries.push_back({name, file, engineCode});
    return database;
}

FolderRuleDefinition LocalEnvironment::Rule(const QString& name) {
    FolderRuleDefinition rule;
    rule.name = name;
    return rule;
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
    out << "User=" << m_user << "\n";
    out << "Libraries=" << names.join(QLatin1Char(',')) << "\n";
    out << "CurrentLibrary="
        << (currentLibrary.isEmpty() && !names.isEmpty() ? names.first() : currentLibrary) << "\n";
    if (!m_primaryLibrary.isEmpty())
        out << "PrimaryLibrary=" << m_primaryLibrary << "\n";
    for (const Entry& entry : m_entries) {
        out << "\n[Library." << entry.name << "]\n";
        out << "Database=" << entry.file << "\n";
        out << "Engine=" << entry.engineCode << "\n";
    }
    return m_serverFile;
}

QStringList StoredImportSet(dm::local::LibraryAdmin& admin, const QString& setName) {
    const auto result = admin.database().query(
        QStringLiteral("SELECT CHAR_VAL FROM DOCSADM.QORV_SETTINGS WHERE SECTION_KEY = 'IMPORT_FOLDERS' "
                       "AND SUB_KEY = ?1 ORDER BY INT_VAL"),
        {setName});
    QStringList rows;
    for (const auto& row : result.rows)
        rows.append(row.at(0).toString());
    return rows;
}

} // namespace vantrelis::testing
