#pragma once

#include "dm/DmFactory.h"
#include "dm/local/LocalServer.h"

#include <QString>

namespace vantrelis::dm::local {

// Registers the local backend's classes ("DOCSObjects.Application", "PCDClient.PCDSQL",
// "DOCSBrowser.Browser", "DOCSBrowser.Companion") on a factory. Every object created through this
// registration shares one server (one login, one connection per library). A program that only looks
// (a check) opens its libraries for reading only: the engine itself then refuses any write.
void RegisterLocalBackend(vantrelis::dm::DmFactory& factory,
                          const QString& serverFile = LocalServer::DefaultServerFile(),
                          LibraryDatabase::Access access = LibraryDatabase::Access::ReadWrite);

} // namespace vantrelis::dm::local
