#pragma once

#include "dm/DmProfile.h"

#include <QString>
#include <memory>

namespace vantrelis::dm {

// A DM folder: a new one (from DmLibrary::newFolder) or an existing one by document number.
class DmFolder : public DmObject {
public:
    virtual QString name() const = 0;
    virtual void setName(const QString& name) = 0;
    virtual void setSecondaryName(const QString& text) = 0;
    // 0 until a new folder has been saved.
    virtual qint64 docNumber() const = 0;
    virtual bool isPublic() const = 0;
    virtual void setPublic(bool isPublic) = 0;
    virtual int itemCount() const = 0;
    virtual std::shared_ptr<DmProfile> profile() = 0;
    // Save mode 3. A public folder is added to the root list.
    virtual bool save(int mode) = 0;
    // Number and text of the last failed call on this folder or its profile.
    virtual qint64 errorNumber() const = 0;
    virtual QString errorText() const = 0;
};

} // namespace vantrelis::dm
