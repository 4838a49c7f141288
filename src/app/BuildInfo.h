#pragma once

#include <QString>

namespace vantrelis::app {

// The build the splash and About windows show: "Build " + BuildNumber() + " - " + BuildDate().
QString BuildNumber();
// The day the program was built, as "MMM D, YYYY".
QString BuildDate();

} // namespace vantrelis::app
