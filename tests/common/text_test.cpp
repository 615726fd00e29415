#include "common/text.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

TEST(Text, TrimCaseAndReplace) {
    EXPECT_EQ(trim("  P 1 \t\r\n"), "P 1");
    EXPECT_EQ(trim("   "), "");
    EXPECT_EQ(toUpper("p21/c"), "P21/C");
    EXPECT_EQ(toLower("F M 3 M"), "f m 3 m");
    EXPECT_EQ(replaceAll("aXbXc", "X", "--"), "a--b--c");
    EXPECT_EQ(replaceAll("1-1-", "1-", "-1"), "-1-1");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(removeChars("F M -3 M", " -"), "FM3M");
}

TEST(Text, SplitAtRunsOfBlanks) {
    const auto parts = splitBlanks("  2.866 2.866\t 2.866   90 ");
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0], "2.866");
    EXPECT_EQ(parts[3], "90");
    EXPECT_TRUE(splitBlanks("   ").empty());
    EXPECT_EQ(padLeft("-1", 4), "  -1");
    EXPECT_EQ(padLeft("12345", 4), "12345");
}

} // namespace
} // namespace tavrel
