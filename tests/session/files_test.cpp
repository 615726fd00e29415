#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "session/cif_file.h"
#include "session/document_reading.h"
#include "session/generation.h"
#include "session/input_files.h"
#include "session/report.h"
#include "spacegroup/settings.h"
#include "support/temp_dir.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <ranges>

namespace tavrel {
namespace {

using test::kCubic4;
using test::readFile;
using test::setFields;
using test::TempDir;
using test::TestSimulation;
using Lines = std::vector<std::string>;
using Cell = std::array<std::string, 6>;

Result<std::vector<std::string>> save(Simulation& sim, const std::string& path) {
    return saveInputFile(sim, path, inputFormatOf(path).value());
}

// Texts as they are, numbers by their bytes (so a NaN equals itself), ranges element by element.
template <class... T> void append(std::string& s, const T&... values) {
    const auto one = [&s](const auto& v) {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, std::string>)
            s += v + '\x1f';
        else if constexpr (std::ranges::range<V>)
            for (const auto& e : v) append(s, e);
        else
            s.append(reinterpret_cast<const char*>(&v), sizeof v);
    };
    (one(values), ...);
}

// Everything an open may change.
std::string stateOf(const Simulation& sim) {
    const DocumentFields& f = sim.fields;
    const PatternDocument& d = sim.document;
    const ReflectionList& r = sim.reflections;
    std::string s;
    append(s, f.title, f.spaceGroupIndex, f.cell, f.autoLimits, f.hklMax, f.wavelength,
           f.orientation, f.orientationType, f.d, f.film);
    append(s, d.title, d.filePath, d.spaceGroupText, d.orientationText, d.spaceGroupIndex, d.hklMax,
           d.cell.values, d.wavelength, d.film, d.dMin, d.dMax, d.displayDMin, d.displayDMax,
           d.matrices.lattice, d.matrices.inverse);
    append(s, r.generated, r.h, r.k, r.l, r.d, r.gx, r.gy, r.gz);
    for (const RotatedPoint& p : sim.points.rows) append(s, p.x, p.y, p.z, p.reflection);
    return s;
}

// A tetragonal pattern input file (group 123, a = 4, c = 7) whose stored d-Max is 50.
std::string tvrFile(const std::string& header, const std::string& eol = "\r\n") {
    std::string s = header + eol;
    for (const char* line :
         {"Tetragonal", "122",    "4", "4",     "7", "90",  "90", "90",  "0",   "2",  "2",
          "2",          "1.5418", "0", "0 0 1", "0", "1.0", "50", "120", "120", "300"})
        s += line + eol;
    return s;
}

// Any 1.x header in any case is accepted, after a byte-order mark or not, with CR LF or LF line
// ends. d-Max is derived again from the cell instead of the stored 50.
TEST(TvrFile, Loading) {
    TempDir dir;
    const std::pair<const char*, const char*> cases[] = {
        {"veldtrace input 1.2", "\r\n"},
        {"VELDTRACE INPUT 1.5", "\n"},
        {"\xEF\xBB\xBFVELDTRACE INPUT 1.5", "\r\n"}};
    for (const auto& [header, eol] : cases) {
        TestSimulation t;
        const std::string path = dir.write("t.tvr", tvrFile(header, eol));
        const Result<NewListReport> opened = test::openFile(t.sim, path);
        ASSERT_TRUE(opened) << header;
        EXPECT_EQ(opened->origin, NewList::Generated);
        EXPECT_TRUE(opened->warnings.empty());
        EXPECT_EQ(t.sim.fields.title, "Tetragonal");
        EXPECT_EQ(t.sim.fields.d[1], "7.0");
        EXPECT_EQ(t.sim.fields.film[2], "300");
        EXPECT_EQ(t.sim.document.filePath, path);
    }
}

// Files that cannot be read whole are refused without changing anything; only a pattern input file
// of another version is told apart as not being one. The format follows the extension.
TEST(InputFiles, RefusedFilesChangeNothing) {
    TempDir dir;
    TestSimulation t;
    const std::string before = stateOf(t.sim), tvr = tvrFile("VELDTRACE INPUT 1.5");
    const std::tuple<std::string, std::string, Problem::Kind> files[] = {
        {"new.TVR", tvrFile("VELDTRACE INPUT 2.0"), Problem::Kind::WrongKind},
        {"short.tvr", tvr.substr(0, tvr.find("1.5418")), Problem::Kind::Refused},
        {"empty.hkl", "", Problem::Kind::Refused}};
    for (const auto& [name, content, kind] : files) {
        const std::string path = dir.write(name, content);
        const Result<NewListReport> r = test::openFile(t.sim, path);
        ASSERT_FALSE(r) << name;
        EXPECT_NE(r.problem().find(path), std::string::npos) << r.problem();
        EXPECT_EQ(r.failure().kind, kind) << name;
    }
    EXPECT_EQ(test::openFile(t.sim, dir.file("missing.tvr")).problem(),
              "\"" + dir.file("missing.tvr") + "\" cannot be read: No such file or directory");
    EXPECT_EQ(stateOf(t.sim), before);
}

TEST(TvrFile, WrittenReadAndWrittenAgainGivesTheSameLines) {
    TempDir dir;
    TestSimulation t, u;
    setFields(t.sim, 194, {"3.2", "", "5.2", "", "", ""}, "1.5418", "200", "0.8", "20", "3");
    t.sim.fields.title = "  Zinc, hexagonal ";
    t.sim.fields.orientation = "1 0 0";
    t.sim.fields.orientationType = OrientationType::Direct;
    t.sim.fields.autoLimits = true;
    const std::string first = dir.file("a.tvr"), second = dir.file("b.tvr");
    ASSERT_TRUE(save(t.sim, first));
    EXPECT_TRUE(t.sim.reflections.generated); // saving generates first
    EXPECT_EQ(t.sim.document.filePath, first);
    ASSERT_TRUE(test::openFile(u.sim, first));
    ASSERT_TRUE(save(u.sim, second));

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
    const Result<NewListReport> opened = test::openFile(t.sim, path);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->origin, NewList::Loaded);
    EXPECT_EQ(t.sim.fields.title, "two.hkl");
    EXPECT_EQ(t.sim.fields.spaceGroupIndex, 224);
    EXPECT_EQ(t.sim.reflections.h, (std::vector<std::int16_t>{1, 2})); // in the file's order
    EXPECT_EQ(t.sim.document.dMin, 2.0f);
    EXPECT_EQ(formatNumber(t.sim.document.dMax, "0.0000"), "2.3094");
    EXPECT_EQ(t.sim.fields.d, (std::array<std::string, 2>{"2.0", "2.309"}));
    EXPECT_FLOAT_EQ(t.sim.document.displayDMin, 1.9f); // both get their lines

    // Without a 7th token, or with one beyond 230, the group is the first.
    const std::pair<const char*, int> groups[] = {
        {"4 4 4 90 90 90", 0}, {"  4  4 4 90 90 90   14 ", 13}, {"4 4 4 90 90 90 300", 0}};
    for (const auto& [line, position] : groups) {
        ASSERT_TRUE(test::openFile(t.sim, dir.write("g.hkl", std::string(line) + "\n1\n1 0 0\n")));
        EXPECT_EQ(t.sim.fields.spaceGroupIndex, position) << line;
    }

    // A byte-order mark before the cell, indices written as whole decimals, the extremes of the
    // 16-bit indices, and a count up to the list's capacity are all taken.
    ASSERT_TRUE(
        test::openFile(t.sim, dir.write("bom.hkl", "\xEF\xBB\xBF"
                                                   "4 4 4 90 90 90 225\r\n1\r\n1 1 1\r\n")));
    EXPECT_EQ(t.sim.fields.cell[0], "4");
    EXPECT_EQ(formatNumber(t.sim.reflections.d[0], "0.0000"), "2.3094");
    const std::string wide = "4 4 4 90 90 90 225\n+3\n1.0 -0 2e0\n-32768 0 0\n0 32767 0 a b\n";
    ASSERT_TRUE(test::openFile(t.sim, dir.write("wide.hkl", wide)));
    EXPECT_EQ(t.sim.reflections.h, (std::vector<std::int16_t>{1, -32768, 0}));
    EXPECT_EQ(t.sim.reflections.k, (std::vector<std::int16_t>{0, 0, 32767}));
    EXPECT_EQ(t.sim.reflections.l, (std::vector<std::int16_t>{2, 0, 0}));
    std::string full = "4 4 4 90 90 90 225\n32767\n";
    for (int i = 1; i <= 32767; ++i) full += "0 0 " + std::to_string(i) + "\n";
    ASSERT_TRUE(test::openFile(t.sim, dir.write("full.hkl", full)));
    EXPECT_EQ(t.sim.reflections.count(), 32767);
}

// Every problem names the file and, where there is one, the line; nothing changes.
TEST(HklFile, RefusesWhatItCannotUse) {
    TempDir dir;
    TestSimulation t;
    ASSERT_TRUE(test::openFile(t.sim, dir.write("good.hkl", "4 4 4 90 90 90 225\n1\n1 1 1\n")));
    const std::string before = stateOf(t.sim);

    const std::string cubic = "4 4 4 90 90 90 225\n";
    const auto noCell = [](const std::string& cell, const std::string& why) {
        return "line 1: the cell " + cell + " gives no valid lattice (" + why + ")";
    };
    const std::string count =
        "line 2 should hold the number of reflections, a whole number of 0 or more, but reads \"";
    const auto outside = [](const std::string& index) {
        return "line 3: the index \"" + index + "\" lies outside -32768..32767";
    };
    const std::pair<std::string, std::string> cases[] = {
        {"0 0 0 90 90 90 225\n0\n", noCell("0 0 0 90 90 90", "a length is not positive")},
        {"4 4 4 180 90 90\n0\n", noCell("4 4 4 180 90 90", "no cell has these angles")},
        {"1e39 4 4 90 90 90\n0\n",
         "cannot be loaded: Lattice constant a is not a usable number: 1e39"},
        {"4 4 4 179.999 90 90\n1\n1 0 0\n",
         "line 3: (1 0 0) gets no finite positive d-spacing in this cell"},
        {cubic + "abc\n", count + "abc\""},
        {cubic + "-1\n", count + "-1\""},
        {cubic + " 1.5 \n1 0 0\n2 0 0\n", count + "1.5\""},
        {cubic + "\n", count + "\""},
        {cubic + "32768\n", "line 2 announces \"32768\" reflections; a list holds at most 32767"},
        {cubic + "2\n1 1 1\n0 0 0\n", "line 4: (0 0 0) is not a lattice plane"},
        {cubic + "1\n40000 0 0\n", outside("40000")},
        {cubic + "1\n0 0 -32769\n", outside("-32769")},
        {cubic + "1\n1e999 0 0\n", outside("1e999")},
        {cubic + "1\n1 0 " + std::string(40, '7') + "\n", outside("777777777777777777777777...")},
        {cubic + "1\n1.5 0 0\n", "line 3: \"1.5\" is not a whole number"},
        {cubic + "1\n1 abc 0\n", "line 3: \"abc\" is not a number"},
        {cubic + "1\n1 0 \x01\x1b[2J\n", "line 3: \"??[2J\" is not a number"},
        {cubic + "1\n1 0\n", "line 3 does not hold h k l"},
        {cubic + "3\n1 0 0\n2 0 0\n", "ends early: it announces 3 reflections but holds 2"}};
    for (const auto& [content, problem] : cases) {
        const std::string path = dir.write("bad.hkl", content);
        EXPECT_EQ(test::openFile(t.sim, path).problem(), "\"" + path + "\" " + problem);
        EXPECT_EQ(stateOf(t.sim), before) << content;
    }
}

// Only the reflections above the drawn threshold are written, and line 2 counts them.
TEST(HklFile, Writing) {
    TempDir dir;
    TestSimulation t, u;
    setFields(t.sim, 225, kCubic4);
    ASSERT_TRUE(generateReflections(t.sim));
    EXPECT_EQ(hklText(t.sim).substr(0, 26), "4 4 4 90 90 90 225\r\n 34 \r\n");
    t.sim.document.displayDMin = 1.5f; // the slider moved to 1.5
    const std::string path = dir.file("out.hkl");
    ASSERT_TRUE(save(t.sim, path));
    const auto lines = splitLines(readFile(path));
    ASSERT_EQ(lines.size(), 2u + 14u); // {111} and {200}
    EXPECT_EQ(lines[1], " 14 ");
    EXPECT_EQ(lines[2], "   1  -1   1");

    // Reading the file back gives the same reflections, and saving again keeps them all.
    ASSERT_TRUE(test::openFile(u.sim, path));
    EXPECT_EQ(u.sim.reflections.count(), 14);
    EXPECT_EQ(hklText(u.sim), readFile(path));

    // Indices of 4 and more characters keep a blank before them, so that the file reads back;
    // shorter ones keep the columns of 4. Spacings that are not finite and positive are left out.
    setFields(t.sim, 1, {"4", "5", "6", "80", "85", "95"});
    takeReading(t.sim, readDocument(t.sim.fields, t.sim.document));
    ReflectionList& r = t.sim.reflections;
    const std::int16_t indices[][3] = {
        {1, -1, 0}, {0, -100, 0}, {-999, 999, 1000}, {-32768, 32767, -1000}, {-99, 99, 999}};
    for (const auto& [h, k, l] : indices) {
        Vec3f g{static_cast<float>(h), static_cast<float>(k), static_cast<float>(l)};
        toCartesian(t.sim.document.matrices, g, false);
        r.append(h, k, l, dSpacing(t.sim.document.cell, h, k, l), g);
    }
    for (float d :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 0.0f})
        r.append(0, 0, 0, d, {0, 0, 0});
    const Lines wide = splitLines(hklText(t.sim));
    EXPECT_EQ(Lines(wide.begin() + 1, wide.end()),
              (Lines{" 5 ", "   1  -1   0", "   0 -100   0", " -999 999 1000",
                     " -32768 32767 -1000", " -99  99 999"}));

    ASSERT_TRUE(test::openFile(u.sim, dir.write("wide.hkl", hklText(t.sim))));
    EXPECT_EQ(u.sim.reflections.l, (std::vector<std::int16_t>{0, 0, 1000, -1000, 999}));
    EXPECT_EQ(hklText(u.sim), hklText(t.sim));

    // A write that fails names the file (the atomic writer keeps what was there).
    const std::string nowhere = dir.file("no/such/folder/x.hkl");
    EXPECT_TRUE(contains(save(t.sim, nowhere).problem(), nowhere));
}

TEST(Report, HeaderAndReflectionLines) {
    TestSimulation t;
    setFields(t.sim, 225, kCubic4);
    t.sim.fields.title = "Aluminium-like";
    t.sim.fields.film = {"100", "80", "50"};
    t.sim.fields.orientation = "0 0 1 ";
    ASSERT_TRUE(generateReflections(t.sim));
    const Lines lines = splitLines(reportText(t.sim, "2026-12-06 10:00:00"));
    ASSERT_EQ(lines.size(), 15u + 34u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 15),
              (Lines{"Tavrel/Morwen Simulation Report (2026-12-06 10:00:00)", "",
                     "Annotation  : Aluminium-like", "Unit Cell   : 4 4 4 90 90 90",
                     "Space Group : 225, F m 3 m", "Orientation : 0 0 1", "Wavelength 1: 1.5418",
                     "Wavelength 2: 0.0", "d-Minimum   : 1.0", "d-Maximum   : 2.3094",
                     "Film Size   : 100 x 80, d=50", "HKL Limits  : 2 2 2", "",
                     "Number of Generated HKL: 34", "#       h   k   l       d   th(wl1)"}));
    // Row number cut to 4 characters and a blank, h k l in 4 characters each, d in 8, theta.
    EXPECT_EQ(lines[15], "1       1  -1   1  2.3094    19.500");
    EXPECT_EQ(lines[48].substr(0, 5), "34   ");
}

// The words of a line with the column each ends in.
std::vector<std::pair<std::string, std::size_t>> wordEnds(const std::string& line) {
    std::vector<std::pair<std::string, std::size_t>> words;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t start = line.find_first_not_of(' ', i);
        if (start == std::string::npos) break;
        const std::size_t end = std::min(line.find(' ', start), line.size());
        words.emplace_back(line.substr(start, end - start), end);
        i = end;
    }
    return words;
}

// Every heading ends where the numbers under it end, whatever columns the report has.
TEST(Report, HeadingsStandOverTheirNumbers) {
    for (const bool second : {false, true})
        for (const bool atoms : {false, true})
            for (const bool fourIndex : {false, true}) {
                TestSimulation t;
                setFields(t.sim, 225, kCubic4, "1.5418", second ? "1.5444" : "0");
                if (atoms) t.sim.atoms = {{"Al1", "Al", 0, 0, 0, 1, 0.5}};
                ASSERT_TRUE(generateReflections(t.sim));
                const Lines lines = splitLines(reportText(t.sim, "now", fourIndex));
                const auto headings = wordEnds(lines.at(14 + (atoms ? 2 : 0)));
                const std::size_t columns = 6u + fourIndex + second + atoms;
                ASSERT_EQ(headings.size(), columns) << lines.at(14 + (atoms ? 2 : 0));
                for (const std::string& row : {lines.at(15 + (atoms ? 2 : 0)), lines.back()}) {
                    const auto numbers = wordEnds(row);
                    ASSERT_EQ(numbers.size(), columns) << row;
                    for (std::size_t i = 1; i < columns; ++i)
                        EXPECT_EQ(headings[i].second, numbers[i].second)
                            << headings[i].first << " over " << row;
                }
            }
}

std::string cellItems(const Cell& cell) {
    static const char* const kNames[] = {"length_a",    "length_b",   "length_c",
                                         "angle_alpha", "angle_beta", "angle_gamma"};
    std::string s;
    for (std::size_t i = 0; i < 6; ++i)
        if (!cell[i].empty()) s += std::string("_cell_") + kNames[i] + " " + cell[i] + "\n";
    return s;
}

std::string operationLoop(const std::vector<std::string>& operations,
                          const std::string& tag = "_space_group_symop_operation_xyz") {
    std::string s = "loop_\n" + tag + "\n";
    for (const std::string& op : operations) s += "'" + op + "'\n";
    return s;
}

const Cell kCopper{"3.6149", "3.6149", "3.6149", "90", "90", "90"};
const Cell kSilicon{"5.4307", "5.4307", "5.4307", "90", "90", "90"};
const Cell kMonoclinicB{"5", "6", "7", "90", "100", "90"};
const Cell kMonoclinicC{"5", "6", "7", "90", "90", "100"};
const Cell kCorundum{"4.7589", "4.7589", "12.991", "90", "90", "120"};
const Cell kRhombohedral{"5.128", "5.128", "5.128", "55.28", "55.28", "55.28"};
const std::vector<std::string> kP121c1{"x, y, z", "-x, y+1/2, -z+1/2", "-x, -y, -z",
                                       "x, -y+1/2, z+1/2"};
const std::vector<std::string> kP1121b{"x,y,z", "-x,-y+1/2,z+1/2", "-x,-y,-z", "x,y+1/2,-z+1/2"};
// One operation per centring coset of C 1 2/c 1.
const std::vector<std::string> kC12c1Cosets{"x,y,z", "-x,y,-z+1/2", "-x,-y,-z", "x,-y,z+1/2"};
const std::string kP121c1Symbol = "P 21/c = P 1 21/c 1 = 14:b1";

// The same document typed into the fields, limits automatic: what opening the CIF must give.
ReflectionList typedIn(int group, const Cell& cell) {
    Simulation sim;
    sim.fields.resetForNewDocument();
    sim.fields.spaceGroupIndex = group - 1;
    sim.fields.cell = cell;
    sim.fields.d[1] = "0";
    sim.fields.autoLimits = true;
    EXPECT_TRUE(generateReflections(sim));
    return sim.reflections;
}

bool sameReflections(const ReflectionList& a, const ReflectionList& b) {
    return a.h == b.h && a.k == b.k && a.l == b.l && a.d == b.d;
}

// Structures in their standard settings open as the same document typed into the fields would:
// title, cell texts (without uncertainties), group and reflections, the hkl limits automatic
// (a file of another writer says nothing of them; limits of 2 would leave out silicon's (3 1 1)).
TEST(CifFile, StandardSettingsOpenLikeTheTypedDocument) {
    const std::tuple<std::string, std::string, int, Cell> cases[] = {
        {"_chemical_name_common Copper\n_chemical_formula_sum Cu\n" + cellItems(kCopper) +
             "_space_group_name_H-M_alt 'F m -3 m'\n_space_group_IT_number 225\n",
         "Copper", 225, kCopper},
        // Uncertainties, old item names, no angles (90 by default), the formula as the title.
        {"_chemical_formula_sum 'Si'\n" + cellItems({"5.4307(2)", "5.4307(2)", "5.4307(2)"}) +
             "_symmetry_space_group_name_H-M 'F d -3 m'\n_symmetry_Int_Tables_number 227\n",
         "Si", 227, kSilicon},
        // On hexagonal axes, named by a Hall symbol only.
        {"_chemical_name_mineral\n;Corundum\n  (synthetic)\n;\n" + cellItems(kCorundum) +
             "_space_group_name_Hall '-R 3 2\"c'\n",
         "Corundum (synthetic)", 167, kCorundum}};
    TempDir dir;
    for (const auto& [body, title, group, cell] : cases) {
        TestSimulation t;
        const std::string path = dir.write("s.cif", "data_sample\n" + body);
        const Result<NewListReport> outcome = test::openFile(t.sim, path);
        ASSERT_TRUE(outcome) << outcome.problem();
        EXPECT_TRUE(outcome->warnings.empty()) << outcome->warnings[0];
        EXPECT_EQ(t.sim.fields.title, title);
        EXPECT_EQ(t.sim.fields.cell, cell) << title;
        EXPECT_EQ(t.sim.fields.spaceGroupIndex, group - 1);
        EXPECT_EQ(t.sim.fields.settingRow, rowForGroup(group, rGroupAxesFor(std::stof(cell[5]))))
            << title;
        EXPECT_TRUE(t.sim.fields.autoLimits) << title;
        EXPECT_GT(t.sim.reflections.count(), 0);
        EXPECT_TRUE(sameReflections(t.sim.reflections, typedIn(group, cell))) << title;
    }
}

// The setting is the one whose operations the file lists (by either item name), the Hall
// symbol builds, or the symbol names (on the axes the cell has), in that order; never the
// group's first setting by default. Doubts are told in one warning naming the file: several
// structures, no symmetry at all, operations that contradict the group number.
TEST(CifFile, TheFileChoosesTheSettingAndWarnsOfDoubts) {
    const std::string cubic = cellItems({"4", "4", "4", "90", "90", "90"});
    const auto in = [](const Cell& cell, const std::string& symmetry) {
        return "data_s\n" + cellItems(cell) + symmetry;
    };
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {in(kMonoclinicC, operationLoop({"x,y,z", "-x,-y+0.5,z+.5", "-x,-y,-z", "x,0.5+y,0.50-z"},
                                        "_symmetry_equiv_pos_as_xyz")),
         "P 21/c = P 1 1 21/b = P 21/b = 14:c3", ""},
        {in(kMonoclinicB, operationLoop(kC12c1Cosets) + "_space_group_name_H-M_alt 'C 1 2/c 1'\n"),
         "C 2/c = C 1 2/c 1 = 15:b1", ""},
        {in(kMonoclinicB, "_space_group_name_Hall '-P 2yn (x-z,y,z)'\n"), kP121c1Symbol, ""},
        {in(kRhombohedral, "_space_group_name_H-M_alt 'R -3 c'\n"), "R -3 c = 167:R", ""},
        {in(kCorundum, "_space_group_name_H-M_alt 'R -3 c'\n"), "R -3 c = 167:H", ""},
        {"data_paper\n_publ_section_title 'A study'\ndata_alpha\n" + cubic +
             "_space_group_IT_number 229\ndata_beta\n" + cubic,
         "I m -3 m", "holds 2 structures; the first, data_alpha, was opened"},
        {"data_bare\n" + cubic, "P 1", "(data_bare): gives no symmetry"},
        {in(kMonoclinicB, operationLoop(kP121c1) + "_space_group_IT_number 15\n"), kP121c1Symbol,
         "are those of " + kP121c1Symbol + ", not of group 15"}};
    TempDir dir;
    for (const auto& [content, setting, warning] : cases) {
        TestSimulation t;
        const std::string path = dir.write("s.cif", content);
        const Result<NewListReport> opened = test::openFile(t.sim, path);
        ASSERT_TRUE(opened) << setting << ": " << opened.problem();
        EXPECT_EQ(t.sim.group.extendedSymbol(), setting);
        ASSERT_EQ(opened->warnings.size(), warning.empty() ? 0u : 1u) << setting;
        if (!warning.empty()) {
            EXPECT_TRUE(contains(opened->warnings[0], "\"" + path + "\"")) << warning;
            EXPECT_TRUE(contains(opened->warnings[0], warning)) << opened->warnings[0];
        }
    }
}

// A file's setting brings its absences (P 1 1 21/b removes hk0 with odd k, not h0l as the list's
// b-unique setting does) and holds only for its group; a pattern input file cannot store it, so
// saving says what it will be read back as.
TEST(CifFile, ANonStandardSettingKeepsItsAbsencesUntilTheGroupChanges) {
    TempDir dir;
    TestSimulation t;
    ASSERT_TRUE(test::openFile(
        t.sim, dir.write("c.cif", "data_c\n" + cellItems(kMonoclinicC) + operationLoop(kP1121b))));
    EXPECT_TRUE(t.sim.group.isAbsent(1, 1, 0));
    EXPECT_FALSE(t.sim.group.isAbsent(1, 0, 1));
    EXPECT_FALSE(sameReflections(t.sim.reflections, typedIn(14, kMonoclinicC)));
    const int row = t.sim.fields.settingRow.value();

    const Result<std::vector<std::string>> saved = save(t.sim, dir.file("c.tvr"));
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->size(), 1u);
    EXPECT_EQ(saved->front(),
              "\"" + dir.file("c.tvr") +
                  "\" stores only the space-group number: opened again, it is simulated in "
                  "the setting P 21/c = P 1 21/c 1 = 14:b1, not in P 21/c = P 1 1 21/b = P "
                  "21/b = 14:c3 as now");

    // Another group in the list drops the setting.
    t.sim.fields.spaceGroupIndex = 12;
    takeReading(t.sim, readDocument(t.sim.fields, t.sim.document));
    EXPECT_FALSE(t.sim.fields.settingRow);
    t.sim.fields.spaceGroupIndex = 13;
    takeReading(t.sim, readDocument(t.sim.fields, t.sim.document));
    EXPECT_NE(t.sim.group.row(), row);
    EXPECT_EQ(t.sim.group.extendedSymbol(), kP121c1Symbol);
}

TEST(CifFile, RefusedFilesNameTheProblemAndChangeNothing) {
    const std::string x = "data_x\n", cubic = x + cellItems({"4", "4", "4", "90", "90", "90"});
    // P 1 21/c 1 with its inversion centre at (1/4 0 0): no tabulated setting.
    const std::vector<std::string> shifted{"x,y,z", "-x,y+1/2,-z+1/2", "-x+1/2,-y,-z",
                                           "x+1/2,-y+1/2,z+1/2"};
    const std::pair<std::string, std::string> cases[] = {
        {x + "_cell_length_a 'open\n", "is not a readable CIF: line 2"},
        {"", "holds no structure"},
        {x + "_chemical_name_common Salt\n", "holds no structure"},
        {x + "_cell_length_a 4\n_cell_length_c 4\n", "gives no _cell_length_b"},
        {x + cellItems({"4", "abc", "4"}), "_cell_length_b \"abc\" is not a number"},
        {x + cellItems({"4", "4", "4", "10", "10", "170"}),
         "its cell 4 4 4 10 10 170 describes no unit cell"},
        {cubic + operationLoop({"x,y,z", "x,y"}), "symmetry operation \"x,y\" cannot be read"},
        {cubic + operationLoop({"x,y,z", "x+y,y,z"}), "form no space group"},
        {x + cellItems(kMonoclinicB) + operationLoop(shifted) +
             "_space_group_name_H-M_alt 'P 1 21/c 1'\n",
         "(data_x): its 4 symmetry operations match none of the 530 space-group settings"},
        {cubic + "_space_group_name_Hall '-P 2ybc (1 0 0)'\n",
         "Hall symbol \"-P 2ybc (1 0 0)\" names none of the 530"},
        {cubic + "_space_group_IT_number 231\n", "number \"231\" is not 1 to 230"}};
    TempDir dir;
    TestSimulation t;
    const std::string before = stateOf(t.sim);
    for (const auto& [content, problem] : cases) {
        const std::string path = dir.write("bad.cif", content);
        const Result<NewListReport> r = test::openFile(t.sim, path);
        EXPECT_FALSE(r) << problem;
        EXPECT_TRUE(startsWith(r.problem(), "\"" + path + "\"")) << r.problem();
        EXPECT_TRUE(contains(r.problem(), problem)) << r.problem();
    }
    EXPECT_FALSE(test::openFile(t.sim, dir.file("missing.cif")));
    EXPECT_EQ(stateOf(t.sim), before);
}

// A CIF of a cell ("5 6 7": angles of 90 by default) and a Hermann-Mauguin symbol.
std::string cif(const std::string& cell, const std::string& symbol) {
    Cell values;
    const std::vector<std::string> words = splitBlanks(cell);
    std::copy(words.begin(), words.end(), values.begin());
    return "data_x\n_symmetry_space_group_name_H-M '" + symbol + "'\n" + cellItems(values);
}

// A cell that breaks its setting's constraints by more than its standard uncertainties (0.1 % of
// a length or 0.1 degree where the file gives none) is refused naming the parameter and the
// group (expected after "!"); within them it is taken (expected: the setting).
TEST(CifFile, TheCellMustFitItsGroup) {
    const std::pair<std::string, const char*> cases[] = {
        {cif("4.1 4.3 5 90 90 90", "P 4/m m m"), "!P 4/m m m: b = 4.3 should equal a = 4.1"},
        {cif("3 3 5 90 90 90", "P 63/m m c"), "!P 63/m m c: gamma = 90 should be 120"},
        {cif("90 90 90 4.583 4.583 4.583", "F m -3 m"), "!F m -3 m: alpha = 4.583 should be 90"},
        {cif("4.1000(5) 4.1030(5) 5", "P 4/m m m"), "!b = 4.1030 should equal a = 4.1000"},
        {cif("5 6 7 90 95 90", "P 1 1 21/b"), "!beta = 95 should be 90"},
        {cif("5 5 5 80 80 81", "R -3 m"), "!R -3 m = 166:R: gamma = 81 should equal alpha = 80"},
        {cif("5 5 5 90.05(2) 90 90", "I m -3 m"), "!alpha = 90.05 should be 90"},
        {cif("4.1000(5) 4.1008(5) 5", "P 4/m m m"), "P 4/m m m"},
        {cif("5.000 5.004 4.996 90 90 90.05", "P m -3 m"), "P m -3 m"},
        {cif("5 6 7 90 90 95", "P 1 1 21/b"), "P 21/c = P 1 1 21/b = P 21/b = 14:c3"}};
    for (const auto& [text, expected] : cases) {
        const Result<CifStructure> read = readCifText(text, "c.cif");
        if (expected[0] == '!')
            EXPECT_TRUE(startsWith(read.problem(), "\"c.cif\" (data_x): its cell does not fit "
                                                   "its space group ") &&
                        contains(read.problem(), expected + 1))
                << read.problem();
        else
            EXPECT_EQ(read ? extendedSymbolOfRow(read->settingRow) : read.problem(), expected);
    }
}

// A byte-order mark is read past; a title of a megabyte is cut at a character boundary with a
// word (in a CIF and a pattern input file alike); a missing file says "cannot be read" once.
TEST(CifFile, MarksTitlesAndMessages) {
    std::string name;
    for (int i = 0; i < 400000; ++i) name += "\xC3\xA9"; // two bytes each
    const Result<CifStructure> read = readCifText("\xEF\xBB\xBF" + cif("3.6 3.6 3.6", "F m -3 m") +
                                                      "_chemical_name_mineral '" + name + "'",
                                                  "t.cif");
    ASSERT_TRUE(read) << read.problem();
    EXPECT_EQ(read->title, name.substr(0, 2 * kLongestTitle));
    EXPECT_EQ(read->warnings, std::vector<std::string>{"\"t.cif\" (data_x): its title is longer "
                                                       "than 1000 characters; only the first "
                                                       "1000 were kept"});

    test::TempDir dir;
    std::string tvr = std::string(kTvrHeader) + "\n" + std::string(100000, 'x') + "\n224\n";
    for (int line = 4; line <= 22; ++line) tvr += line <= 6 ? "4\n" : "90\n";
    const Result<InputFile> file = readInputFile(dir.write("t.tvr", tvr), InputFormat::Tvr, {});
    ASSERT_TRUE(file) << file.problem();
    EXPECT_EQ(file->fields.title, std::string(kLongestTitle, 'x'));
    EXPECT_EQ(file->warnings.size(), 1u);

    EXPECT_EQ(readCifFile(dir.file("no.cif")).problem(),
              "\"" + dir.file("no.cif") + "\" cannot be read: No such file or directory");
}

// Mutated pattern input and reflection files: each is read into a consistent simulation whose
// texts can be written, or refused naming the file with the simulation left as it was.
constexpr int kInputs = 2000;
// Mutated hkl limits can span billions of triples; the loops are cut short as Escape would.
constexpr int kLargestLoop = 2000;

struct Mutator {
    std::mt19937 random;

    int pick(int lowest, int highest) {
        return std::uniform_int_distribution<int>(lowest, highest)(random);
    }
    std::size_t position(std::size_t highest) {
        return std::uniform_int_distribution<std::size_t>(0, highest)(random);
    }
    // A text that means something to a reader.
    std::string interestingText() {
        static const std::vector<std::string> texts = {
            "0",    "-",     ".",      "e",     "9",     "1e30",  "1e39",         "-100",
            "1000", "40000", "-32769", "32767", "1.5",   "180",   "179.9",        "\n",
            "\r\n", " ",     "nan",    "1e-30", "0 0 0", "\n0\n", "\xEF\xBB\xBF", "99999",
            "x",    "\t"};
        return texts[position(texts.size() - 1)];
    }

    // One to three edits: a byte replaced, a text inserted, bytes erased, or lines swapped,
    // doubled or dropped.
    std::string mutate(std::string s) {
        static const std::string bytes = "0123456789-+.eE \t\r\n"; // a reader's bytes
        for (int i = 0, count = pick(1, 3); i < count; ++i) {
            const int edit = pick(0, 4);
            if (edit == 1) {
                s.insert(position(s.size()), interestingText());
            } else if (edit == 2 && !s.empty()) {
                const std::size_t at = position(s.size() - 1);
                s.erase(at, static_cast<std::size_t>(pick(1, 8)));
            } else if (edit == 3) {
                s = shuffleLines(s);
            } else if (edit != 2 && !s.empty()) {
                s[position(s.size() - 1)] = edit == 0 && pick(0, 1)
                                                ? bytes[position(bytes.size() - 1)]
                                                : static_cast<char>(pick(0, 255));
            }
        }
        return s;
    }
    std::string shuffleLines(const std::string& s) {
        std::vector<std::string> lines = splitLines(s);
        if (lines.empty()) return s;
        const std::size_t a = position(lines.size() - 1), b = position(lines.size() - 1);
        const int how = pick(0, 2);
        if (how == 0)
            std::swap(lines[a], lines[b]);
        else if (how == 1)
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(a), lines[b]);
        else
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(a));
        const std::string end = pick(0, 1) ? "\r\n" : "\n";
        std::string out;
        for (const std::string& line : lines) out += line + end;
        return out;
    }
};

// What an accepted file must have given.
void expectConsistent(const Simulation& sim, InputFormat format) {
    const ReflectionList& r = sim.reflections;
    const std::size_t n = r.d.size();
    for (const auto* v : {&r.gx, &r.gy, &r.gz}) ASSERT_EQ(v->size(), n);
    for (const auto* v : {&r.h, &r.k, &r.l}) ASSERT_EQ(v->size(), n);
    EXPECT_LE(r.count(), kMaxReflections);
    EXPECT_EQ(sim.points.size(), n);
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_TRUE(std::isfinite(r.d[i]) && r.d[i] > 0) << "d = " << r.d[i];
        ASSERT_TRUE(std::isfinite(r.gx[i]) && std::isfinite(r.gy[i]) && std::isfinite(r.gz[i]));
        ASSERT_FALSE(r.h[i] == 0 && r.k[i] == 0 && r.l[i] == 0);
    }
    if (format == InputFormat::Tvr) {
        EXPECT_TRUE(std::is_sorted(r.d.rbegin(), r.d.rend())) << "not sorted by d";
    }
    // The texts never throw.
    EXPECT_EQ(splitLines(reportText(sim, "now")).size(), 15 + n);
    EXPECT_NO_THROW(hklText(sim));
}

TEST(InputFuzz, EveryInputIsReadConsistentlyOrRefusedWithoutChange) {
    TempDir dir;
    TestSimulation iron, t;
    test::setIron(iron.sim);
    ASSERT_TRUE(generateReflections(iron.sim));
    const std::pair<std::string, InputFormat> seeds[] = {
        {readFile(TAVREL_EXAMPLES "/iron.tvr"), InputFormat::Tvr},
        {readFile(TAVREL_EXAMPLES "/silicon.tvr"), InputFormat::Tvr},
        {hklText(iron.sim), InputFormat::Hkl},
        {"5.1 6.2 7.3 80 95 100 2\r\n 4 \r\n   1   0   0\r\n   0  -1   2\r\n -100 200   3\r\n"
         "   3   3 -1000\r\n",
         InputFormat::Hkl},
        {"3.2 3.2 5.2 90 90 120\n3\n1 0 0\n0 0 2\n1 0 1\n", InputFormat::Hkl},
        {"\xEF\xBB\xBF"
         "4.05 4.05 4.05 90 90 90 225\r\n2\r\n1 1 1\r\n2 0 0\r\n",
         InputFormat::Hkl}};
    for (const auto& seed : seeds) ASSERT_GT(seed.first.size(), 20u);

    ASSERT_TRUE(test::openFile(t.sim, TAVREL_EXAMPLES "/iron.tvr"));
    Mutator mutator{std::mt19937(20261206)};
    int accepted = 0, refused = 0;
    for (int i = 0; i < kInputs && !testing::Test::HasFatalFailure(); ++i) {
        const auto& [seed, seedFormat] = seeds[static_cast<std::size_t>(mutator.pick(0, 5))];
        // Now and then a file of one format under the other's extension.
        InputFormat format = seedFormat;
        if (mutator.pick(0, 9) == 0)
            format = format == InputFormat::Tvr ? InputFormat::Hkl : InputFormat::Tvr;
        const std::string content = mutator.mutate(seed);
        SCOPED_TRACE("input " + std::to_string(i) + ": " + testing::PrintToString(content));
        // A new file each time: rewriting one would flush it to disk on every close.
        const std::string name = format == InputFormat::Tvr ? "fuzz.tvr" : "fuzz.hkl";
        std::filesystem::remove(dir.file(name));
        const std::string path = dir.write(name, content);

        int steps = 0;
        try {
            const Result<InputFile> file = readInputFile(path, format, t.sim.fields);
            if (!file) {
                ++refused;
                EXPECT_NE(file.problem().find(path), std::string::npos) << file.problem();
                EXPECT_GT(file.problem().size(), path.size() + 3);
                continue;
            }
            ++accepted;
            // Input the simulation refuses gives an empty list, which is consistent too.
            (void)takeInputFile(t.sim, *file, [&] { return ++steps > kLargestLoop; });
            expectConsistent(t.sim, format);
        } catch (const std::exception& e) {
            FAIL() << "exception \"" << e.what() << "\"";
        }
    }
    // The mutations must reach both outcomes often, or the test proves little.
    EXPECT_GT(accepted, kInputs / 10);
    EXPECT_GT(refused, kInputs / 10);
}

} // namespace
} // namespace tavrel
