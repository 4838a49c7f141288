#include "support/ConnectedProgram.h"

#include "dm/local/LocalBackend.h"

namespace vantrelis::testing {

ConnectedProgram::ConnectedProgram(const QString& serverFile) {
    dm::local::RegisterLocalBackend(factory, serverFile);
    connection.setView(&view);
    connection.setConfigLoader(&configuration);
}

ConnectedProgram::~ConnectedProgram() {
    session.Release();
}

} // namespace vantrelis::testing
