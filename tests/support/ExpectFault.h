#pragma once

#include <QString>
#include <functional>
#include <source_location>

namespace vantrelis::testing {

// Runs `work` and expects it to raise a vantrelis::Fault numbered `number`. Answers the fault's
// description, so that a test can check the text as well; any other outcome (no fault, another
// number, another exception) fails the test at the caller's line and answers empty text.
QString ExpectFault(qint64 number, const std::function<void()>& work,
                    std::source_location where = std::source_location::current());

} // namespace vantrelis::testing
