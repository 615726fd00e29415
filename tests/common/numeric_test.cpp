#include "common/numeric.h"
#include "support/comma_locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace tavrel {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Blanks anywhere are ignored, an exponent marker without digits ends the number and "." is the
// only decimal separator.
TEST(Numeric, LeadingNumberRule) {
    const std::pair<const char*, double> cases[] = {
        {"4.05", 4.05}, {"  -1.5e2abc", -150}, {"+.5", 0.5}, {" 1 2\t3\n.5", 123.5},
        {"2E+x", 2},    {"4,05", 4},           {"-", 0},     {"P21/c", 0},
        {"1e-999", 0},  {"-1e999", -kInf}};
    for (const auto& [text, value] : cases) EXPECT_EQ(leadingNumber(text), value) << text;
}

TEST(Numeric, HalvesRoundToEvenAndIntegersSaturate) {
    const std::pair<double, double> cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4},
                                               {0.5, 0}, {2.6, 3}, {-0.4, 0}};
    for (const auto& [v, r] : cases) EXPECT_EQ(roundHalfEven(v), r) << v;
    for (const auto& [v, r] : {std::pair{32766.5, 32766}, {1e9, 32767}, {-1e9, -32768}, {NAN, 0}})
        EXPECT_EQ(roundToInt16(v), r) << v;
    EXPECT_EQ(roundToInt32(kInf), 2147483647);
}

// Only zeros shown carry no minus sign; halves of the exact binary value go to the even
// neighbour (2.675 lies below its decimal text). A float keeps at most seven significant digits.
// The Qt layers set the C library's locale from the environment; number texts keep the ".".
TEST(Numeric, NumberTextsInEveryLocale) {
    const std::tuple<double, const char*, const char*> patterns[] = {
        {0.12345, "0.0##", "0.123"},    {6.0f, "0.0##", "6.0"},
        {0.025358, "0.0###", "0.0254"}, {2.3094011f, "0.0000", "2.3094"},
        {-1.25, "0.0000", "-1.2500"},   {19.4999, "#0.000", "19.500"},
        {-0.00001, "0.000", "0.000"},   {0.125, "0.0#", "0.12"},
        {0.375, "0.0#", "0.38"},        {2.675, "0.0#", "2.67"}};
    const std::pair<float, const char*> shortest[] = {
        {1.5418f, "1.5418"},           {90.0f, "90"},
        {0.00002f, "0.00002"},         {3.14159274f, "3.141593"},
        {16777216.0f, "1.677722E+07"}, {1.5e-6f, "1.5E-06"}};
    for (const bool comma : {false, true}) {
        std::optional<test::CommaLocale> locale;
        if (comma && !locale.emplace().active()) GTEST_SKIP() << "no locale with a decimal comma";
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        ASSERT_STREQ(probe, comma ? "1,5" : "1.5"); // the locale is in force for the C library
        for (const auto& [v, pattern, text] : patterns)
            EXPECT_EQ(formatNumber(v, pattern), text) << v << " " << pattern;
        for (const auto& [v, text] : shortest) EXPECT_EQ(shortestText(v), text) << text;
        for (float v : {1.5418f, 0.0251f, 12345.67f, 1e-7f, 3e12f})
            EXPECT_FLOAT_EQ(static_cast<float>(leadingNumber(shortestText(v))), v) << v;
        EXPECT_EQ(leadingNumber("2.866"), 2.866);
    }
}

} // namespace
} // namespace tavrel
