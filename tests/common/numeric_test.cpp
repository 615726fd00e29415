#include "common/numeric.h"
#include "common/text.h"
#include "support/comma_locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

namespace tavrel {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Blanks anywhere are ignored, an exponent marker without digits ends the number and "." is the
// only decimal separator.
TEST(Numeric, LeadingNumberRule) {
    using Case = std::pair<const char*, double>;
    const Case cases[] = {{"4.05", 4.05},   {"  -1.5e2abc", -150},
                          {"+.5", 0.5},     {"12x3", 12},
                          {"3.", 3},        {" 1 2\t3\n.5", 123.5},
                          {"2e", 2},        {"2E+x", 2},
                          {"4,05", 4},      {"", 0},
                          {"abc", 0},       {"-", 0},
                          {".", 0},         {"P21/c", 0},
                          {"1e-999", 0},    {"1e999", kInf},
                          {"-1e999", -kInf}};
    for (const auto& [text, value] : cases) EXPECT_EQ(leadingNumber(text), value) << text;
}

TEST(Numeric, HalvesRoundToEvenAndIntegersSaturate) {
    const std::pair<double, double> cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4},
                                               {0.5, 0}, {2.6, 3}, {-0.4, 0}};
    for (const auto& [v, r] : cases) EXPECT_EQ(roundHalfEven(v), r) << v;
    EXPECT_EQ(roundToInt16(32766.5), 32766);
    EXPECT_EQ(roundToInt16(1e9), 32767);
    EXPECT_EQ(roundToInt16(-1e9), -32768);
    EXPECT_EQ(roundToInt16(std::nan("")), 0);
    EXPECT_EQ(roundToInt32(kInf), 2147483647);
}

// A result that shows only zeros carries no minus sign; halves of the exact binary value go to
// the even neighbour (0.125 is exact; 2.675 lies below its decimal text).
void expectFormatPatterns() {
    const std::tuple<double, const char*, const char*> cases[] = {
        {1.0, "0.0##", "1.0"},          {2.5, "0.0##", "2.5"},
        {0.12345, "0.0##", "0.123"},    {6.0f, "0.0##", "6.0"},
        {0.025358, "0.0###", "0.0254"}, {1.54056, "0.0####", "1.54056"},
        {0.0, "0.0####", "0.0"},        {2.3094011f, "0.0000", "2.3094"},
        {-1.25, "0.0000", "-1.2500"},   {19.4999, "#0.000", "19.500"},
        {0.5, "#0.000", "0.500"},       {-0.00001, "0.000", "0.000"},
        {0.125, "0.0#", "0.12"},        {0.375, "0.0#", "0.38"},
        {2.675, "0.0#", "2.67"},        {1e20, "0.0", "100000000000000000000.0"}};
    for (const auto& [v, pattern, text] : cases)
        EXPECT_EQ(formatNumber(v, pattern), text) << v << " " << pattern;
}

// At most seven significant digits, even where the float needs eight or nine to read back.
void expectShortestFloatTexts() {
    using Case = std::pair<float, const char*>;
    const Case cases[] = {{1.5418f, "1.5418"},
                          {0.1f, "0.1"},
                          {90.0f, "90"},
                          {-1.0f, "-1"},
                          {0.0f, "0"},
                          {0.001f, "0.001"},
                          {0.00002f, "0.00002"},
                          {1234567.0f, "1234567"},
                          {0.6666667f, "0.6666667"},
                          {3.14159274f, "3.141593"},
                          {16777216.0f, "1.677722E+07"},
                          {1.5e-6f, "1.5E-06"},
                          {-2.5e-38f, "-2.5E-38"},
                          {3e38f, "3E+38"}};
    for (const auto& [v, text] : cases) EXPECT_EQ(shortestText(v), text) << text;
    for (float v : {1.5418f, 0.0251f, 2.866f, 12345.67f, -0.5f, 1e-7f, 3e12f})
        EXPECT_FLOAT_EQ(static_cast<float>(leadingNumber(shortestText(v))), v) << v;
}

TEST(Numeric, FormatPatterns) {
    expectFormatPatterns();
}

TEST(Numeric, ShortestFloatText) {
    expectShortestFloatTexts();
}

// The Qt layers set the C library's locale from the environment; every number text is still
// written with "." (and read with it).
TEST(Numeric, NumberTextsIgnoreTheLocale) {
    const test::CommaLocale comma;
    if (!comma.active()) GTEST_SKIP() << "no locale with a decimal comma is installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5"); // the locale is in force for the C library
    expectFormatPatterns();
    expectShortestFloatTexts();
    EXPECT_EQ(leadingNumber("2.866"), 2.866);
}

TEST(Text, HelpersOfTheFileFormats) {
    EXPECT_EQ(trim("  P 1 \t\r\n"), "P 1");
    EXPECT_EQ(toUpper("p21/c"), "P21/C");
    EXPECT_EQ(replaceAll("1-1-", "1-", "-1"), "-1-1"); // the replacement is not scanned again
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(removeChars("F M -3 M", " -"), "FM3M");
    EXPECT_EQ(splitBlanks("  2.866 2.866\t 90 "),
              (std::vector<std::string>{"2.866", "2.866", "90"}));
    EXPECT_TRUE(splitBlanks("   ").empty());
    EXPECT_EQ(padLeft("-1", 4), "  -1");
    EXPECT_EQ(padLeft("12345", 4), "12345");
}

} // namespace
} // namespace tavrel
