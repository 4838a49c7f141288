#pragma once

#include "dm/DmObject.h"

#include <memory>

namespace vantrelis::dm {

// The DM browser's companion object, closed at shutdown.
class DmCompanion : public DmObject {
public:
    virtual void close() = 0;
};

// The DM browser object, created before the application object and released after login.
class DmBrowser : public DmObject {
public:
    virtual void setCompanion(std::shared_ptr<DmCompanion> companion, std::shared_ptr<DmObject> reserved) = 0;
};

} // namespace vantrelis::dm
