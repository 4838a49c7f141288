#pragma once

#include "dm/DmObject.h"

#include <QString>

namespace vantrelis::dm {

// One column of a profile's column collection.
class DmColumn : public DmObject {
public:
    virtual QString name() const = 0;
    virtual QString value() const = 0;
    // Raises a Fault on a protected column or a value the column cannot hold.
    virtual void setValue(const QString& value) = 0;
    virtual bool isProtected() const = 0;
};

} // namespace vantrelis::dm
