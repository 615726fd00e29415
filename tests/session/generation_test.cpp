#include "session/simulation.h"
#include "session/test_session.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace tavrel {
namespace {

using test::setFields;
using test::TestSession;

// d-spacings of the list rounded to 4 decimals, with the number of reflections of each.
std::map<std::string, int, std::greater<>> spacingCounts(const ReflectionList& r) {
    std::map<std::string, int, std::greater<>> counts;
    for (float d : r.d) ++counts[formatNumber(d, "0.0000")];
    return counts;
}

void expectDecreasing(const ReflectionList& r) {
    for (std::size_t i = 1; i < r.d.size(); ++i) ASSERT_GE(r.d[i - 1], r.d[i]) << i;
}

TEST(Generation, FaceCentredCubic) {
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""});
    generateReflections(t.s);
    const ReflectionList& r = t.s.reflections;
    EXPECT_EQ(r.count(), 34);
    EXPECT_EQ(spacingCounts(r), (std::map<std::string, int, std::greater<>>{
                                    {"2.3094", 8}, {"2.0000", 6}, {"1.4142", 12}, {"1.1547", 8}}));
    expectDecreasing(r);
    EXPECT_TRUE(r.generated);
    EXPECT_EQ(t.s.status.text[0], "34 reflections");
    EXPECT_EQ(t.s.status.text[1], "of 124 loops");
    // d-Max becomes the largest generated d, not the typed 20.
    EXPECT_FLOAT_EQ(t.s.doc.dMax, r.d[0]);

    const auto row = reflectionViewRow(t.s, 0);
    EXPECT_EQ(row[0], "1");
    EXPECT_EQ(row[2], "2.3094");
    EXPECT_EQ(row[3], "19.500");
    EXPECT_EQ(row[4], "");
    ASSERT_EQ(t.s.reflectionView.size(), 34u);
    EXPECT_EQ(t.s.reflectionView[33][0], "34");
    // Every listed (h k l) is a distinct all-odd or all-even triple.
    std::set<std::array<int, 3>> seen;
    for (std::size_t i = 0; i < r.d.size(); ++i) {
        EXPECT_TRUE(seen.insert({r.h[i], r.k[i], r.l[i]}).second);
        const int odd = (r.h[i] & 1) + (r.k[i] & 1) + (r.l[i] & 1);
        EXPECT_TRUE(odd == 0 || odd == 3);
    }
}

TEST(Generation, PrimitiveCubicAddsMixedParityPlanes) {
    TestSession t;
    setFields(t.s, 221, {"4", "", "", "", "", ""});
    generateReflections(t.s);
    const auto counts = spacingCounts(t.s.reflections);
    EXPECT_EQ(counts.at("4.0000"), 6);
    EXPECT_EQ(counts.at("2.8284"), 12);
    EXPECT_EQ(counts.at("1.7889"), 24);
    EXPECT_EQ(counts.at("1.6330"), 24);
    EXPECT_EQ(t.s.reflections.count(), 124); // every triple of limits 2 lies in 1..20
}

TEST(Generation, IronSample) {
    TestSession t;
    test::setIron(t.s);
    generateReflections(t.s);
    EXPECT_EQ(t.s.reflections.count(), 54);
    EXPECT_EQ(spacingCounts(t.s.reflections),
              (std::map<std::string, int, std::greater<>>{
                  {"2.0266", 12}, {"1.4330", 6}, {"1.1700", 24}, {"1.0133", 12}}));
    EXPECT_EQ(formatNumber(t.s.doc.dMax, "0.0000"), "2.0266");
    // Every listed reflection gets a line: the threshold lies below the smallest d.
    EXPECT_LT(t.s.doc.displayDMin, t.s.reflections.d.back());
    EXPECT_EQ(t.s.slider.minimum, 9);
    EXPECT_EQ(t.s.slider.maximum, 20);
    EXPECT_EQ(t.s.slider.value, 9);
}

TEST(Generation, DMinToleranceKeepsPlanesExactlyAtTheLimit) {
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""}, "1.5418", "0", "2.0");
    generateReflections(t.s);
    EXPECT_EQ(spacingCounts(t.s.reflections),
              (std::map<std::string, int, std::greater<>>{{"2.3094", 8}, {"2.0000", 6}}));
}

TEST(Generation, BraggAngleLimitDropsSmallSpacings) {
    TestSession t;
    setFields(t.s, 1, {"1.2", "3", "4", "90", "90", "90"}, "3.0", "0", "0.1", "20", "3");
    generateReflections(t.s);
    // 2 theta <= 175 degrees keeps only d >= 3.0 / (2 sin 87.5) = 1.5014.
    EXPECT_EQ(spacingCounts(t.s.reflections),
              (std::map<std::string, int, std::greater<>>{
                  {"4.0000", 2}, {"3.0000", 2}, {"2.4000", 4}, {"2.0000", 2}, {"1.6641", 4}}));
}

TEST(Generation, NothingPassesGivesAnEmptyList) {
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""}, "1.5418", "0", "5", "20");
    generateReflections(t.s);
    EXPECT_EQ(t.s.reflections.count(), 0);
    EXPECT_EQ(t.s.doc.dMax, 0.0f);
    EXPECT_TRUE(t.s.reflections.generated);
    EXPECT_TRUE(t.s.reflectionView.empty());
}

TEST(Generation, CancelKeepsASortedPartialList) {
    TestSession t;
    setFields(t.s, 221, {"4", "", "", "", "", ""});
    int asked = 0;
    // The first question (before the loops) does not count; stop after 40 triples.
    generateReflections(t.s, [&] { return ++asked > 41; });
    EXPECT_EQ(asked, 42);
    // The first 40 triples of the loop order (2 2 2, 2 2 1, ...) are all present.
    EXPECT_EQ(t.s.reflections.count(), 41);
    expectDecreasing(t.s.reflections);
    EXPECT_TRUE(t.s.reflections.generated);
}

TEST(Generation, ListStopsAtTheLargest16BitIndex) {
    TestSession t;
    setFields(t.s, 1, {"60", "60", "60", "90", "90", "90"}, "0.5", "0", "0.5", "100", "16");
    generateReflections(t.s);
    EXPECT_EQ(t.s.reflections.count(), kMaxReflections);
    ASSERT_FALSE(t.notifier.events.empty());
    EXPECT_NE(t.notifier.events.back().text.find("32767"), std::string::npos);
    expectDecreasing(t.s.reflections);
}

TEST(Generation, LimitsBeyond16BitLoopsAreRefused) {
    TestSession t;
    setFields(t.s, 1, {"4", "4", "4", "90", "90", "90"}, "1.5418", "0", "1", "20", "20000");
    generateReflections(t.s);
    EXPECT_EQ(t.s.reflections.count(), 0);
    ASSERT_EQ(t.notifier.events.size(), 1u);
    EXPECT_EQ(t.notifier.events[0].kind, RecordingNotifier::Kind::Error);
}

TEST(Generation, SecondWavelengthColumn) {
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""}, "1.5418", "0.7107");
    generateReflections(t.s);
    const auto row = reflectionViewRow(t.s, 0);
    EXPECT_EQ(row[3], "19.500");
    EXPECT_EQ(row[4], formatNumber(reflectionTheta(0.7107f, t.s.reflections.d[0]), "0.000"));
    EXPECT_EQ(row[4], "8.851");
}

TEST(Quicksort, OrdersDescendingWithTheMiddlePivot) {
    std::vector<float> two{1.0f, 2.0f};
    quicksortDescending(two, [](float v) { return v; });
    EXPECT_EQ(two, (std::vector<float>{2.0f, 1.0f}));

    std::vector<float> many;
    for (int i = 0; i < 1000; ++i) many.push_back(static_cast<float>((i * 7919) % 101));
    quicksortDescending(many, [](float v) { return v; });
    EXPECT_TRUE(std::is_sorted(many.rbegin(), many.rend()));

    std::vector<float> none;
    quicksortDescending(none, [](float v) { return v; });
    EXPECT_TRUE(none.empty());
}

TEST(Quicksort, EqualKeysEndInTheOrderTheProcedureGives) {
    // Rows (key, tag): with all keys equal the procedure swaps the ends inwards.
    std::vector<std::pair<float, int>> rows{{1, 0}, {1, 1}, {1, 2}, {1, 3}};
    quicksortDescending(rows, [](const auto& r) { return r.first; });
    std::vector<int> tags;
    for (const auto& r : rows) tags.push_back(r.second);
    EXPECT_EQ(tags, (std::vector<int>{2, 3, 0, 1}));
}

} // namespace
} // namespace tavrel
