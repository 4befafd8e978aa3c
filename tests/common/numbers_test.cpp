// Number conversions of texts: integer value, real value, text of a number.
#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>

#include "common/numbers.h"

namespace quelvo {
namespace {

struct IntCase {
    const char* text;
    std::int32_t value;
};

TEST(Numbers, TextToInteger) {
    const IntCase cases[] = {
        {"", 0},
        {"abc", 0},
        {"12345", 12345},
        {"1.5", 1},
        {"-4", -4},
        {"+7", 7},
        {"  42x", 42},
        {"\t-0", 0},
        {"１２３", 123},
        {"　５", 5},
        {"－３", -3},
        {"12abc", 12},
        {"- 4", 0},
        {"99999999999", std::numeric_limits<std::int32_t>::max()},
        {"-99999999999", std::numeric_limits<std::int32_t>::min()},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"中1", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textToInteger(Text::fromUtf8(c.text)), c.value) << c.text;
    }
}

struct RealCase {
    const char* text;
    double value;
};

TEST(Numbers, RealValue) {
    const RealCase cases[] = {
        {"", 0},
        {"letters", 0},
        {"12abc", 12},
        {"1.5", 1.5},
        {"-5", -5},
        {"  47.9999999", 47.9999999},
        {"1e3", 1000},
        {"1e", 1},
        {".5", 0.5},
        {"5.", 5},
        {"-.", 0},
        {"１．５", 1.5},
        {"1e999", std::numeric_limits<double>::max()},
        {"-1e999", -std::numeric_limits<double>::max()},
        {"1e-999", 0},
        {"0.0000e999", 0},
        {"+2.5", 2.5},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(realValue(Text::fromUtf8(c.text)), c.value) << c.text;
    }
}

TEST(Numbers, NumberText) {
    EXPECT_EQ(numberText(47).bytes(), "47");
    EXPECT_EQ(numberText(-1).bytes(), "-1");
    EXPECT_EQ(numberText(0).bytes(), "0");
    EXPECT_EQ(numberText(1.5).bytes(), "1.5");
    EXPECT_EQ(numberText(1.0 / 3).bytes(), "0.3333333333333");
    EXPECT_EQ(numberText(1234567890123.0).bytes(), "1234567890123");
}

// The user's locale must not change what a number text means or how a number is written: under
// a decimal-comma locale "1.5" is still one and a half, and 1.5 is still written "1.5".
TEST(Numbers, IndependentOfTheLocale) {
    const std::string before = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locales-all is needed";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_DOUBLE_EQ(realValue(Text("1.5")), 1.5);
    EXPECT_DOUBLE_EQ(realValue(Text("47.9999999")), 47.9999999);
    EXPECT_DOUBLE_EQ(realValue(Text("1,5")), 1);
    EXPECT_EQ(numberText(1.5).bytes(), "1.5");
    EXPECT_EQ(numberText(-0.25).bytes(), "-0.25");
    std::setlocale(LC_ALL, before.c_str());
}

TEST(Numbers, TruncateToIntSaturates) {
    EXPECT_EQ(truncateToInt(2.9), 2);
    EXPECT_EQ(truncateToInt(-2.9), -2);
    EXPECT_EQ(truncateToInt(1e20), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(truncateToInt(-1e20), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(truncateToInt(std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace quelvo
