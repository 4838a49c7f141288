#include "common/Text.h"

#include <gtest/gtest.h>

namespace vantrelis {
namespace {

struct NumberCase {
    const char* text;
    double number;
    qint64 whole;
};

class LeadingNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumberTest, ReadsTheNumberAtTheStart) {
    const QString text = QString::fromUtf8(GetParam().text);
    EXPECT_DOUBLE_EQ(LeadingNumber(text), GetParam().number);
    EXPECT_EQ(LeadingWhole(text), GetParam().whole);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingNumberTest,
    ::testing::Values(NumberCase{"", 0, 0}, NumberCase{"abc", 0, 0}, NumberCase{"12ab", 12, 12},
                      NumberCase{" -3.5x", -3.5, -4}, NumberCase{"127.6", 127.6, 128},
                      NumberCase{"127.4", 127.4, 127}, NumberCase{"2.5", 2.5, 3},
                      NumberCase{"-2.5", -2.5, -3}, NumberCase{"+7", 7, 7}, NumberCase{"-", 0, 0},
                      NumberCase{".", 0, 0}, NumberCase{".5", 0.5, 1}, NumberCase{"5.", 5, 5},
                      NumberCase{"1.2.3", 1.2, 1}, NumberCase{"\t 42 ", 42, 42}, NumberCase{"- 5", 0, 0},
                      NumberCase{"255", 255, 255}, NumberCase{"-1", -1, -1}, NumberCase{"1e3", 1, 1},
                      NumberCase{"\u0661\u0662", 0, 0}, NumberCase{"4294967296", 4294967296.0, 4294967296LL},
                      NumberCase{"99999999999999999999999", 1e23, 9200000000000000000LL},
                      NumberCase{"-99999999999999999999999", -1e23, -9200000000000000000LL}));

struct TrimCase {
    const char* text;
    const char* both;
    const char* left;
    const char* right;
};

class TrimBlanksTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimBlanksTest, TrimsBlanksOnly) {
    const QString text = QString::fromUtf8(GetParam().text);
    EXPECT_EQ(TrimBlanks(text).toStdString(), GetParam().both);
    EXPECT_EQ(TrimLeftBlanks(text).toStdString(), GetParam().left);
    EXPECT_EQ(TrimRightBlanks(text).toStdString(), GetParam().right);
}

INSTANTIATE_TEST_SUITE_P(Texts, TrimBlanksTest,
                         ::testing::Values(TrimCase{"", "", "", ""}, TrimCase{"   ", "", "", ""},
                                           TrimCase{" a b ", "a b", "a b ", " a b"},
                                           TrimCase{"\ta\t", "\ta\t", "\ta\t", "\ta\t"},
                                           TrimCase{" \r\n", "\r\n", "\r\n", " \r\n"}));

TEST(FormatWhole, WritesPlainDecimals) {
    const struct {
        qint64 value;
        const char* text;
    } rows[] = {{0, "0"},
                {1234567, "1234567"},
                {-42, "-42"},
                {-2147417851, "-2147417851"},
                {4294967296LL, "4294967296"}};
    for (const auto& row : rows)
        EXPECT_EQ(FormatWhole(row.value).toStdString(), row.text);
}

TEST(Line, RepeatsTheCharacter) {
    EXPECT_EQ(Line(QLatin1Char('='), 60), QString(60, QLatin1Char('=')));
    EXPECT_EQ(Line(QLatin1Char('-'), 70).size(), 70);
    EXPECT_TRUE(Line(QLatin1Char('-'), 0).isEmpty());
}

} // namespace
} // namespace vantrelis
