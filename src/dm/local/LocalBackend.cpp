#include "dm/local/LocalBackend.h"

#include "dm/local/LocalApplication.h"
#include "dm/local/LocalBrowser.h"
#include "dm/local/LocalCompanion.h"
#include "dm/local/LocalSql.h"

namespace vantrelis::dm::local {

void RegisterLocalBackend(DmFactory& factory, const QString& serverFile, LibraryDatabase::Access access) {
    // Loaded when the first object is made, so registering costs nothing and reads the file then.
    auto holder = std::make_shared<std::shared_ptr<LocalServer>>();
    auto server = [holder, serverFile, access]() {
        if (!*holder) {
            *holder = LocalServer::Load(serverFile);
            (*holder)->setAccess(access);
        }
        return *holder;
    };
    factory.registerClass(QString::fromLatin1(kApplicationClass),
                          [server]() { return std::make_shared<LocalApplication>(server()); });
    factory.registerClass(QString::fromLatin1(kSqlClass),
                          [server]() { return std::make_shared<LocalSql>(server()); });
    factory.registerClass(QString::fromLatin1(kBrowserClass),
                          []() { return std::make_shared<LocalBrowser>(); });
    factory.registerClass(QString::fromLatin1(kCompanionClass),
                          []() { return std::make_shared<LocalCompanion>(); });
}

} // namespace vantrelis::dm::local
