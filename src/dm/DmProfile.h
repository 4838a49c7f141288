#pragma once

#include "dm/DmColumns.h"
#include "dm/DmTrustees.h"

#include <memory>

namespace vantrelis::dm {

// A document or folder profile.
class DmProfile : public DmObject {
public:
    virtual std::shared_ptr<DmColumns> columns() = 0;
    // nullptr when the profile has no trustee list.
    virtual std::shared_ptr<DmTrustees> trustees() = 0;
    // Opens the profile for changes (mode 19 = 16 + save mode 3); 1 means opened.
    virtual int open(int mode) = 0;
    virtual void close() = 0;
    // Writes the columns and trustee changes (mode 3); false leaves an error number and text.
    virtual bool save(int mode) = 0;
    virtual qint64 errorNumber() const = 0;
    virtual QString errorText() const = 0;
};

} // namespace vantrelis::dm
