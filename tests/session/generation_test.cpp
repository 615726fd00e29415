#include "common/file_io.h"
#include "common/numeric.h"
#include "common/quicksort.h"
#include "session/generation.h"
#include "session/report.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <set>

namespace tavrel {
namespace {

using test::kCubic4;
using test::setFields;
using test::TestSimulation;
using Texts2 = std::array<std::string, 2>;
using Texts6 = std::array<std::string, 6>;
using Counts = std::map<std::string, int, std::greater<>>;

// An empty or negative wavelength 1 defaults to 1.54056; values above 5 are voltages in kV; a
// second wavelength equal to the first is switched off.
TEST(ReadDocument, WavelengthsVoltagesAndDefaults) {
    struct Case {
        Texts2 typed, shown;
        std::array<double, 2> value;
    };
    const Case cases[] = {{{"1.5418", "1.5418"}, {"1.5418", "0"}, {1.5418, 0}},
                          {{"-1", ""}, {"1.54056", "0"}, {1.54056, 0}},
                          {{"5", "5.0001"}, {"5", "0.173"}, {5, 0.173019}},
                          {{"200", "300"}, {"0.0251", "0.0197"}, {0.025079, 0.019688}}};
    for (const Case& c : cases) {
        TestSimulation t;
        setFields(t.sim, 225, kCubic4, c.typed[0], c.typed[1]);
        readDocument(t.sim);
        EXPECT_EQ(t.sim.fields.wavelength, c.shown);
        for (std::size_t i = 0; i < 2; ++i)
            EXPECT_NEAR(t.sim.document.wavelength[i], c.value[i], 1e-6) << c.typed[i];
    }
}

// Reading forgets the reflections and the drawn range. A cell of a = 0 is reported and reading
// goes on: an empty d-Min reads as 1.0 and a d-Max of 0 as the largest cell edge.
TEST(ReadDocument, ResetInvalidCellAndDRangeDefaults) {
    TestSimulation t;
    setFields(t.sim, 225, kCubic4);
    generateReflections(t.sim);
    setFields(t.sim, 1, {"0", "6", "5", "90", "90", "90"}, "1.5418", "0", "", "0");
    t.sim.fields.title = "broken";
    readDocument(t.sim);
    ASSERT_EQ(t.notifier.events.size(), 1u);
    EXPECT_EQ(t.notifier.events[0].text, "Invalid unit cell parameters");
    EXPECT_EQ(t.sim.fields.d, (Texts2{"1.0", "6.0"}));
    EXPECT_EQ(t.sim.document.dMin, 1.0f);
    EXPECT_EQ(t.sim.document.dMax, 6.0f);
    EXPECT_EQ(t.sim.document.title, "broken");
    EXPECT_FALSE(t.sim.reflections.generated);
    EXPECT_EQ(t.sim.reflections.count(), 0);
    EXPECT_EQ(t.sim.document.displayDMin, 0.0f);
    EXPECT_EQ(t.sim.document.displayDMax, 99.0f);
}

// The crystal system of the group constrains the cell fields; "," reads as the decimal point.
TEST(ReadDocument, CellFieldsFollowTheCrystalSystem) {
    const std::tuple<int, Texts6, Texts6> cases[] = {
        {225, {"4.05", "1", "2", "80", "70", "60"}, {"4.05", "4.05", "4.05", "90", "90", "90"}},
        {194, {"3.2", "7", "5.2", "80", "70", "60"}, {"3.2", "3.2", "5.2", "90", "90", "120"}},
        {16, {"5", "6", "7", "80", "70", "60"}, {"5", "6", "7", "90", "90", "90"}},
        {142, {"4", "5", "7", "80", "70", "60"}, {"4", "4", "7", "90", "90", "90"}},
        {143, {"4", "5", "7", "80", "70", "60"}, {"4", "5", "7", "80", "70", "60"}},
        {15, {"5", "6", "7", "90", "100", "90"}, {"5", "6", "7", "90", "100", "90"}},
        {1, {"4,05", "5", "6", "80", "70", "60"}, {"4.05", "5", "6", "80", "70", "60"}}};
    for (const auto& [group, typed, shown] : cases) {
        TestSimulation t;
        setFields(t.sim, group, typed);
        readDocument(t.sim);
        EXPECT_EQ(t.sim.fields.cell, shown) << group;
        for (std::size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(t.sim.document.cell.values[i], std::stof(shown[i])) << group << " " << i;
            EXPECT_EQ(t.sim.engine.cellValues()[i], std::stof(shown[i])) << group << " " << i;
        }
    }
}

// A decimal comma reads as the point in every numeric field, and the field then shows the point.
TEST(ReadDocument, DecimalCommaInEveryNumericField) {
    TestSimulation t;
    setFields(t.sim, 229, {"2,866", "", "", "", "", ""}, "1,9361", "0,7107", "1,25", "2,5", "3,4");
    t.sim.fields.film = {"120,5", "100,25", "300,0"};
    EXPECT_TRUE(readDocument(t.sim));
    const DocumentFields& f = t.sim.fields;
    const PatternDocument& doc = t.sim.document;
    EXPECT_EQ(f.cell[0], "2.866");
    EXPECT_EQ(f.wavelength, (Texts2{"1.9361", "0.7107"}));
    EXPECT_EQ(f.d, (Texts2{"1.25", "2.5"}));
    EXPECT_EQ(f.hklMax, (std::array<std::string, 3>{"3.4", "3.4", "3.4"}));
    EXPECT_EQ(f.film, (std::array<std::string, 3>{"120.5", "100.25", "300.0"}));
    EXPECT_EQ(doc.wavelength, (std::array<float, 2>{1.9361f, 0.7107f}));
    EXPECT_EQ(doc.dMin, 1.25f);
    EXPECT_EQ(doc.dMax, 2.5f);
    EXPECT_EQ(doc.hklMax, (std::array<std::int16_t, 3>{3, 3, 3}));
    EXPECT_EQ(doc.film, (std::array<float, 3>{120.5f, 100.25f, 300.0f}));
    EXPECT_TRUE(t.notifier.events.empty());
}

// A number that no calculation can use (an infinity, or beyond the range of a 4-byte float) is
// reported naming its field, and nothing is simulated; a huge voltage stays a small wavelength.
TEST(ReadDocument, UnusableNumbersAreRefusedNamingTheField) {
    using Edit = std::function<void(DocumentFields&)>;
    const std::pair<Edit, std::string> cases[] = {
        {[](DocumentFields& f) { f.wavelength[0] = "1e39"; },
         "Wavelength 1 is not a usable number: 1e39"},
        {[](DocumentFields& f) { f.wavelength[1] = "1e999"; },
         "Wavelength 2 is not a usable number: 1e999"},
        {[](DocumentFields& f) { f.cell[0] = "1e39"; },
         "Lattice constant a is not a usable number: 1e39"},
        {[](DocumentFields& f) { f.d[0] = "4e38"; }, "d-Min is not a usable number: 4e38"},
        {[](DocumentFields& f) { f.d[1] = "1e39"; }, "d-Max is not a usable number: 1e39"},
        {[](DocumentFields& f) { f.hklMax[1] = "1e39"; }, "|K| - max is not a usable number: 1e39"},
        {[](DocumentFields& f) { f.film[2] = "1e300"; },
         "Film Distance is not a usable number: 1e300"},
        // Only the first problem is shown.
        {[](DocumentFields& f) { f.film[0] = f.wavelength[0] = "1e39"; },
         "Wavelength 1 is not a usable number: 1e39"}};
    for (const auto& [edit, message] : cases) {
        TestSimulation t;
        setFields(t.sim, 225, kCubic4);
        generateReflections(t.sim);
        ASSERT_GT(t.sim.reflections.count(), 0);
        edit(t.sim.fields);
        generateReflections(t.sim);
        ASSERT_EQ(t.notifier.events.size(), 1u) << message;
        EXPECT_EQ(t.notifier.events[0].kind, RecordingNotifier::Kind::Error);
        EXPECT_EQ(t.notifier.events[0].text, message);
        EXPECT_FALSE(t.sim.document.valid);
        EXPECT_EQ(t.sim.reflections.count(), 0) << message;
        EXPECT_TRUE(t.sim.points.empty());
        // Fixing the field simulates again.
        setFields(t.sim, 225, kCubic4);
        t.sim.fields.film = {"120", "120", "300"};
        generateReflections(t.sim);
        EXPECT_TRUE(t.sim.document.valid);
        EXPECT_EQ(t.sim.reflections.count(), 34);
    }
    TestSimulation t;
    setFields(t.sim, 225, kCubic4, "3e38", "-1e999");
    EXPECT_TRUE(readDocument(t.sim));
    EXPECT_GT(t.sim.document.wavelength[0], 0.0f);
    EXPECT_EQ(t.sim.fields.wavelength[1], "0");
}

// Automatic limits are min(10, cell edge / d-Min) and typed limits are rounded, halves to even.
TEST(ReadDocument, HklLimits) {
    const std::tuple<Texts6, std::string, std::string, bool, std::array<std::int16_t, 3>> cases[] =
        {{{"11.3", "5", "3.6", "90", "90", "90"}, "1.0", "", true, {10, 5, 4}},
         {{"5", "7", "3", "90", "90", "90"}, "2", "", true, {2, 4, 2}},
         {{"5", "7", "3", "90", "90", "90"}, "1", "2.5", false, {2, 2, 2}}};
    for (const auto& [cell, dMin, limit, automatic, expected] : cases) {
        TestSimulation t;
        setFields(t.sim, 1, cell, "1.5418", "0", dMin, "20", limit);
        t.sim.fields.autoLimits = automatic;
        readDocument(t.sim);
        EXPECT_EQ(t.sim.document.hklMax, expected) << cell[0];
    }
}

// What every generated list must satisfy: sorted by decreasing d, d-Max = its largest d, one
// point per reflection, and a line threshold below the smallest d.
void expectConsistentList(const Simulation& s) {
    const ReflectionList& r = s.reflections;
    EXPECT_TRUE(r.generated);
    EXPECT_TRUE(std::is_sorted(r.d.rbegin(), r.d.rend()));
    EXPECT_EQ(s.document.dMax, r.empty() ? 0.0f : r.d.front());
    EXPECT_EQ(s.points.size(), r.d.size());
    EXPECT_LT(s.document.displayDMin, r.empty() ? 1e9f : r.d.back());
}

// Generates a simulation (d-Max 20, limits 2) and compares the number of reflections of each
// d-spacing, rounded to 4 decimals.
void expectSpacings(int group, const Texts6& cell, const std::string& wavelength,
                    const std::string& dMin, const Counts& expected) {
    TestSimulation t;
    setFields(t.sim, group, cell, wavelength, "0", dMin);
    generateReflections(t.sim);
    Counts counts;
    for (float d : t.sim.reflections.d) ++counts[formatNumber(d, "0.0000")];
    EXPECT_EQ(counts, expected) << group << " " << cell[0] << " " << wavelength << " " << dMin;
    expectConsistentList(t.sim);
}

TEST(Generation, KeepsThePlanesThatPassEveryFilter) {
    expectSpacings(225, kCubic4, "1.5418", "1.0",
                   {{"2.3094", 8}, {"2.0000", 6}, {"1.4142", 12}, {"1.1547", 8}});
    // The primitive lattice adds mixed-parity planes such as {100} and {110}.
    expectSpacings(221, kCubic4, "1.5418", "1.9",
                   {{"4.0000", 6}, {"2.8284", 12}, {"2.3094", 8}, {"2.0000", 6}});
    expectSpacings(229, {"2.866", "", "", "", "", ""}, "1.9361", "1.0",
                   {{"2.0266", 12}, {"1.4330", 6}, {"1.1700", 24}, {"1.0133", 12}});
    // {200} at exactly d-Min 2.0 is kept.
    expectSpacings(225, kCubic4, "1.5418", "2.0", {{"2.3094", 8}, {"2.0000", 6}});
    // 2 theta <= 175 degrees keeps only d >= 3.0 / (2 sin 87.5) = 1.5014, so not (0 2 0) at 1.5.
    expectSpacings(1, {"1.2", "3", "4", "90", "90", "90"}, "3.0", "0.1",
                   {{"4.0000", 2}, {"3.0000", 2}, {"2.4000", 4}, {"2.0000", 2}, {"1.6641", 4}});
    expectSpacings(225, kCubic4, "1.5418", "5", {}); // nothing in the d range
}

TEST(Generation, LoopsListTextsAndThreshold) {
    TestSimulation t;
    setFields(t.sim, 225, kCubic4, "1.5418", "0.7107");
    const GenerationResult result = generateReflections(t.sim);
    EXPECT_EQ(result.loopCount, 125);
    EXPECT_EQ(t.changes.back(), SimulationChange::Generated);
    const auto& wl = t.sim.document.wavelength;
    EXPECT_EQ(reflectionListTexts(t.sim.reflections, wl, 0),
              (std::array<std::string, 5>{"1", "1 -1 1", "2.3094", "19.500", "8.851"}));
    EXPECT_EQ(reflectionListTexts(t.sim.reflections, {1.5418f, 0}, 33),
              (std::array<std::string, 5>{"34", "-2 2 2", "1.1547", "41.884", ""}));
    // The threshold sits just below d-Min, on a whole slider step: every reflection has a line.
    EXPECT_FLOAT_EQ(t.sim.document.displayDMin, 0.9f);
    PatternDocument drawn;
    drawn.displayDMin = 1.0f;
    drawn.displayDMax = 2.3094f;
    const ThresholdRange range = resetThreshold(drawn);
    EXPECT_EQ(range.maximum, 23);
    EXPECT_EQ(range.minimum, 9);
    EXPECT_FLOAT_EQ(drawn.displayDMin, thresholdOf(9));
}

TEST(Generation, CancelKeepsASortedPartialList) {
    TestSimulation t;
    setFields(t.sim, 221, kCubic4);
    int asked = 0;
    // The question before the loops does not count; the 41st triple answers yes.
    generateReflections(t.sim, [&] { return ++asked > 41; });
    EXPECT_EQ(asked, 42);
    EXPECT_EQ(t.sim.reflections.count(), 41);
    expectConsistentList(t.sim);
}

// The list stops at 32,767 reflections with a message; limits whose loops would not fit 16-bit
// indices are refused.
TEST(Generation, SixteenBitIndices) {
    TestSimulation t;
    setFields(t.sim, 1, {"60", "60", "60", "90", "90", "90"}, "0.5", "0", "0.5", "100", "16");
    generateReflections(t.sim);
    EXPECT_EQ(t.sim.reflections.count(), kMaxReflections);
    ASSERT_EQ(t.notifier.events.size(), 1u);
    EXPECT_NE(t.notifier.events[0].text.find("32767"), std::string::npos);
    expectConsistentList(t.sim);
    // Row numbers beyond 9999 stay whole in the report.
    const auto report = splitLines(reportText(t.sim, "now"));
    EXPECT_EQ(report[15 + 9999].substr(0, 6), "10000 ");
    EXPECT_EQ(report[15 + 998].substr(0, 6), "999   ");

    t.notifier.events.clear();
    t.sim.fields.hklMax = {"16384", "1", "1"};
    EXPECT_TRUE(generateReflections(t.sim).limitsRefused);
    EXPECT_EQ(t.sim.reflections.count(), 0);
    ASSERT_EQ(t.notifier.events.size(), 1u);
    EXPECT_EQ(t.notifier.events[0].kind, RecordingNotifier::Kind::Error);
}

// A cell that cannot close is reported once and gives an empty list, never the reflections of
// the matrices of the previous cell.
TEST(Generation, ImpossibleCellsGiveNoReflections) {
    const std::pair<int, Texts6> cases[] = {{166, {"5", "5", "5", "150", "150", "150"}},
                                            {225, {"-1", "-1", "-1", "90", "90", "90"}},
                                            {1, {"4", "5", "6", "30", "100", "60"}},
                                            {1, {"4", "5", "6", "120", "120", "120"}},
                                            {1, {"4", "0", "6", "90", "90", "90"}}};
    for (const auto& [group, cell] : cases) {
        TestSimulation t;
        setFields(t.sim, 166, {"5", "5", "5", "80", "80", "80"});
        generateReflections(t.sim);
        ASSERT_GT(t.sim.reflections.count(), 0);
        setFields(t.sim, group, cell);
        EXPECT_FALSE(readDocument(t.sim)) << group << " " << cell[0] << " " << cell[3];
        generateReflections(t.sim);
        // One message for each reading.
        ASSERT_EQ(t.notifier.events.size(), 2u) << group << " " << cell[0] << " " << cell[3];
        EXPECT_EQ(t.notifier.events[1].text, "Invalid unit cell parameters");
        EXPECT_EQ(t.sim.reflections.count(), 0);
        EXPECT_TRUE(t.sim.points.empty());
        EXPECT_EQ(t.changes.back(), SimulationChange::Generated);
        expectConsistentList(t.sim);
    }
}

// Cells that close but lie at the edge of what 4-byte numbers hold give spacings that are no
// number or infinite; none of them reaches the list (an infinite d-Max once let infinite ones).
TEST(Generation, OnlyFiniteSpacingsReachTheList) {
    const std::tuple<Texts6, std::string, std::string> cases[] = {
        {{"1e30", "1", "1", "90", "90", "90"}, "0.5", "1e39"},
        {{"1", "1", "1", "179.999", "90", "90"}, "0.0001", "0"}};
    for (const auto& [cell, dMin, dMax] : cases) {
        TestSimulation t;
        setFields(t.sim, 1, cell, "1.5418", "0", dMin, dMax, "3");
        generateReflections(t.sim);
        for (float d : t.sim.reflections.d)
            EXPECT_TRUE(std::isfinite(d) && d > 0) << cell[0] << " " << cell[3] << " " << d;
        expectConsistentList(t.sim);
    }
}

// A reflection whose d equals the longest cell edge, the default d-Max, is listed whatever the
// 4-byte rounding of its spacing.
TEST(Generation, TheDefaultDMaxKeepsTheReflectionAtTheLongestEdge) {
    for (const Texts6& cell :
         {Texts6{"2.7", "6.02", "1.5", "", "", ""}, Texts6{"0.6", "9.5984", "4.3", "", "", ""},
          Texts6{"3", "5.1", "3.5", "", "", ""}, Texts6{"2.7", "7.3", "6", "", "", ""}}) {
        const std::string& b = cell[1];
        TestSimulation t;
        setFields(t.sim, 16, cell, "1.5418", "0", "1.0", "0");
        generateReflections(t.sim);
        int atEdge = 0;
        for (std::size_t i = 0; i < t.sim.reflections.d.size(); ++i)
            atEdge += t.sim.reflections.h[i] == 0 && t.sim.reflections.l[i] == 0 &&
                      std::abs(t.sim.reflections.k[i]) == 1;
        EXPECT_EQ(atEdge, 2) << b;
        expectConsistentList(t.sim);
    }
}

// The loops stop at the cell edge over the smallest d a kept reflection can have, so that large
// limits give the same list quickly: checked against every triple of the typed limits.
TEST(Generation, LoopsEndWhereNoReflectionCanPass) {
    struct Case {
        int group;
        Texts6 cell;
        std::string wavelength, dMin, limit;
    };
    const Case cases[] = {{1, {"4.5", "5.5", "7", "80", "95", "105"}, "1.5418", "1.0", "9"},
                          {14, {"5.1", "6.2", "7.3", "90", "100", "90"}, "1.5418", "0.9", "10"},
                          {1, {"3", "4", "5", "60", "70", "80"}, "3.0", "0.2", "8"}};
    for (const Case& c : cases) {
        TestSimulation t;
        setFields(t.sim, c.group, c.cell, c.wavelength, "0", c.dMin, "20", c.limit);
        long long asked = 0;
        const GenerationResult result = generateReflections(t.sim, [&] { return ++asked < 0; });
        const int n = std::stoi(c.limit);
        EXPECT_EQ(result.loopCount, (2LL * n + 1) * (2LL * n + 1) * (2LL * n + 1));
        EXPECT_LT(asked, result.loopCount) << c.group; // the bound is reached

        const PatternDocument& doc = t.sim.document;
        std::multiset<std::tuple<int, int, int, float>> expected, listed;
        for (int h = n; h >= -n; --h)
            for (int k = n; k >= -n; --k)
                for (int l = n; l >= -n; --l) {
                    if (h == 0 && k == 0 && l == 0) continue;
                    const float d = dSpacing(doc.cell, h, k, l);
                    if (doc.dMin - 0.0001 <= d && d <= 20.0001 &&
                        2 * braggAngle(doc.wavelength[0], d) <= 175.0 &&
                        !t.sim.engine.isExtinct(static_cast<std::int16_t>(h),
                                                static_cast<std::int16_t>(k),
                                                static_cast<std::int16_t>(l)))
                        expected.insert({h, k, l, d});
                }
        const ReflectionList& r = t.sim.reflections;
        for (std::size_t i = 0; i < r.d.size(); ++i)
            listed.insert({r.h[i], r.k[i], r.l[i], r.d[i]});
        EXPECT_EQ(listed, expected) << c.group;
    }

    // Limits of 400 on iron run as limits of 3 do, and say how many loops were typed.
    TestSimulation iron;
    test::setIron(iron.sim);
    iron.sim.fields.hklMax = {"3", "3", "3"};
    generateReflections(iron.sim);
    const std::vector<float> three = iron.sim.reflections.d;
    iron.sim.fields.hklMax = {"400", "400", "400"};
    long long asked = 0;
    const GenerationResult large = generateReflections(iron.sim, [&] { return ++asked > 100000; });
    EXPECT_EQ(large.loopCount, 801LL * 801 * 801);
    EXPECT_LE(asked, 7 * 7 * 7 + 1);
    EXPECT_EQ(iron.sim.reflections.d, three);
}

// Rows with equal keys end in the order this quicksort gives: the pivot is the middle row, a half
// rounded to even, and the ends swap inwards.
TEST(Quicksort, TwoRowsAndEqualKeys) {
    std::vector<float> two{1.0f, 2.0f};
    quicksortDescending(two, [](float v) { return v; });
    EXPECT_EQ(two, (std::vector<float>{2.0f, 1.0f}));
    std::vector<std::pair<float, int>> rows{{1, 0}, {1, 1}, {3, 2}, {2, 3}, {3, 4}, {2, 5}};
    quicksortDescending(rows, [](const auto& r) { return r.first; });
    EXPECT_EQ(rows,
              (std::vector<std::pair<float, int>>{{3, 2}, {3, 4}, {2, 3}, {2, 5}, {1, 0}, {1, 1}}));
}

} // namespace
} // namespace tavrel
