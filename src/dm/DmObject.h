#pragma once

#include <memory>

namespace vantrelis::dm {

// Base of every object the DM client hands out; objects are shared, as COM objects are.
class DmObject {
public:
    virtual ~DmObject() = default;
};

} // namespace vantrelis::dm
