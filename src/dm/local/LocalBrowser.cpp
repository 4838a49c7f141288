#include "dm/local/LocalBrowser.h"

namespace vantrelis::dm::local {

void LocalBrowser::setCompanion(std::shared_ptr<DmCompanion> companion, std::shared_ptr<DmObject> reserved) {
    m_companion = std::move(companion);
    m_reserved = std::move(reserved);
}

} // namespace vantrelis::dm::local
