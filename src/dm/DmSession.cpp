#include "dm/DmSession.h"

namespace vantrelis::dm {

QString DmSession::LibraryName() const {
    return currentLibrary ? currentLibrary->name() : QString();
}

void DmSession::Release() noexcept {
    libraries.reset();
    currentLibrary.reset();
    sql.reset();
    if (currentProfile) {
        try {
            currentProfile->close();
        } catch (...) {
        }
        currentProfile.reset();
    }
    currentFolder.reset();
    application.reset();
    browser.reset();
    if (companion) {
        try {
            companion->close();
        } catch (...) {
        }
        companion.reset();
    }
}

} // namespace vantrelis::dm
