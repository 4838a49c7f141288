#include "common/SqlText.h"

#include <gtest/gtest.h>

namespace vantrelis {
namespace {

struct EscapeCase {
    const char* text;
    const char* escaped;
};

class EscapeSQLTextTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeSQLTextTest, PreparesAQuotedLiteral) {
    EXPECT_EQ(EscapeSQLText(QString::fromUtf8(GetParam().text)).toStdString(), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(Texts, EscapeSQLTextTest,
                         ::testing::Values(EscapeCase{"  O'Brien\r\nFiles  ", "O''Brien  Files"},
                                           EscapeCase{"", ""}, EscapeCase{"   ", ""}, EscapeCase{"'", "''"},
                                           EscapeCase{"''", "''''"}, EscapeCase{"it's ", "it''s"},
                                           EscapeCase{"a\rb\nc", "a b c"}, EscapeCase{"\r\n", ""},
                                           EscapeCase{" \r\n x \r\n ", "x"}, EscapeCase{"plain", "plain"},
                                           EscapeCase{"M\u00fcller's", "M\u00fcller''s"}));

} // namespace
} // namespace vantrelis
