#include "dm/local/LocalServer.h"

#include "common/ConfigFile.h"
#include "common/Fault.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/PgLibraryStore.h"
#include "dm/local/SqlTrace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

namespace vantrelis::dm::local {

namespace {

const QString kSource = QStringLiteral("LocalBackend");

// The server file is a small INI: [Section] lines, key=value lines, ';' or '#' comments (whole
// lines, or after whitespace at the end of a value). Keys compare without case. QSettings is not
// used: it would split "Libraries=A, B" into a list and treat backslashes specially.
using IniSections = QHash<QString, QHash<QString, QString>>;

bool ReadIni(const QString& file, IniSections& sections, QStringList& sectionOrder, QString& problem) {
    QByteArray contents;
    if (!ReadConfigFile(file, contents, problem))
        return false;
    QString section;
    const QStringList lines = QString::fromUtf8(contents).split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed().toUpper();
            if (!sectionOrder.contains(section))
                sectionOrder += section;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        QString value = line.mid(equals + 1);
        for (const QLatin1String marker :
             {QLatin1String(" ;"), QLatin1String("\t;"), QLatin1String(" #"), QLatin1String("\t#")}) {
            const qsizetype comment = value.indexOf(marker);
            if (comment >= 0)
                value.truncate(comment);
        }
        sections[section][line.left(equals).trimmed().toUpper()] = value.trimmed();
    }
    return true;
}

} // namespace

QString LocalServer::DefaultServerFile() {
    const QString fromEnvironment = qEnvironmentVariable("VANTRELIS_DM_SERVER");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QLatin1String("/.config");
    return configHome + QLatin1String("/vantrelis/dm-server.ini");
}

std::shared_ptr<LocalServer> LocalServer::Load(const QString& serverFile) {
    auto server = std::make_shared<LocalServer>();
    server->m_serverFile = serverFile;
    IniSections sections;
    QStringList sectionOrder;
    QString problem;
    if (!ReadIni(serverFile, sections, sectionOrder, problem)) {
        server->m_lastError =
            QStringLiteral("The DM server file %1 cannot be read: %2").arg(serverFile, problem);
        return server;
    }
    const auto& main = sections.value(QStringLiteral("SERVER"));
    server->m_userId = main.value(QStringLiteral("USER")).trimmed();

    QStringList names;
    const QString listed = main.value(QStringLiteral("LIBRARIES"));
    if (!listed.isEmpty()) {
        for (const QString& name : listed.split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (!name.trimmed().isEmpty())
                names += name.trimmed().toUpper();
    } else {
        for (const QString& section : sectionOrder)
            if (section.startsWith(QLatin1String("LIBRARY.")))
                names += section.mid(8).trimmed();
    }
    names.removeDuplicates();

    const QDir base = QFileInfo(serverFile).absoluteDir();
    for (const QString& name : std::as_const(names)) {
        const auto& values = sections.value(QLatin1String("LIBRARY.") + name);
        LibraryEntry entry;
        const QString database = values.value(QStringLiteral("DATABASE"));
        if (PgLibraryStore::IsUri(database))
            entry.file = database; // a library on a database server
        else if (!database.isEmpty())
            entry.file = QDir::cleanPath(base.absoluteFilePath(database));
        bool ok = false;
        const int engine = values.value(QStringLiteral("ENGINE")).toInt(&ok);
        entry.engineCode = ok && engine > 0 ? engine : kEngineMssql;
        server->m_entries.insert(name, entry);
    }
    server->m_libraryNames = names;
    server->m_currentLibrary = main.value(QStringLiteral("CURRENTLIBRARY")).trimmed().toUpper();
    if (server->m_currentLibrary.isEmpty() && !names.isEmpty())
        server->m_currentLibrary = names.first();
    server->m_primaryLibrary = main.value(QStringLiteral("PRIMARYLIBRARY")).trimmed().toUpper();
    if (server->m_primaryLibrary.isEmpty())
        server->m_primaryLibrary = server->m_currentLibrary;
    return server;
}

QString LocalServer::login() {
    m_token.clear();
    if (!m_lastError.isEmpty() && m_libraryNames.isEmpty() && m_userId.isEmpty())
        return QString(); // the server file itself could not be read; lastError says so
    if (m_userId.isEmpty()) {
        m_lastError =
            QStringLiteral("The DM server file %1 names no login user ([Server] User=)").arg(m_serverFile);
        return QString();
    }
    if (m_libraryNames.isEmpty()) {
        m_lastError = QStringLiteral("The DM server file %1 names no libraries").arg(m_serverFile);
        return QString();
    }
    if (!m_currentLibrary.isEmpty() && !m_entries.contains(m_currentLibrary)) {
        m_lastError = QStringLiteral("The current library %1 is not among the server's libraries")
                          .arg(m_currentLibrary);
        return QString();
    }
    // One unusable library (a bad file, a missing user) fails alone, when it is connected, with its
    // own reason; the login needs one library that knows the user.
    QStringList reasons;
    bool anyUsable = false;
    for (const QString& name : std::as_const(m_libraryNames)) {
        const QString reason = checkLibrary(name);
        if (reason.isEmpty()) {
            anyUsable = true;
            break;
        }
        reasons += reason;
    }
    if (!anyUsable) {
        m_lastError = reasons.join(QLatin1String("; "));
        return QString();
    }
    QByteArray random(16, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(random.data()), random.size() / 4);
    m_token = QString::fromLatin1(random.toHex());
    m_lastError.clear();
    return m_token;
}

QString LocalServer::checkLibrary(const QString& name) {
    if (m_entries.value(name).file.isEmpty())
        return QStringLiteral("Library %1 has no Database in the DM server file").arg(name);
    try {
        // Checked and closed again: a library's database stays open only once it is used, so a
        // login to many libraries does not hold their files.
        const auto db = m_open.contains(name) ? store(name) : openLibrary(name);
        const qint64 known = db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE "
                                                       "WHERE UPPER(USER_ID) = UPPER(?1)"),
                                        {m_userId})
                                 .toLongLong();
        if (known == 0)
            return QStringLiteral("User %1 is not known in library %2").arg(m_userId, name);
    } catch (const Fault& fault) {
        return QStringLiteral("Library %1: %2").arg(name, fault.description());
    }
    return QString();
}

bool LocalServer::isValidToken(const QString& token) const {
    return !m_token.isEmpty() && token == m_token;
}

int LocalServer::engineCode(const QString& libraryName) const {
    const auto found = m_entries.constFind(libraryName.trimmed().toUpper());
    return found == m_entries.constEnd() ? 0 : found->engineCode;
}

QString LocalServer::databaseFile(const QString& libraryName) const {
    return m_entries.value(libraryName.trimmed().toUpper()).file;
}

std::shared_ptr<LibraryDatabase> LocalServer::library(const QString& libraryName) {
    auto db = std::dynamic_pointer_cast<LibraryDatabase>(store(libraryName));
    if (!db)
        throw Fault(
            kErrorLibraryUnknown, kSource,
            QStringLiteral("Library %1 is on a database server, not in a library file").arg(libraryName));
    return db;
}

std::shared_ptr<LibraryStore> LocalServer::store(const QString& libraryName) {
    const QString name = libraryName.trimmed().toUpper();
    const auto open = m_open.constFind(name);
    // A library whose file was replaced under it is opened again: on the file that is there now.
    if (open != m_open.constEnd() && !(*open)->replaced())
        return *open;
    auto db = openLibrary(name);
    m_open.insert(name, db);
    return db;
}

std::shared_ptr<LibraryStore> LocalServer::openLibrary(const QString& name) {
    const auto entry = m_entries.constFind(name);
    if (entry == m_entries.constEnd()) {
        m_lastError = QStringLiteral("Library %1 is not known to the DM server").arg(name);
        throw Fault(kErrorLibraryUnknown, kSource, m_lastError);
    }
    try {
        std::shared_ptr<LibraryStore> db;
        if (PgLibraryStore::IsUri(entry->file))
            db = PgLibraryStore::Open(entry->file, entry->engineCode, name, m_access);
        else
            db = LibraryDatabase::Open(entry->file, entry->engineCode, m_access, name);
        if (!m_traceChecked) {
            m_traceChecked = true;
            m_trace = SqlTrace::FromEnvironment();
        }
        db->setTrace(m_trace);
        return db;
    } catch (const Fault& fault) {
        m_lastError = QStringLiteral("Library %1: %2").arg(name, fault.description());
        throw;
    }
}

} // namespace vantrelis::dm::local
