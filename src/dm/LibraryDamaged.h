#pragma once

#include "common/Fault.h"

namespace vantrelis::dm {

// The fault of a library whose database the engine reports as damaged (corrupt, or no database at
// all). It is not the failure of one statement: nothing more can run on that library, so it passes
// the SQL gateway's own trap and fails the library's connection.
class LibraryDamaged : public Fault {
public:
    using Fault::Fault;
};

} // namespace vantrelis::dm
