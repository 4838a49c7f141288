#pragma once

#include "dm/DmLibraries.h"

#include <QString>
#include <memory>

namespace vantrelis::dm {

// The DM application object ("DOCSObjects.Application").
class DmApplication : public DmObject {
public:
    // Handed the main window's handle before DST is read.
    virtual void setWindowHandle(quintptr handle) = 0;
    // The login token; reading it logs in. Empty means nobody is logged in.
    virtual QString dst() = 0;
    // Why the last login failed (the server file, the user or a library); empty after a login.
    virtual QString errorText() const = 0;
    virtual std::shared_ptr<DmLibraries> libraries() = 0;
    // The user's current library; nullptr when there is none.
    virtual std::shared_ptr<DmLibrary> currentLibrary() = 0;
    // The user's primary library.
    virtual std::shared_ptr<DmLibrary> primaryLibrary() = 0;
};

} // namespace vantrelis::dm
