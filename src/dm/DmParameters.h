#pragma once

#include "dm/DmObject.h"

#include <QString>
#include <QVariant>

namespace vantrelis::dm {

// A library's parameters for the logged-in user ("User.CreateFolder", "DOCSParms.UniqueDocNames", ...).
class DmParameters : public DmObject {
public:
    virtual int count() const = 0;
    // 1-based.
    virtual QString name(int index) const = 0;
    // By name, ignoring case; an invalid QVariant when the library does not report it.
    virtual QVariant value(const QString& name) const = 0;
};

} // namespace vantrelis::dm
