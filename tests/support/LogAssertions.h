#pragma once

#include <QStringList>
#include <gtest/gtest.h>

namespace vantrelis::testing {

// The expected lines occur in the log in this order (other lines may lie between them).
::testing::AssertionResult InOrder(const QStringList& lines, const QStringList& expected);

} // namespace vantrelis::testing
