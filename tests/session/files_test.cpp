#include "common/file_io.h"
#include "common/numeric.h"
#include "session/generation.h"
#include "session/input_files.h"
#include "session/report.h"
#include "support/temp_dir.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavrel {
namespace {

using test::kCubic4;
using test::readFile;
using test::setFields;
using test::TempDir;
using test::TestSimulation;
using Lines = std::vector<std::string>;

// A tetragonal pattern input file (group 123, a = 4, c = 7) whose stored d-Max is 50.
std::string tvrFile(const std::string& header, const std::string& eol = "\r\n") {
    std::string s = header + eol;
    for (const char* line :
         {"Tetragonal", "122",    "4", "4",     "7", "90",  "90", "90",  "0",   "2",  "2",
          "2",          "1.5418", "0", "0 0 1", "0", "1.0", "50", "120", "120", "300"})
        s += line + eol;
    return s;
}

// Any 1.x header in any case is accepted, with CR LF or LF line ends. d-Max is derived again from
// the cell instead of the stored 50.
TEST(TvrFile, Loading) {
    TempDir dir;
    const std::pair<const char*, const char*> cases[] = {{"VELDTRACE INPUT 1.2", "\r\n"},
                                                         {"veldtrace input 1.5", "\r\n"},
                                                         {"VELDTRACE INPUT 1.5", "\n"}};
    for (const auto& [header, eol] : cases) {
        TestSimulation t;
        const std::string path = dir.write("t.tvr", tvrFile(header, eol));
        ASSERT_TRUE(openTvr(t.sim, path).ok) << header;
        EXPECT_TRUE(t.notifier.events.empty());
        EXPECT_TRUE(t.sim.reflections.generated);
        EXPECT_EQ(t.sim.fields.title, "Tetragonal");
        EXPECT_EQ(t.sim.fields.d[1], "7.0");
        EXPECT_EQ(t.sim.fields.film[2], "300");
        EXPECT_EQ(t.sim.document.filePath, path);
        EXPECT_EQ(t.changes.back(), SimulationChange::Generated);
    }
}

// Files that cannot be read whole are refused without changing anything; only a pattern input file
// of another version beeps. The format follows the extension.
TEST(InputFiles, RefusedFilesChangeNothing) {
    TempDir dir;
    TestSimulation t;
    t.sim.fields.title = "mine";
    const std::string tvr = tvrFile("VELDTRACE INPUT 1.5");
    const std::pair<std::string, std::string> files[] = {
        {"new.TVR", tvrFile("VELDTRACE INPUT 2.0")},
        {"short.tvr", tvr.substr(0, tvr.find("1.5418"))},
        {"big.hkl", "4 4 4 90 90 90\n32768\n1 0 0\n"},
        {"short.hkl", "4 4 4 90 90 90\n3\n1 0 0\n2 0 0\n"},
        {"tokens.hkl", "4 4 4 90 90 90\n1\n1 0\n"},
        {"empty.hkl", ""}};
    for (const auto& [name, content] : files) {
        const std::string path = dir.write(name, content);
        const FileOutcome r = openInputFile(t.sim, path, inputFormatOf(path).value());
        EXPECT_FALSE(r.ok) << name;
        EXPECT_NE(r.error.find(path), std::string::npos) << r.error;
    }
    EXPECT_FALSE(openTvr(t.sim, dir.file("missing.tvr")).ok);
    EXPECT_EQ(t.sim.fields.title, "mine");
    EXPECT_EQ(t.sim.fields.cell[0], "");
    EXPECT_FALSE(t.sim.reflections.generated);
    ASSERT_EQ(t.notifier.events.size(), 1u);
    EXPECT_EQ(t.notifier.events[0].kind, RecordingNotifier::Kind::Beep);
}

TEST(TvrFile, WrittenReadAndWrittenAgainGivesTheSameLines) {
    TempDir dir;
    TestSimulation t;
    setFields(t.sim, 194, {"3.2", "", "5.2", "", "", ""}, "1.5418", "200", "0.8", "20", "3");
    t.sim.fields.title = "  Zinc, hexagonal ";
    t.sim.fields.orientation = "1 0 0";
    t.sim.fields.orientationType = OrientationType::Direct;
    t.sim.fields.autoLimits = true;
    const std::string first = dir.file("a.tvr"), second = dir.file("b.tvr");
    ASSERT_TRUE(saveTvr(t.sim, first).ok);
    EXPECT_TRUE(t.sim.reflections.generated); // saving generates first
    EXPECT_EQ(t.sim.document.filePath, first);
    TestSimulation u;
    ASSERT_TRUE(openTvr(u.sim, first).ok);
    ASSERT_TRUE(saveTvr(u.sim, second).ok);

    const std::string text = readFile(first);
    auto a = splitLines(text), b = splitLines(readFile(second));
    ASSERT_EQ(a.size(), 22u);
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    EXPECT_EQ(a[1], "Zinc, hexagonal");
    EXPECT_EQ(a[2], "193");
    EXPECT_EQ(a[14], "0.02507941"); // 200 kV as its wavelength
    EXPECT_EQ(b[18], "5.2");        // d-Max is derived again on loading
    a[18] = b[18];
    EXPECT_EQ(a, b);
}

TEST(HklFile, ReadsCellGroupAndReflectionsAsTheyStand) {
    TempDir dir;
    TestSimulation t;
    const std::string path =
        dir.write("two.hkl", "4 4 4 90 90 90 225\r\n 2 \r\n   1   1   1\r\n   2   0   0\r\n");
    ASSERT_TRUE(openHkl(t.sim, path).ok);
    EXPECT_EQ(t.sim.fields.title, "two.hkl");
    EXPECT_EQ(t.sim.fields.spaceGroupIndex, 224);
    EXPECT_EQ(t.sim.reflections.h, (std::vector<std::int16_t>{1, 2})); // in the file's order
    EXPECT_EQ(t.sim.document.dMin, 2.0f);
    EXPECT_EQ(formatNumber(t.sim.document.dMax, "0.0000"), "2.3094");
    EXPECT_EQ(t.changes.back(), SimulationChange::Loaded);
    EXPECT_TRUE(t.sim.reflections.generated);
    EXPECT_EQ(t.sim.points.rows.size(), 2u);
    EXPECT_EQ(t.sim.fields.d, (std::array<std::string, 2>{"2.0", "2.309"}));
    EXPECT_FLOAT_EQ(t.sim.document.displayDMin, 1.9f); // both get their lines

    // A file without reflections keeps the d range of the fields.
    ASSERT_TRUE(openHkl(t.sim, dir.write("none.hkl", "4 4 4 90 90 90 225\n0\n")).ok);
    EXPECT_EQ(t.sim.reflections.count(), 0);
    EXPECT_EQ(t.sim.fields.d, (std::array<std::string, 2>{"2.0", "2.309"}));

    // Without a 7th token, or with one beyond 230, the group is the first.
    const std::pair<const char*, int> groups[] = {
        {"4 4 4 90 90 90", 0}, {"  4  4 4 90 90 90   14 ", 13}, {"4 4 4 90 90 90 300", 0}};
    for (const auto& [line, position] : groups) {
        ASSERT_TRUE(openHkl(t.sim, dir.write("g.hkl", std::string(line) + "\n1\n1 0 0\n")).ok);
        EXPECT_EQ(t.sim.fields.spaceGroupIndex, position) << line;
    }
}

// What a refused file must leave as it was: the fields, the document as the report shows it,
// the reflections and their points.
std::string stateOf(const Simulation& sim) {
    const DocumentFields& f = sim.fields;
    std::string state = f.title + "|" + std::to_string(f.spaceGroupIndex) + "|" + f.d[0] + "|" +
                        f.d[1] + "|" + sim.document.filePath + "|" +
                        std::to_string(sim.points.size()) + "|";
    for (const std::string& cell : f.cell) state += cell + "|";
    return state + reportText(sim, "") + hklText(sim);
}

// Every problem names the file and, where there is one, the line; nothing changes and no
// dialog appears (the message is the reader's).
TEST(HklFile, RefusesWhatItCannotUse) {
    TempDir dir;
    TestSimulation t;
    ASSERT_TRUE(openHkl(t.sim, dir.write("good.hkl", "4 4 4 90 90 90 225\n1\n1 1 1\n")).ok);
    const std::string before = stateOf(t.sim);
    const std::size_t announced = t.changes.size();
    t.notifier.events.clear();

    const std::string cubic = "4 4 4 90 90 90 225\n";
    const std::pair<std::string, std::string> cases[] = {
        {"0 0 0 90 90 90 225\n0\n",
         "line 1: the cell 0 0 0 90 90 90 gives no valid lattice (a length is not positive)"},
        {"4 4 4 180 90 90\n0\n",
         "line 1: the cell 4 4 4 180 90 90 gives no valid lattice (no cell has these angles)"},
        {"4 4 4 0 90 90\n0\n",
         "line 1: the cell 4 4 4 0 90 90 gives no valid lattice (no cell has these angles)"},
        {"4 5 6 60 60 150\n0\n",
         "line 1: the cell 4 5 6 60 60 150 gives no valid lattice (no cell has these angles)"},
        {"1e39 4 4 90 90 90\n0\n",
         "cannot be loaded: Lattice constant a is not a usable number: 1e39"},
        {"4 4 4 179.999 90 90\n1\n1 0 0\n",
         "line 3: (1 0 0) gets no finite positive d-spacing in this cell"},
        {"1e30 1e30 1e30 90 90 90 225\n1\n0 0 1\n",
         "line 3: (0 0 1) gets no finite positive d-spacing in this cell"},
        {cubic + "abc\n",
         "line 2 should hold the number of reflections, a whole number of 0 or more, but reads "
         "\"abc\""},
        {cubic + "-1\n",
         "line 2 should hold the number of reflections, a whole number of 0 or more, but reads "
         "\"-1\""},
        {cubic + " 1.5 \n1 0 0\n2 0 0\n",
         "line 2 should hold the number of reflections, a whole number of 0 or more, but reads "
         "\"1.5\""},
        {cubic + "1 2\n1 0 0\n",
         "line 2 should hold the number of reflections, a whole number of 0 or more, but reads "
         "\"1 2\""},
        {cubic + "\n", "line 2 should hold the number of reflections, a whole number of 0 or "
                       "more, but reads \"\""},
        {cubic + "32768\n", "line 2 announces \"32768\" reflections; a list holds at most 32767"},
        {cubic + "2\n1 1 1\n0 0 0\n", "line 4: (0 0 0) is not a lattice plane"},
        {cubic + "1\n40000 0 0\n", "line 3: the index \"40000\" lies outside -32768..32767"},
        {cubic + "1\n0 0 -32769\n", "line 3: the index \"-32769\" lies outside -32768..32767"},
        {cubic + "1\n1e999 0 0\n", "line 3: the index \"1e999\" lies outside -32768..32767"},
        {cubic + "1\n1.5 0 0\n", "line 3: \"1.5\" is not a whole number"},
        {cubic + "1\n1 abc 0\n", "line 3: \"abc\" is not a number"},
        {cubic + "1\n1 0 1x\n", "line 3: \"1x\" is not a number"},
        {cubic + "1\n1 0 \x01\x1b[2J\n", "line 3: \"??[2J\" is not a number"},
        {cubic + "1\n1 0 " + std::string(40, '7') + "\n",
         "line 3: the index \"777777777777777777777777...\" lies outside -32768..32767"},
        {cubic + "1\n1 0\n", "line 3 does not hold h k l"},
        {cubic + "3\n1 0 0\n2 0 0\n", "ends early: it announces 3 reflections but holds 2"}};
    for (const auto& [content, problem] : cases) {
        const std::string path = dir.write("bad.hkl", content);
        const FileOutcome r = openHkl(t.sim, path);
        EXPECT_FALSE(r.ok) << content;
        EXPECT_EQ(r.error, "\"" + path + "\" " + problem);
        EXPECT_EQ(stateOf(t.sim), before) << content;
    }
    EXPECT_TRUE(t.notifier.events.empty());
    EXPECT_EQ(t.changes.size(), announced);
}

// A byte-order mark before the cell, indices written as whole decimals, the extremes of the
// 16-bit indices, and a count up to the list's capacity are all taken.
TEST(HklFile, AcceptsMarkWholeDecimalsAndFullLists) {
    TempDir dir;
    TestSimulation t;
    ASSERT_TRUE(openHkl(t.sim, dir.write("bom.hkl", "\xEF\xBB\xBF"
                                                    "4 4 4 90 90 90 225\r\n1\r\n1 1 1\r\n"))
                    .ok);
    EXPECT_EQ(t.sim.fields.cell[0], "4");
    EXPECT_EQ(formatNumber(t.sim.reflections.d[0], "0.0000"), "2.3094");

    const std::string path = dir.write(
        "wide.hkl", "4 4 4 90 90 90 225\n+3\n1.0 -0 2e0\n-32768 0 0\n0 32767 0 extra tokens\n");
    ASSERT_TRUE(openHkl(t.sim, path).ok);
    EXPECT_EQ(t.sim.reflections.h, (std::vector<std::int16_t>{1, -32768, 0}));
    EXPECT_EQ(t.sim.reflections.k, (std::vector<std::int16_t>{0, 0, 32767}));
    EXPECT_EQ(t.sim.reflections.l, (std::vector<std::int16_t>{2, 0, 0}));

    std::string full = "4 4 4 90 90 90 225\n32767\n";
    for (int i = 1; i <= 32767; ++i) full += "0 0 " + std::to_string(i) + "\n";
    ASSERT_TRUE(openHkl(t.sim, dir.write("full.hkl", full)).ok);
    EXPECT_EQ(t.sim.reflections.count(), 32767);
}

// A pattern input file with a byte-order mark before its header is read as without one.
TEST(TvrFile, ByteOrderMarkBeforeTheHeader) {
    TempDir dir;
    TestSimulation t;
    ASSERT_TRUE(openTvr(t.sim, dir.write("m.tvr", "\xEF\xBB\xBF" + tvrFile(kTvrHeader))).ok);
    EXPECT_EQ(t.sim.fields.title, "Tetragonal");
    EXPECT_EQ(t.sim.fields.d[1], "7.0");
}

// Only the reflections above the drawn threshold are written, and line 2 counts them.
TEST(HklFile, WritesReflectionsAboveTheThreshold) {
    TempDir dir;
    TestSimulation t;
    setFields(t.sim, 225, kCubic4);
    generateReflections(t.sim);
    EXPECT_EQ(hklText(t.sim).substr(0, 26), "4 4 4 90 90 90 225\r\n 34 \r\n");
    t.sim.document.displayDMin = 1.5f; // the slider moved to 1.5
    const std::string path = dir.file("out.hkl");
    ASSERT_TRUE(saveHkl(t.sim, path).ok);
    const auto lines = splitLines(readFile(path));
    ASSERT_EQ(lines.size(), 2u + 14u); // {111} and {200}
    EXPECT_EQ(lines[1], " 14 ");
    EXPECT_EQ(lines[2], "   1  -1   1");
    t.sim.document.displayDMin = 2.0f; // {200} at exactly 2.0 is not above it
    const Lines at2 = splitLines(hklText(t.sim));
    EXPECT_EQ(at2.size(), 2u + 8u);
    EXPECT_EQ(at2[1], " 8 ");

    // Reading the file back gives the same reflections, and saving again keeps them all.
    TestSimulation u;
    ASSERT_TRUE(openHkl(u.sim, path).ok);
    EXPECT_EQ(u.sim.reflections.count(), 14);
    EXPECT_EQ(hklText(u.sim), readFile(path));
}

// Indices of 4 and more characters keep a blank before them, so that the file reads back;
// shorter ones keep the columns of 4. Spacings that are not finite and positive are left out.
TEST(HklFile, WideIndicesKeepTheirColumnsApartAndReadBack) {
    TempDir dir;
    TestSimulation t;
    setFields(t.sim, 1, {"4", "5", "6", "80", "85", "95"});
    readDocument(t.sim);
    ReflectionList& r = t.sim.reflections;
    const std::int16_t indices[][3] = {
        {1, -1, 0}, {0, -100, 0}, {-999, 999, 1000}, {-32768, 32767, -1000}, {-99, 99, 999}};
    for (const auto& [h, k, l] : indices) {
        Vec3f g{static_cast<float>(h), static_cast<float>(k), static_cast<float>(l)};
        toCartesian(t.sim.document.matrices, g, false);
        r.append(h, k, l, dSpacing(t.sim.document.cell, h, k, l), g);
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float d : {nan, inf, 0.0f}) r.append(0, 0, 0, d, {0, 0, 0});
    const Lines lines = splitLines(hklText(t.sim));
    EXPECT_EQ(Lines(lines.begin() + 1, lines.end()),
              (Lines{" 5 ", "   1  -1   0", "   0 -100   0", " -999 999 1000",
                     " -32768 32767 -1000", " -99  99 999"}));

    const std::string path = dir.write("wide.hkl", hklText(t.sim));
    TestSimulation u;
    ASSERT_TRUE(openHkl(u.sim, path).ok);
    EXPECT_EQ(u.sim.reflections.l, (std::vector<std::int16_t>{0, 0, 1000, -1000, 999}));
    EXPECT_EQ(hklText(u.sim), readFile(path));
}

// A write that fails reports the file and leaves what was at the path, with no temporary file.
TEST(InputFiles, FailedWrites) {
    TempDir dir;
    TestSimulation t;
    std::filesystem::create_directory(dir.file("keep.hkl")); // a folder in the file's place
    dir.write("keep.hkl/old", "old");
    for (const std::string& path : {dir.file("keep.hkl"), dir.file("no/such/folder/x.hkl")}) {
        const FileOutcome r = saveHkl(t.sim, path);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(path), std::string::npos);
    }
    EXPECT_EQ(readFile(dir.file("keep.hkl/old")), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Report, HeaderReflectionLinesAndFile) {
    TempDir dir;
    TestSimulation t;
    setFields(t.sim, 225, kCubic4);
    t.sim.fields.title = "Aluminium-like";
    t.sim.fields.film = {"100", "80", "50"};
    t.sim.fields.orientation = "0 0 1 ";
    generateReflections(t.sim);
    const Lines lines = splitLines(reportText(t.sim, "2026-12-06 10:00:00"));
    ASSERT_EQ(lines.size(), 15u + 34u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 15),
              (Lines{"Tavrel/Morwen Simulation Report (2026-12-06 10:00:00)", "",
                     "Annotation  : Aluminium-like", "Unit Cell   : 4 4 4 90 90 90",
                     "Space Group : 225, F m 3 m", "Orientation : 0 0 1", "Wavelength 1: 1.5418",
                     "Wavelength 2: 0.0", "d-Minimum   : 1.0", "d-Maximum   : 2.3094",
                     "Film Size   : 100 x 80, d=50", "HKL Limits  : 2 2 2", "",
                     "Number of Generated HKL: 34",
                     "#       h   k   l             d               th(wl1)   "}));
    // Row number cut to 4 characters and a blank, h k l in 4 characters each, d in 8, theta.
    EXPECT_EQ(lines[15], "1       1  -1   1  2.3094    19.500");
    EXPECT_EQ(lines[48].substr(0, 5), "34   ");

    // The file holds the same text with the current time, lines ended by CR LF.
    std::string error;
    const std::string path = writeReport(t.sim, dir.path(), error);
    ASSERT_EQ(path, dir.file("Report.txt")) << error;
    const std::string text = readFile(path);
    const std::string expected = reportText(t.sim, "");
    EXPECT_EQ(text.substr(text.find("\r\n")), expected.substr(expected.find("\r\n")));
    EXPECT_TRUE(writeReport(t.sim, dir.file("missing/folder"), error).empty());
    EXPECT_FALSE(error.empty());
}

// Wide indices and spacings of 100 and more keep a blank before them; a value that has no
// number (never in a list that was read or generated) still gives a line instead of an abort.
TEST(Report, WideColumnsAndValuesWithoutANumber) {
    TestSimulation t;
    t.sim.document.wavelength = {1.5418f, 0.0f};
    ReflectionList& r = t.sim.reflections;
    r.append(1, -1, 1, 99.5f, {0, 0, 0});
    r.append(-100, 1000, -1000, 123.456f, {0, 0, 0});
    r.append(0, -32768, 0, 12345.6f, {0, 0, 0});
    r.append(0, 0, 0, std::numeric_limits<float>::quiet_NaN(), {0, 0, 0});
    r.append(0, 0, 0, std::numeric_limits<float>::infinity(), {0, 0, 0});
    r.append(0, 0, 0, 0.0f, {0, 0, 0});
    const Lines lines = splitLines(reportText(t.sim, "now"));
    EXPECT_EQ(
        Lines(lines.begin() + 15, lines.end()),
        (Lines{"1       1  -1   1 99.5000     0.444", "2     -100 1000 -1000 123.4560     0.358",
               "3       0 -32768   0 12345.5996     0.004", "4       0   0   0     NaN       NaN",
               "5       0   0   0 Infinity     0.000", "6       0   0   0  0.0000    90.000"}));
}

TEST(Report, SecondWavelengthAndEmptyList) {
    TestSimulation t;
    setFields(t.sim, 225, kCubic4, "0.7107", "1.5418");
    generateReflections(t.sim);
    Lines lines = splitLines(reportText(t.sim, "now"));
    EXPECT_EQ(lines[14], "#       h   k   l             d               th(wl1)   th(wl2)");
    EXPECT_EQ(lines[15], "1       1  -1   1  2.3094     8.851    19.500"); // only th(wl1) padded

    setFields(t.sim, 225, kCubic4, "1.5418", "0", "9");
    generateReflections(t.sim);
    lines = splitLines(reportText(t.sim, "now"));
    EXPECT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[13], "Number of Generated HKL: 0");
}

} // namespace
} // namespace tavrel
