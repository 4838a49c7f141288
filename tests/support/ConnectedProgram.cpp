#include "support/ConnectedProgram.h"

#include "dm/local/LocalBackend.h"

namespace vantrelis::testing {

ConnectedProgram::ConnectedProgram(const QString& serverFile) {
    harness.Attach(context.log());
    dm::local::RegisterLocalBackend(context.factory(), serverFile);
    context.connection().setView(&view);
}

} // namespace vantrelis::testing
