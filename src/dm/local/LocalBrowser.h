#pragma once

#include "dm/DmBrowser.h"

#include <memory>

namespace vantrelis::dm::local {

// "DOCSBrowser.Browser": nothing to browse locally; it holds the companion it is handed.
class LocalBrowser : public DmBrowser {
public:
    void setCompanion(std::shared_ptr<DmCompanion> companion, std::shared_ptr<DmObject> reserved) override;
    const std::shared_ptr<DmCompanion>& companion() const { return m_companion; }

private:
    std::shared_ptr<DmCompanion> m_companion;
    std::shared_ptr<DmObject> m_reserved;
};

} // namespace vantrelis::dm::local
