#include "common/file_io.h"
#include "session/report.h"
#include "session/simulation.h"
#include "session/temp_dir.h"
#include "session/test_session.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

using test::setFields;
using test::TestSession;

TEST(Report, HeaderAndReflectionLines) {
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""});
    t.s.fields.title = "Aluminium-like";
    t.s.fields.film = {"100", "80", "50"};
    generateReflections(t.s);
    const auto lines = splitLines(reportText(t.s, "2026-12-06 10:00:00"));
    ASSERT_EQ(lines.size(), 15u + 34u);
    EXPECT_EQ(lines[0], "Tavrel/Morwen Simulation Report (2026-12-06 10:00:00)");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "Annotation  : Aluminium-like");
    EXPECT_EQ(lines[3], "Unit Cell   : 4 4 4 90 90 90");
    EXPECT_EQ(lines[4], "Space Group : 225, F m 3 m");
    EXPECT_EQ(lines[5], "Orientation : 0 0 1");
    EXPECT_EQ(lines[6], "Wavelength 1: 1.5418");
    EXPECT_EQ(lines[7], "Wavelength 2: 0.0");
    EXPECT_EQ(lines[8], "d-Minimum   : 1.0");
    EXPECT_EQ(lines[9], "d-Maximum   : 2.3094");
    EXPECT_EQ(lines[10], "Film Size   : 100 x 80, d=50");
    EXPECT_EQ(lines[11], "HKL Limits  : 2 2 2");
    EXPECT_EQ(lines[12], "");
    EXPECT_EQ(lines[13], "Number of Generated HKL: 34");
    EXPECT_EQ(lines[14], "#       h   k   l             d               th(wl1)   ");
    // Row 1, then for each index three blanks and the digit, two blanks and d, four and theta.
    const std::string first = lines[15];
    EXPECT_EQ(first.substr(0, 5), "1    ");
    EXPECT_EQ(first.substr(5, 12), "   1  -1   1"); // the sort puts this member of {111} first
    EXPECT_EQ(first.substr(17), "  2.3094    19.500");
    EXPECT_EQ(lines[48].substr(0, 5), "34   ");
}

TEST(Report, SecondWavelengthAndEmptyList) {
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""}, "1.5418", "0.7107");
    generateReflections(t.s);
    auto lines = splitLines(reportText(t.s, "now"));
    EXPECT_EQ(lines[14], "#       h   k   l             d               th(wl1)   th(wl2)");
    EXPECT_EQ(lines[15].substr(17), "  2.3094    19.500    8.851");

    setFields(t.s, 225, {"4", "", "", "", "", ""}, "1.5418", "0", "9");
    generateReflections(t.s);
    lines = splitLines(reportText(t.s, "now"));
    EXPECT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[13], "Number of Generated HKL: 0");
}

TEST(Report, WrittenIntoTheGivenFolder) {
    test::TempDir dir;
    TestSession t;
    test::setIron(t.s);
    generateReflections(t.s);
    std::string error;
    const std::string path = writeReport(t.s, dir.path(), error);
    ASSERT_EQ(path, dir.file("Report.txt")) << error;
    const std::string text = test::TempDir::read(path);
    EXPECT_NE(text.find("Space Group : 229, I m 3 m\r\n"), std::string::npos);
    EXPECT_NE(text.find("Number of Generated HKL: 54\r\n"), std::string::npos);

    EXPECT_TRUE(writeReport(t.s, dir.file("missing/folder"), error).empty());
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace tavrel
