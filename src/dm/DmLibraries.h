#pragma once

#include "dm/DmLibrary.h"

#include <memory>

namespace vantrelis::dm {

// The login's libraries collection.
class DmLibraries : public DmObject {
public:
    virtual int count() const = 0;
    // 1-based; nullptr when out of range.
    virtual std::shared_ptr<DmLibrary> item(int index) const = 0;
};

} // namespace vantrelis::dm
