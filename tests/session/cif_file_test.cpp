#include "common/text.h"
#include "session/cif_file.h"
#include "session/generation.h"
#include "support/temp_dir.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

using test::TempDir;
using test::TestSimulation;

std::string cellItems(const std::array<std::string, 6>& cell) {
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

const std::array<std::string, 6> kMonoclinicB{"5", "6", "7", "90", "100", "90"};
const std::array<std::string, 6> kMonoclinicC{"5", "6", "7", "90", "90", "100"};
const std::array<std::string, 6> kOrthorhombic{"5", "6", "7", "90", "90", "90"};
const std::vector<std::string> kP121c1{"x, y, z", "-x, y+1/2, -z+1/2", "-x, -y, -z",
                                       "x, -y+1/2, z+1/2"};
const std::vector<std::string> kP1121b{"x,y,z", "-x,-y+1/2,z+1/2", "-x,-y,-z", "x,y+1/2,-z+1/2"};
// P 1 21/c 1 with its inversion centre at (1/4 0 0): no tabulated setting.
const std::vector<std::string> kP121c1Shifted{"x,y,z", "-x,y+1/2,-z+1/2", "-x+1/2,-y,-z",
                                              "x+1/2,-y+1/2,z+1/2"};
// One operation per centring coset of C 1 2/c 1.
const std::vector<std::string> kC12c1Cosets{"x,y,z", "-x,y,-z+1/2", "-x,-y,-z", "x,-y,z+1/2"};

// The same document typed into the fields: what opening the CIF must give.
ReflectionList typedIn(int group, const std::array<std::string, 6>& cell) {
    RecordingNotifier notifier;
    Simulation sim(notifier);
    sim.fields.resetForNewDocument();
    sim.fields.spaceGroupIndex = group - 1;
    sim.fields.cell = cell;
    sim.fields.d[1] = "0";
    generateReflections(sim);
    return sim.reflections;
}

bool sameReflections(const ReflectionList& a, const ReflectionList& b) {
    return a.h == b.h && a.k == b.k && a.l == b.l && a.d == b.d;
}

std::string extendedSymbol(const Simulation& sim) {
    return sim.engine.extendedSymbol();
}

// Structures in their standard settings open as the same document typed into the fields would:
// title, cell texts (without uncertainties), group and reflections.
TEST(CifFile, StandardSettingsOpenLikeTheTypedDocument) {
    struct Case {
        std::string body;
        std::string title;
        int group;
        std::array<std::string, 6> cell;
    };
    const Case cases[] = {
        {"_chemical_name_common Copper\n_chemical_formula_sum Cu\n" +
             cellItems({"3.6149", "3.6149", "3.6149", "90", "90", "90"}) +
             "_space_group_name_H-M_alt 'F m -3 m'\n_space_group_IT_number 225\n",
         "Copper",
         225,
         {"3.6149", "3.6149", "3.6149", "90", "90", "90"}},
        // Uncertainties, old item names, no angles (90 by default), the formula as the title.
        {"_chemical_formula_sum 'Si'\n" + cellItems({"5.4307(2)", "5.4307(2)", "5.4307(2)"}) +
             "_symmetry_space_group_name_H-M 'F d -3 m'\n_symmetry_Int_Tables_number 227\n",
         "Si",
         227,
         {"5.4307", "5.4307", "5.4307", "90", "90", "90"}},
        {"_chemical_name_mineral Quartz\n" +
             cellItems({"4.9134(2)", "4.9134(2)", "5.4052(3)", "90", "90", "120"}) +
             operationLoop({"x,y,z", "-y,x-y,z+2/3", "-x+y,-x,z+1/3", "y,x,-z", "x-y,-y,-z+1/3",
                            "-x,-x+y,-z+2/3"}),
         "Quartz",
         154,
         {"4.9134", "4.9134", "5.4052", "90", "90", "120"}},
        // On hexagonal axes, named by a Hall symbol only.
        {"_chemical_name_mineral\n;Corundum\n  (synthetic)\n;\n" +
             cellItems({"4.7589", "4.7589", "12.991", "90", "90", "120"}) +
             "_space_group_name_Hall '-R 3 2\"c'\n",
         "Corundum (synthetic)",
         167,
         {"4.7589", "4.7589", "12.991", "90", "90", "120"}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        TestSimulation t;
        const std::string path = dir.write("s.cif", "data_sample\n" + c.body);
        const FileOutcome outcome = openInputFile(t.sim, path, inputFormatOf(path).value());
        ASSERT_TRUE(outcome.ok) << outcome.error;
        EXPECT_TRUE(t.notifier.events.empty()) << t.notifier.events[0].text;
        EXPECT_EQ(t.sim.fields.title, c.title);
        EXPECT_EQ(t.sim.fields.cell, c.cell) << c.title;
        EXPECT_EQ(t.sim.fields.spaceGroupIndex, c.group - 1);
        EXPECT_EQ(t.sim.fields.settingRow, t.sim.engine.rowForGroup(c.group)) << c.title;
        EXPECT_EQ(t.sim.fields.hklMax[0], "2"); // a new document's limits
        EXPECT_EQ(t.sim.document.filePath, path);
        EXPECT_EQ(t.changes.back(), SimulationChange::Generated);
        EXPECT_GT(t.sim.reflections.count(), 0);
        EXPECT_TRUE(sameReflections(t.sim.reflections, typedIn(c.group, c.cell))) << c.title;
    }
}

// The setting is the one whose operations the file lists, the Hall symbol builds, or the
// symbol names, in that order; never the group's first setting by default.
TEST(CifFile, TheFileChoosesTheSetting) {
    struct Case {
        const char* what;
        std::array<std::string, 6> cell;
        std::string symmetry;
        std::string setting;
    };
    const Case cases[] = {
        {"b-unique operations", kMonoclinicB, operationLoop(kP121c1),
         "P 21/c = P 1 21/c 1 = 14:b1"},
        {"c-unique operations", kMonoclinicC, operationLoop(kP1121b),
         "P 21/c = P 1 1 21/b = P 21/b = 14:c3"},
        {"decimal translations, old item name", kMonoclinicC,
         operationLoop({"x,y,z", "-x,-y+0.5,z+.5", "-x,-y,-z", "x,0.5+y,0.50-z"},
                       "_symmetry_equiv_pos_as_xyz"),
         "P 21/c = P 1 1 21/b = P 21/b = 14:c3"},
        {"origin choice 1 operations", kOrthorhombic,
         operationLoop({"x,y,z", "-x,-y,z", "-x,y,-z", "x,-y,-z", "-x+1/2,-y+1/2,-z+1/2",
                        "x+1/2,y+1/2,-z+1/2", "x+1/2,-y+1/2,z+1/2", "-x+1/2,y+1/2,z+1/2"}) +
             "_space_group_name_H-M_alt 'P n n n'\n",
         "P n n n = 48:1"},
        {"origin choice 2 operations", kOrthorhombic,
         operationLoop({"x,y,z", "-x+1/2,-y+1/2,z", "-x+1/2,y,-z+1/2", "x,-y+1/2,-z+1/2",
                        "-x,-y,-z", "x+1/2,y+1/2,-z", "x+1/2,-y,z+1/2", "-x,y+1/2,z+1/2"}) +
             "_space_group_name_H-M_alt 'P n n n'\n",
         "P n n n = 48:2"},
        {"coset representatives with a C symbol", kMonoclinicB,
         operationLoop(kC12c1Cosets) + "_space_group_name_H-M_alt 'C 1 2/c 1'\n",
         "C 2/c = C 1 2/c 1 = 15:b1"},
        {"the same, unnamed: what they list", kMonoclinicB, operationLoop(kC12c1Cosets),
         "P 2/c = P 1 2/c 1 = 13:b1"},
        {"Hall symbol", kMonoclinicB, "_space_group_name_Hall '-P 2yn'\n",
         "P 21/c = P 1 21/n 1 = 14:b2"},
        {"Hall symbol with a change of basis", kMonoclinicB,
         "_space_group_name_Hall '-P 2yn (x-z,y,z)'\n", "P 21/c = P 1 21/c 1 = 14:b1"},
        {"Hall symbol with two single primes",
         {"4.7589", "4.7589", "12.991", "90", "90", "120"},
         "_space_group_name_Hall \"-R 3 2''c\"\n",
         "R -3 c = 167:H"},
        {"symbol, origin choice 2", kOrthorhombic, "_space_group_name_H-M_alt 'P n n n :2'\n",
         "P n n n = 48:2"},
        {"number only", kMonoclinicB, "_space_group_IT_number 14\n", "P 21/c = P 1 21/c 1 = 14:b1"},
        {"symbol, rhombohedral axes",
         {"5.128", "5.128", "5.128", "55.28", "55.28", "55.28"},
         "_space_group_name_H-M_alt 'R -3 c'\n",
         "R -3 c = 167:R"},
        {"symbol, hexagonal axes",
         {"4.7589", "4.7589", "12.991", "90", "90", "120"},
         "_space_group_name_H-M_alt 'R -3 c'\n",
         "R -3 c = 167:H"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        TestSimulation t;
        const std::string path =
            dir.write("s.cif", "data_s\n" + cellItems(c.cell) + c.symmetry + "\n");
        const FileOutcome outcome = openCif(t.sim, path);
        ASSERT_TRUE(outcome.ok) << c.what << ": " << outcome.error;
        EXPECT_TRUE(t.notifier.events.empty()) << c.what;
        EXPECT_EQ(extendedSymbol(t.sim), c.setting) << c.what;
    }
}

// In P 1 1 21/b the b glide removes hk0 with odd k and h0l has no condition; the b-unique
// setting (the list's first) has it the other way round.
TEST(CifFile, ANonStandardSettingKeepsItsAbsences) {
    TempDir dir;
    TestSimulation t;
    ASSERT_TRUE(openCif(t.sim, dir.write("c.cif", "data_c\n" + cellItems(kMonoclinicC) +
                                                      operationLoop(kP1121b)))
                    .ok);
    EXPECT_TRUE(t.sim.engine.isExtinct(1, 1, 0));
    EXPECT_FALSE(t.sim.engine.isExtinct(1, 0, 1));
    const ReflectionList standard = typedIn(14, kMonoclinicC);
    EXPECT_FALSE(sameReflections(t.sim.reflections, standard));
}

// Files that are taken with a message: the first of several structures, no symmetry at all,
// operations that contradict the group number.
TEST(CifFile, WarningsNameTheFileAndTheStructureIsOpened) {
    const std::string cubic = cellItems({"4", "4", "4", "90", "90", "90"});
    struct Case {
        std::string content;
        std::string warning;
        std::string setting;
    };
    const Case cases[] = {
        {"data_paper\n_publ_section_title 'A study'\n"
         "data_alpha\n" +
             cubic + "_space_group_IT_number 229\ndata_beta\n" + cubic,
         "holds 2 structures; the first, data_alpha, was opened", "I m -3 m"},
        {"data_bare\n" + cubic, "(data_bare): gives no symmetry", "P 1"},
        {"data_odd\n" + cellItems(kMonoclinicB) + operationLoop(kP121c1) +
             "_space_group_IT_number 15\n",
         "are those of P 21/c = P 1 21/c 1 = 14:b1, not of group 15",
         "P 21/c = P 1 21/c 1 = 14:b1"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        TestSimulation t;
        const std::string path = dir.write("w.cif", c.content);
        ASSERT_TRUE(openCif(t.sim, path).ok) << c.warning;
        ASSERT_EQ(t.notifier.events.size(), 1u) << c.warning;
        EXPECT_EQ(t.notifier.events[0].kind, RecordingNotifier::Kind::Message);
        EXPECT_TRUE(contains(t.notifier.events[0].text, "\"" + path + "\"")) << c.warning;
        EXPECT_TRUE(contains(t.notifier.events[0].text, c.warning)) << t.notifier.events[0].text;
        EXPECT_EQ(extendedSymbol(t.sim), c.setting);
        EXPECT_TRUE(t.sim.reflections.generated);
    }
}

TEST(CifFile, RefusedFilesNameTheProblemAndChangeNothing) {
    const std::string cubic = cellItems({"4", "4", "4", "90", "90", "90"});
    const std::pair<std::string, std::string> cases[] = {
        {"data_x\n_cell_length_a 'open\n", "is not a readable CIF: line 2"},
        {"data_x\nloop_\n_a\n_b\n1 2 3\n", "is not a readable CIF"},
        {"", "holds no structure"},
        {"data_x\n_chemical_name_common Salt\n", "holds no structure"},
        {"data_x\n_cell_length_a 4\n_cell_length_c 4\n", "gives no _cell_length_b"},
        {"data_x\n" + cellItems({"4", "abc", "4"}), "_cell_length_b \"abc\" is not a number"},
        {"data_x\n" + cellItems({"4", "4", "4", "10", "10", "170"}),
         "its cell 4 4 4 10 10 170 describes no unit cell"},
        {"data_x\n" + cellItems({"0", "4", "4"}), "describes no unit cell"},
        {"data_x\n" + cubic + operationLoop({"x,y,z", "x,y"}),
         "symmetry operation \"x,y\" cannot be read"},
        {"data_x\n" + cubic + operationLoop({"x,y,z", "x+1/5,y,z"}), "cannot be read"},
        {"data_x\n" + cubic + operationLoop({"x,y,z", "2*x,y,z"}), "no symmetry operation"},
        {"data_x\n" + cubic + operationLoop({"x,y,z", "x+99999999999/2,y,z"}), "a number too long"},
        {"data_x\n" + cubic + operationLoop({"x,y,z", "x+y,y,z"}), "form no space group"},
        {"data_x\n" + cellItems(kMonoclinicB) + operationLoop(kP121c1Shifted) +
             "_space_group_name_H-M_alt 'P 1 21/c 1'\n",
         "(data_x): its 4 symmetry operations match none of the 530 space-group settings"},
        {"data_x\n" + cubic + "_space_group_name_Hall '-P 2ybc (1 0 0)'\n",
         "Hall symbol \"-P 2ybc (1 0 0)\" names none of the 530"},
        {"data_x\n" + cubic + "_space_group_name_Hall 'nonsense'\n", "cannot be read"},
        {"data_x\n" + cubic + "_space_group_name_H-M_alt 'Q 42'\n", "symbol \"Q 42\" matches none"},
        {"data_x\n" + cubic + "_space_group_IT_number 231\n", "number \"231\" is not 1 to 230"},
    };
    TempDir dir;
    TestSimulation t;
    t.sim.fields.title = "mine";
    for (const auto& [content, problem] : cases) {
        const std::string path = dir.write("bad.cif", content);
        const FileOutcome r = openInputFile(t.sim, path, InputFormat::Cif);
        EXPECT_FALSE(r.ok) << problem;
        EXPECT_TRUE(startsWith(r.error, "\"" + path + "\"")) << r.error;
        EXPECT_TRUE(contains(r.error, problem)) << r.error;
    }
    EXPECT_FALSE(openCif(t.sim, dir.file("missing.cif")).ok);
    EXPECT_EQ(t.sim.fields.title, "mine");
    EXPECT_FALSE(t.sim.reflections.generated);
    EXPECT_TRUE(t.notifier.events.empty());
    EXPECT_TRUE(t.changes.empty());
}

// A setting chosen by a file holds only for its group; a pattern input file cannot store it,
// so saving such a document says what it will be read back as.
TEST(SettingRow, HoldsForItsGroupAndSavingWithoutItWarns) {
    TempDir dir;
    TestSimulation t;
    ASSERT_TRUE(openCif(t.sim, dir.write("c.cif", "data_c\n" + cellItems(kMonoclinicC) +
                                                      operationLoop(kP1121b)))
                    .ok);
    const int row = t.sim.fields.settingRow.value();

    ASSERT_TRUE(saveTvr(t.sim, dir.file("c.tvr")).ok);
    ASSERT_EQ(t.notifier.events.size(), 1u);
    EXPECT_EQ(t.notifier.events[0].text,
              "\"" + dir.file("c.tvr") +
                  "\" stores only the space-group number: opened again, it is simulated in "
                  "the setting P 21/c = P 1 21/c 1 = 14:b1, not in P 21/c = P 1 1 21/b = P "
                  "21/b = 14:c3 as now");

    // Opened again: the list's own setting, and saving it says nothing.
    TestSimulation reopened;
    ASSERT_TRUE(openTvr(reopened.sim, dir.file("c.tvr")).ok);
    EXPECT_FALSE(reopened.sim.fields.settingRow);
    EXPECT_EQ(extendedSymbol(reopened.sim), "P 21/c = P 1 21/c 1 = 14:b1");
    ASSERT_TRUE(saveTvr(reopened.sim, dir.file("again.tvr")).ok);
    EXPECT_TRUE(reopened.notifier.events.empty());
    EXPECT_EQ(test::readFile(dir.file("c.tvr")), test::readFile(dir.file("again.tvr")));

    // Another group in the list drops the setting.
    t.sim.fields.spaceGroupIndex = 12;
    readDocument(t.sim);
    EXPECT_FALSE(t.sim.fields.settingRow);
    t.sim.fields.spaceGroupIndex = 13;
    readDocument(t.sim);
    EXPECT_NE(t.sim.engine.rowForGroup(14), row);
    EXPECT_EQ(extendedSymbol(t.sim), "P 21/c = P 1 21/c 1 = 14:b1");
}

} // namespace
} // namespace tavrel
