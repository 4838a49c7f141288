#pragma once

#include "dm/DmApplication.h"
#include "dm/local/LocalServer.h"

#include <memory>
#include <vector>

namespace vantrelis::dm::local {

class LocalLibrary;

// "DOCSObjects.Application": the login to the local server and the login's libraries.
class LocalApplication : public DmApplication {
public:
    explicit LocalApplication(std::shared_ptr<LocalServer> server);

    void setWindowHandle(quintptr handle) override { m_windowHandle = handle; }
    // Logs in on first read; later reads answer the same token while it stays valid.
    QString dst() override;
    QString errorText() const override;
    // nullptr until logged in.
    std::shared_ptr<DmLibraries> libraries() override;
    std::shared_ptr<DmLibrary> currentLibrary() override;
    std::shared_ptr<DmLibrary> primaryLibrary() override;

private:
    bool loggedIn() const;
    std::shared_ptr<DmLibrary> byName(const QString& name);

    std::shared_ptr<LocalServer> m_server;
    quintptr m_windowHandle = 0; // no login dialog here; kept as DM keeps it
    QString m_token;
    // One object per library for the whole login, so every caller sees the same library state.
    std::vector<std::shared_ptr<LocalLibrary>> m_libraries;
};

} // namespace vantrelis::dm::local
