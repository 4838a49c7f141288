#pragma once

#include "dm/DmFolder.h"
#include "dm/DmParameters.h"
#include "dm/DmProfile.h"
#include "dm/DmRunJournal.h"

#include <QString>
#include <memory>

namespace vantrelis::dm {

// One DM library of the login.
class DmLibrary : public DmObject {
public:
    virtual QString name() const = 0;
    // The preparation call made before UserName is read.
    virtual void prepare() = 0;
    // Current user's ID; empty when not connected.
    virtual QString userName() const = 0;
    virtual QString primaryGroup() const = 0;
    // Why the library is not connected (its file, its user, a lock), when UserName is empty.
    virtual QString errorText() const { return QString(); }
    // Whether that failure passes by itself (another writer held the library): the library is
    // sound and may be tried again later.
    virtual bool errorIsPassing() const { return false; }
    // Whether another writer has held the library's write lock for as long as the library waits for
    // it: writes fail at once until it is released. The library is sound; the work may be done later.
    virtual bool heldByAnotherWriter() const { return false; }
    virtual std::shared_ptr<DmParameters> parameters() = 0;
    // nullptr when the library has no such document.
    virtual std::shared_ptr<DmProfile> profile(qint64 docNumber) = 0;
    virtual std::shared_ptr<DmFolder> newFolder() = 0;
    // nullptr when the document number is no folder of this library.
    virtual std::shared_ptr<DmFolder> folder(qint64 docNumber) = 0;
    // The library's run journal (the same object on every call); nullptr when the library has no
    // journal tables.
    virtual std::shared_ptr<DmRunJournal> runJournal() { return nullptr; }
};

} // namespace vantrelis::dm
