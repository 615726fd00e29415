#include "common/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavrel {
namespace {

TEST(LeadingNumber, ReadsTheNumberATextStartsWith) {
    EXPECT_DOUBLE_EQ(leadingNumber("4.05"), 4.05);
    EXPECT_DOUBLE_EQ(leadingNumber("  -1.5e2abc"), -150.0);
    EXPECT_DOUBLE_EQ(leadingNumber("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(leadingNumber("12x3"), 12.0);
    EXPECT_DOUBLE_EQ(leadingNumber("3."), 3.0);
    // Blanks, tabs and line breaks anywhere are ignored.
    EXPECT_DOUBLE_EQ(leadingNumber(" 1 2\t3\n.5"), 123.5);
    // An exponent marker without digits ends the number.
    EXPECT_DOUBLE_EQ(leadingNumber("2e"), 2.0);
    EXPECT_DOUBLE_EQ(leadingNumber("2E+x"), 2.0);
    // The decimal separator is always the point.
    EXPECT_DOUBLE_EQ(leadingNumber("4,05"), 4.0);
}

TEST(LeadingNumber, TextWithoutANumberReadsAsZero) {
    EXPECT_EQ(leadingNumber(""), 0.0);
    EXPECT_EQ(leadingNumber("abc"), 0.0);
    EXPECT_EQ(leadingNumber("-"), 0.0);
    EXPECT_EQ(leadingNumber("."), 0.0);
    EXPECT_EQ(leadingNumber("P21/c"), 0.0);
}

TEST(LeadingNumber, OutOfRangeExponentsSaturate) {
    EXPECT_EQ(leadingNumber("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(leadingNumber("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(leadingNumber("1e-999"), 0.0);
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(2.5), 2.0);
    EXPECT_EQ(roundHalfEven(3.5), 4.0);
    EXPECT_EQ(roundHalfEven(-2.5), -2.0);
    EXPECT_EQ(roundHalfEven(-3.5), -4.0);
    EXPECT_EQ(roundHalfEven(0.5), 0.0);
    EXPECT_EQ(roundHalfEven(2.6), 3.0);
    EXPECT_EQ(roundHalfEven(-0.4), 0.0);
}

TEST(Rounding, IntegerConversionsSaturateAndIgnoreNaN) {
    EXPECT_EQ(roundToInt16(1e9), 32767);
    EXPECT_EQ(roundToInt16(-1e9), -32768);
    EXPECT_EQ(roundToInt16(std::nan("")), 0);
    EXPECT_EQ(roundToInt16(32766.5), 32766);
    EXPECT_EQ(roundToInt32(std::numeric_limits<double>::infinity()), 2147483647);
}

TEST(FormatNumber, OptionalDecimalsDropTrailingZeros) {
    EXPECT_EQ(formatNumber(1.0, "0.0##"), "1.0");
    EXPECT_EQ(formatNumber(2.5, "0.0##"), "2.5");
    EXPECT_EQ(formatNumber(0.12345, "0.0##"), "0.123");
    EXPECT_EQ(formatNumber(6.0f, "0.0##"), "6.0");
    EXPECT_EQ(formatNumber(0.025358, "0.0###"), "0.0254");
    EXPECT_EQ(formatNumber(1.54056, "0.0####"), "1.54056");
    EXPECT_EQ(formatNumber(1.5, "0.0#"), "1.5");
    EXPECT_EQ(formatNumber(2.0, "0.0#"), "2.0");
}

TEST(FormatNumber, FixedDecimals) {
    EXPECT_EQ(formatNumber(2.3094011f, "0.0000"), "2.3094");
    EXPECT_EQ(formatNumber(19.4999, "#0.000"), "19.500");
    EXPECT_EQ(formatNumber(2.0266f, "#0.0000"), "2.0266");
    EXPECT_EQ(formatNumber(0.5, "#0.000"), "0.500");
    EXPECT_EQ(formatNumber(-0.00001, "0.000"), "0.000");
    EXPECT_EQ(formatNumber(-1.25, "0.0000"), "-1.2500");
}

TEST(ShortestText, FewestDigitsThatReadBackAsTheSameFloat) {
    EXPECT_EQ(shortestText(1.5418f), "1.5418");
    EXPECT_EQ(shortestText(0.1f), "0.1");
    EXPECT_EQ(shortestText(2.866f), "2.866");
    EXPECT_EQ(shortestText(90.0f), "90");
    EXPECT_EQ(shortestText(120.0f), "120");
    EXPECT_EQ(shortestText(300.0f), "300");
    EXPECT_EQ(shortestText(-1.0f), "-1");
    EXPECT_EQ(shortestText(0.0f), "0");
    EXPECT_EQ(shortestText(2.0f / 3.0f), "0.6666667");
    EXPECT_EQ(shortestText(0.001f), "0.001");
    EXPECT_EQ(shortestText(1234567.0f), "1234567");
}

TEST(ShortestText, AtMostSevenSignificantDigits) {
    // 0.1f + 0.2f needs 9 digits to round-trip exactly; 7 are the most ever written.
    EXPECT_EQ(shortestText(0.1f + 0.2f), "0.3");
    EXPECT_EQ(shortestText(3.14159274f), "3.141593");
    EXPECT_EQ(shortestText(16777216.0f), "1.677722E+07");
    EXPECT_EQ(shortestText(1.5e-6f), "1.5E-06");
    EXPECT_EQ(shortestText(0.00002f), "0.00002");
}

TEST(ShortestText, ReadsBackThroughTheLeadingNumberRule) {
    for (float v : {1.5418f, 0.0251f, 2.866f, 12345.67f, -0.5f, 1e-7f, 3e12f})
        EXPECT_FLOAT_EQ(static_cast<float>(leadingNumber(shortestText(v))), v) << v;
}

} // namespace
} // namespace tavrel
