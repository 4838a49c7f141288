#pragma once

#include "dm/DmBrowser.h"

namespace vantrelis::dm::local {

// "DOCSBrowser.Companion": closed once at shutdown.
class LocalCompanion : public DmCompanion {
public:
    void close() override { m_closed = true; }
    bool isClosed() const { return m_closed; }

private:
    bool m_closed = false;
};

} // namespace vantrelis::dm::local
