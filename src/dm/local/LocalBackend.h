#pragma once

#include "dm/DmFactory.h"
#include "dm/local/LocalServer.h"

#include <QString>

namespace vantrelis::dm::local {

// Registers the local backend's classes ("DOCSObjects.Application", "PCDClient.PCDSQL",
// "DOCSBrowser.Browser", "DOCSBrowser.Companion") on a factory. Every object created through this
// registration shares one server (one login, one connection per library).
void RegisterLocalBackend(vantrelis::dm::DmFactory& factory,
                          const QString& serverFile = LocalServer::DefaultServerFile());

} // namespace vantrelis::dm::local
