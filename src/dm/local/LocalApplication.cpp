#include "dm/local/LocalApplication.h"

#include "dm/local/LocalLibraries.h"
#include "dm/local/LocalLibrary.h"

namespace vantrelis::dm::local {

LocalApplication::LocalApplication(std::shared_ptr<LocalServer> server) : m_server(std::move(server)) {}

QString LocalApplication::dst() {
    if (!loggedIn()) {
        m_token = m_server->login();
        m_libraries.clear();
        if (!m_token.isEmpty()) {
            for (const QString& name : m_server->libraryNames())
                m_libraries.push_back(std::make_shared<LocalLibrary>(m_server, name));
        }
    }
    return m_token;
}

QString LocalApplication::errorText() const {
    return loggedIn() ? QString() : m_server->lastError();
}

bool LocalApplication::loggedIn() const {
    return !m_token.isEmpty() && m_server->isValidToken(m_token);
}

std::shared_ptr<DmLibraries> LocalApplication::libraries() {
    if (!loggedIn())
        return nullptr;
    return std::make_shared<LocalLibraries>(m_libraries);
}

std::shared_ptr<DmLibrary> LocalApplication::byName(const QString& name) {
    if (!loggedIn())
        return nullptr;
    for (const auto& library : m_libraries) {
        if (library->name().compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return library;
    }
    return nullptr;
}

std::shared_ptr<DmLibrary> LocalApplication::currentLibrary() {
    return byName(m_server->currentLibrary());
}

std::shared_ptr<DmLibrary> LocalApplication::primaryLibrary() {
    return byName(m_server->primaryLibrary());
}

} // namespace vantrelis::dm::local
