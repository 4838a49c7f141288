#pragma once

#include "dm/DmColumn.h"

#include <memory>

namespace vantrelis::dm {

// A profile's column collection.
class DmColumns : public DmObject {
public:
    virtual int count() const = 0;
    // 1-based; nullptr when out of range.
    virtual std::shared_ptr<DmColumn> item(int index) const = 0;
    // By name, ignoring case ("$DEFAULT_RIGHTS" included); nullptr when there is none.
    virtual std::shared_ptr<DmColumn> item(const QString& name) const = 0;
    // Fills empty columns with the library's defaults for a new profile.
    virtual void fillDefaults() = 0;
};

} // namespace vantrelis::dm
