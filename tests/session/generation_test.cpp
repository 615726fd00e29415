#include "common/numeric.h"
#include "session/document_reading.h"
#include "session/generation.h"
#include "session/orient.h"
#include "session/reflection_texts.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <set>

namespace tavrel {
namespace {

using test::kCubic4;
using test::setFields;
using test::TestSimulation;
using Texts2 = std::array<std::string, 2>;
using Texts6 = std::array<std::string, 6>;
using Counts = std::map<std::string, int, std::greater<>>;

// Reads the fields as a simulation does; the first problem, or none.
std::optional<Problem> read(Simulation& s) {
    DocumentReading reading = readDocument(s.fields, s.document);
    std::optional<Problem> problem = reading.problem;
    takeReading(s, std::move(reading));
    return problem;
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
        // Reading writes nothing into the fields it reads.
        const DocumentFields typedFields = t.sim.fields;
        const DocumentReading reading = readDocument(typedFields, t.sim.document);
        EXPECT_EQ(typedFields.cell, typed);
        EXPECT_EQ(reading.fields.cell, shown) << group;
        for (std::size_t i = 0; i < 6; ++i)
            EXPECT_EQ(reading.document.cell.values[i], std::stof(shown[i])) << group << " " << i;
    }
}

// A decimal comma reads as the point in every numeric field, and the field then shows the point.
TEST(ReadDocument, DecimalCommaInEveryNumericField) {
    TestSimulation t;
    setFields(t.sim, 229, {"2,866", "", "", "", "", ""}, "1,9361", "0,7107", "1,25", "2,5", "3,4");
    t.sim.fields.film = {"120,5", "100,25", "300,0"};
    EXPECT_FALSE(read(t.sim));
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
}

// A number that no calculation can use (an infinity, or beyond the range of a 4-byte float) is
// reported naming its field, and nothing is simulated; a huge voltage stays a small wavelength.
TEST(ReadDocument, UnusableNumbersAreRefusedNamingTheField) {
    const std::tuple<std::vector<int>, std::string, std::string> cases[] = {
        {{3, 4}, "1e39", "Wavelength 1"}, // only the first problem is shown
        {{0}, "1e999", "Wavelength 2"},
        {{1}, "4e38", "d-Min"},
        {{2}, "1e39", "|K| - max"}};
    TestSimulation t;
    DocumentFields& f = t.sim.fields;
    std::string* const fields[] = {&f.wavelength[1], &f.d[0], &f.hklMax[1], &f.film[0],
                                   &f.wavelength[0]};
    for (const auto& [edited, value, name] : cases) {
        // Fixing the field simulates again.
        setFields(t.sim, 225, kCubic4);
        f.film = {"120", "120", "300"};
        EXPECT_TRUE(generateReflections(t.sim));
        EXPECT_TRUE(t.sim.document.valid);
        ASSERT_EQ(t.sim.reflections.count(), 34);
        const std::string message = name + " is not a usable number: " + value;
        for (int i : edited) *fields[i] = value;
        EXPECT_EQ(generateReflections(t.sim).problem(), message);
        EXPECT_FALSE(t.sim.document.valid);
        EXPECT_EQ(t.sim.reflections.count(), 0) << message;
        EXPECT_TRUE(t.sim.points.empty());
    }
    setFields(t.sim, 225, kCubic4, "3e38", "-1e999");
    EXPECT_FALSE(read(t.sim));
    EXPECT_GT(t.sim.document.wavelength[0], 0.0f);
    EXPECT_EQ(t.sim.fields.wavelength[1], "0");
}

// Automatic limits are min(10, edge / d-Min) rounded half to even; typed ones are read as typed.
TEST(ReadDocument, HklLimits) {
    const std::tuple<Texts6, std::string, std::string, bool, std::array<std::int16_t, 3>> cases[] =
        {{{"11.3", "5", "3.6", "90", "90", "90"}, "1.0", "", true, {10, 5, 4}},
         {{"5", "7", "3", "90", "90", "90"}, "2", "", true, {2, 4, 2}},
         {{"5", "7", "3", "90", "90", "90"}, "1", "2.5", false, {2, 2, 2}}};
    for (const auto& [cell, dMin, limit, automatic, expected] : cases) {
        TestSimulation t;
        setFields(t.sim, 1, cell, "1.5418", "0", dMin, "20", limit);
        t.sim.fields.autoLimits = automatic;
        (void)read(t.sim);
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

// Compares the reflections per d-spacing (4 decimals) generated with d-Max 20 and limits 2.
void expectSpacings(int group, const Texts6& cell, const std::string& wavelength,
                    const std::string& dMin, const Counts& expected) {
    TestSimulation t;
    setFields(t.sim, group, cell, wavelength, "0", dMin);
    EXPECT_TRUE(generateReflections(t.sim));
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

TEST(Generation, LoopsListTextsThresholdAndCancel) {
    TestSimulation t;
    setFields(t.sim, 225, kCubic4, "1.5418", "0.7107");
    EXPECT_EQ(generateReflections(t.sim)->loopCount, 125);
    EXPECT_EQ(reflectionListTexts(t.sim.reflections, t.sim.document.wavelength, 0),
              (std::array<std::string, 5>{"1", "1 -1 1", "2.3094", "19.500", "8.851"}));
    EXPECT_EQ(reflectionListTexts(t.sim.reflections, {1.5418f, 0}, 33),
              (std::array<std::string, 5>{"34", "-2 2 2", "1.1547", "41.884", ""}));
    // The threshold sits just below d-Min, on a whole slider step: every reflection has a line.
    EXPECT_FLOAT_EQ(t.sim.document.displayDMin, 0.9f);

    // Escape keeps a sorted partial list. The question before the loops does not count; the 41st
    // triple answers yes.
    setFields(t.sim, 221, kCubic4);
    int asked = 0;
    EXPECT_TRUE(generateReflections(t.sim, [&] { return ++asked > 41; }));
    EXPECT_EQ(asked, 42);
    EXPECT_EQ(t.sim.reflections.count(), 41);
    expectConsistentList(t.sim);
}

// The list stops at 32,767 reflections with a message; limits whose loops would not fit 16-bit
// indices are refused.
TEST(Generation, SixteenBitIndices) {
    TestSimulation t;
    setFields(t.sim, 1, {"60", "60", "60", "90", "90", "90"}, "0.5", "0", "0.5", "100", "16");
    const Result<NewListReport> full = generateReflections(t.sim);
    EXPECT_EQ(t.sim.reflections.count(), kMaxReflections);
    ASSERT_TRUE(full);
    EXPECT_TRUE(full->truncated);
    ASSERT_EQ(full->warnings.size(), 1u);
    EXPECT_NE(full->warnings[0].find("32767"), std::string::npos);
    expectConsistentList(t.sim);

    t.sim.fields.hklMax = {"16384", "1", "1"};
    EXPECT_EQ(generateReflections(t.sim).problem(), "The hkl limits must not exceed 16383.");
    EXPECT_EQ(t.sim.reflections.count(), 0);
}

// A cell that cannot close is reported and gives an empty list, never the previous cell's.
TEST(Generation, ImpossibleCellsGiveNoReflections) {
    const std::pair<int, Texts6> cases[] = {{166, {"5", "5", "5", "150", "150", "150"}},
                                            {225, {"-1", "-1", "-1", "90", "90", "90"}},
                                            {1, {"4", "5", "6", "120", "120", "120"}}};
    for (const auto& [group, cell] : cases) {
        TestSimulation t;
        setFields(t.sim, 166, {"5", "5", "5", "80", "80", "80"});
        EXPECT_TRUE(generateReflections(t.sim));
        ASSERT_GT(t.sim.reflections.count(), 0);
        const LatticeMatrices good = t.sim.document.matrices;
        setFields(t.sim, group, cell);
        EXPECT_EQ(generateReflections(t.sim).problem(), "Invalid unit cell parameters")
            << group << " " << cell[0] << " " << cell[3];
        EXPECT_EQ(t.sim.reflections.count(), 0);
        EXPECT_TRUE(t.sim.points.empty());
        // The matrices of the last good cell stay in force.
        EXPECT_EQ(t.sim.document.matrices.lattice, good.lattice);
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
        (void)generateReflections(t.sim);
        for (float d : t.sim.reflections.d)
            EXPECT_TRUE(std::isfinite(d) && d > 0) << cell[0] << " " << cell[3] << " " << d;
        expectConsistentList(t.sim);
    }
}

// A d range as the fields show it after a simulation or a restart (d-Max the largest d listed,
// both ends with three decimals), simulated again, keeps every reflection it showed: nickel's
// {1 1 1} at 2.0344 under a d-Max shown as 2.034, (3 3 1) at 0.91766 over a d-Min of 0.9176
// shown as 0.918; and a d-Max of 0, the longest cell edge, the reflection at that edge whatever
// the 4-byte rounding of its spacing.
TEST(Generation, TheShownDRangeKeepsWhatItShowed) {
    const std::tuple<int, Texts6, std::string, std::string, int> cases[] = {
        {225, {"3.5236", "", "", "", "", ""}, "0.9", "0", 58},
        {221, kCubic4, "0.9176", "20", 310},
        {16, {"2.7", "6.02", "1.5", "", "", ""}, "1.0", "0", 0},
        {16, {"0.6", "9.5984", "4.3", "", "", ""}, "1.0", "0", 0},
        {16, {"3", "5.1", "3.5", "", "", ""}, "1.0", "0", 0},
        {16, {"2.7", "7.3", "6", "", "", ""}, "1.0", "0", 0}};
    for (const auto& [group, cell, dMin, dMax, count] : cases) {
        TestSimulation t;
        setFields(t.sim, group, cell, "0.0858854", "0", dMin, dMax, "3");
        ASSERT_TRUE(generateReflections(t.sim));
        const ReflectionList first = t.sim.reflections;
        int atEdge = 0;
        for (std::size_t i = 0; i < first.d.size(); ++i)
            atEdge += first.h[i] == 0 && first.l[i] == 0 && std::abs(first.k[i]) == 1;
        if (count) {
            EXPECT_EQ(first.count(), count) << cell[0];
        } else {
            EXPECT_EQ(atEdge, 2) << cell[1];
        }
        showDocument(t.sim);
        ASSERT_TRUE(generateReflections(t.sim));
        EXPECT_EQ(t.sim.reflections.d, first.d)
            << cell[0] << " shown as " << t.sim.fields.d[0] << " " << t.sim.fields.d[1];
        expectConsistentList(t.sim);
    }
}

// The loops stop at the cell edge over the smallest d a kept reflection can have, so that large
// limits give the same list quickly: checked against every triple of the typed limits.
TEST(Generation, LoopsEndWhereNoReflectionCanPass) {
    const std::tuple<int, Texts6, std::string, std::string, int> cases[] = {
        {1, {"4.5", "5.5", "7", "80", "95", "105"}, "1.5418", "1.0", 9},
        {14, {"5.1", "6.2", "7.3", "90", "100", "90"}, "1.5418", "0.9", 10},
        {1, {"3", "4", "5", "60", "70", "80"}, "3.0", "0.2", 8}};
    for (const auto& [group, cell, wavelength, dMin, n] : cases) {
        TestSimulation t;
        setFields(t.sim, group, cell, wavelength, "0", dMin, "20", std::to_string(n));
        long long asked = 0;
        const Result<NewListReport> result =
            generateReflections(t.sim, [&] { return ++asked < 0; });
        ASSERT_TRUE(result);
        EXPECT_EQ(result->loopCount, (2LL * n + 1) * (2LL * n + 1) * (2LL * n + 1));
        EXPECT_LT(asked, result->loopCount) << group; // the bound is reached

        const PatternDocument& doc = t.sim.document;
        std::multiset<std::tuple<int, int, int, float>> expected, listed;
        for (std::int16_t h = n; h >= -n; --h)
            for (std::int16_t k = n; k >= -n; --k)
                for (std::int16_t l = n; l >= -n; --l) {
                    const float d = dSpacing(doc.cell, h, k, l);
                    if ((h || k || l) && doc.dMin - kDTolerance <= d && d <= 20 + kDTolerance &&
                        2 * braggAngle(doc.wavelength[0], d) <= 175.0 &&
                        !t.sim.group.isAbsent(h, k, l))
                        expected.insert({h, k, l, d});
                }
        const ReflectionList& r = t.sim.reflections;
        for (std::size_t i = 0; i < r.d.size(); ++i)
            listed.insert({r.h[i], r.k[i], r.l[i], r.d[i]});
        EXPECT_EQ(listed, expected) << group;
    }

    // Limits of 400 on iron run as limits of 3 do, and say how many loops were typed.
    TestSimulation iron;
    test::setIron(iron.sim);
    iron.sim.fields.hklMax = {"3", "3", "3"};
    EXPECT_TRUE(generateReflections(iron.sim));
    const std::vector<float> three = iron.sim.reflections.d;
    iron.sim.fields.hklMax = {"400", "400", "400"};
    long long asked = 0;
    const Result<NewListReport> large =
        generateReflections(iron.sim, [&] { return ++asked > 100000; });
    EXPECT_EQ(large->loopCount, 801LL * 801 * 801);
    EXPECT_LE(asked, 7 * 7 * 7 + 1);
    EXPECT_EQ(iron.sim.reflections.d, three);
}

// The view-frame vector of the reflection (h k l), found through the point's reflection index.
Vec3f viewVector(const Simulation& s, int h, int k, int l) {
    for (const RotatedPoint& p : s.points.rows) {
        const auto i = static_cast<std::size_t>(p.reflection);
        if (s.reflections.h[i] == h && s.reflections.k[i] == k && s.reflections.l[i] == l)
            return {p.x, p.y, p.z};
    }
    ADD_FAILURE() << "no reflection " << h << " " << k << " " << l;
    return {};
}

void expectAlongViewAxis(const Vec3f& v) {
    EXPECT_GT(v[0], 0.0f);
    EXPECT_NEAR(v[1] / std::hypot(v[0], v[1], v[2]), 0.0, 1e-6);
    EXPECT_NEAR(v[2] / std::hypot(v[0], v[1], v[2]), 0.0, 1e-6);
}

// Only the direction matters; the null vector gives the view of a* without a message; text that
// is no vector, or whose numbers overflow a 4-byte float as typed or in the Cartesian frame, is
// refused as no orientation at all and changes nothing, the field included (a generation marks
// it). Applied again after turns, it gives the first picture.
TEST(Orientation, TextsAppliedRefusedAndTurns) {
    TestSimulation t;
    setFields(t.sim, 221, kCubic4);
    EXPECT_TRUE(generateReflections(t.sim));
    const auto apply = [&](const std::string& text, bool direct = false) {
        t.sim.fields.orientation = text;
        t.sim.fields.orientationType =
            direct ? OrientationType::Direct : OrientationType::Reciprocal;
        const Outcome applied = applyOrientationText(t.sim);
        EXPECT_EQ(t.sim.fields.orientation, text);
        return applied.ok() ? std::nullopt : std::optional(applied.failure().kind);
    };
    const auto first = t.sim.points.rows;
    expectAlongViewAxis(viewVector(t.sim, 0, 0, 1)); // generation applies the "0 0 1" field
    const std::tuple<const char*, int, int, int> cases[] = {
        {"0 1 0", 0, 1, 0},     {"0 -1 0", 0, -1, 0}, {"1 1 1", 1, 1, 1},
        {"-1 2 -2", -1, 2, -2}, {"1-1", 1, 0, 1},     {" 1 0 0 ", 1, 0, 0}};
    for (const auto& [text, h, k, l] : cases) {
        apply(text);
        expectAlongViewAxis(viewVector(t.sim, h, k, l));
    }
    const auto rows = t.sim.points.rows;
    for (const char* same : {"2 0 0", "0 0 0", "a b c"}) {
        apply(same);
        EXPECT_EQ(t.sim.points.rows, rows) << same;
    }
    for (const char* text : {"10 1", "", "1e300 0 0", "1 1e39 1"})
        EXPECT_EQ(apply(text), Problem::Kind::WrongKind) << text;
    EXPECT_EQ(apply("3e38 3e38 3e38", true), Problem::Kind::WrongKind); // 4 x 3e38 angstrom
    EXPECT_EQ(t.sim.points.rows, rows);

    turnByArrowKey(t.sim, ArrowKey::Up);
    rotateAboutViewAxis(t.sim, ViewAxis::Viewing, 33.0f);
    apply("0 0 1");
    EXPECT_EQ(t.sim.points.rows, first);
    t.sim.fields.orientation = "x";
    ASSERT_TRUE(generateReflections(t.sim));
    EXPECT_EQ(t.sim.fields.orientation, "invalid");
}

TEST(Orientation, DirectVectorsOfAMonoclinicCell) {
    TestSimulation t;
    // With a = 5, c = 10 and beta = 120 the direct axis a = 25 a* - 25 c* is parallel to the
    // normal of (1 0 -1), not to that of (1 0 0).
    setFields(t.sim, 1, {"5", "6", "10", "90", "120", "90"});
    EXPECT_TRUE(generateReflections(t.sim));
    t.sim.fields.orientation = "1 0 0";
    t.sim.fields.orientationType = OrientationType::Direct;
    ASSERT_TRUE(applyOrientationText(t.sim));
    expectAlongViewAxis(viewVector(t.sim, 1, 0, -1));
    t.sim.fields.orientationType = OrientationType::Reciprocal;
    ASSERT_TRUE(applyOrientationText(t.sim));
    expectAlongViewAxis(viewVector(t.sim, 1, 0, 0));
}

} // namespace
} // namespace tavrel
