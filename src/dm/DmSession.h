#pragma once

#include "dm/DmApplication.h"
#include "dm/DmBrowser.h"
#include "dm/DmFolder.h"
#include "dm/DmLibraries.h"
#include "dm/DmLibrary.h"
#include "dm/DmProfile.h"
#include "dm/DmRunJournal.h"
#include "dm/DmSql.h"

#include <QString>
#include <memory>

namespace vantrelis::dm {

// The DM object slots, one each, shared by every procedure that talks to DM. Login fills them in
// the order application, token, SQL object, libraries; ConnectLibrary sets the current library.
struct DmSession {
    std::shared_ptr<DmBrowser> browser;
    std::shared_ptr<DmCompanion> companion;
    std::shared_ptr<DmApplication> application;
    // The application's DST, taken once at login and given to the SQL object on every bind.
    QString token;
    std::shared_ptr<DmSql> sql;
    std::shared_ptr<DmLibraries> libraries;
    std::shared_ptr<DmLibrary> currentLibrary;
    // Working objects of the folder and security engines.
    std::shared_ptr<DmFolder> currentFolder;
    std::shared_ptr<DmProfile> currentProfile;
    // The current library's journal while a run writes to it; empty otherwise (a check, a library
    // without the journal tables).
    std::shared_ptr<DmRunJournal> journal;

    // Name of the current library, empty when none is set.
    QString LibraryName() const;

    // Empties the slots in shutdown order: libraries, current library, SQL object, current profile
    // (closed first), application; then closes the browser's companion. Never raises.
    void Release() noexcept;
};

} // namespace vantrelis::dm
