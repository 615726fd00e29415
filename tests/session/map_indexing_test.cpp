// The map engine: a map indexed in pieces or on any number of threads gives the results of the
// whole map on one, points inside grains take their neighbours' orientations, a cancelled or
// failing run hands on whole rows only and ends; and today's matcher finds made-up grains.

#include "session/map_geometry.h"
#include "session/map_indexing.h"
#include "session/map_point_matcher.h"
#include "support/fit_crystals.h"
#include "support/grain_map.h"

#include <gtest/gtest.h>

#include <atomic>

namespace tavrel {
namespace {

using test::GrainMap;
using test::GrainMapOptions;

// Patterns held in memory; reads of patterns from `failFrom` on fail.
class MemorySource final : public MapPatternSource {
public:
    MemorySource(int rows, int columns, int side, std::vector<float> pixels)
        : pixels_(std::move(pixels)) {
        header_.rows = rows;
        header_.columns = columns;
        header_.patternWidth = header_.patternHeight = side;
    }
    const PatternFileHeader& header() const override { return header_; }
    Outcome readPatterns(std::int64_t first, std::int64_t count, std::span<float> out) override {
        if (auto problem = checkRequest(first, count, out.size())) return *problem;
        if (first + count > failFrom) return Problem{prefix() + "is damaged"};
        const auto at = static_cast<std::size_t>(first * header_.pixelsPerPattern());
        std::copy_n(pixels_.begin() + static_cast<std::ptrdiff_t>(at), out.size(), out.begin());
        return {};
    }
    Outcome readPatterns(std::int64_t, std::int64_t, std::span<std::uint16_t>) override {
        return Problem{"unused"};
    }
    std::int64_t failFrom = 1 << 30;

protected:
    std::string prefix() const override { return "\"memory\": "; }

private:
    PatternFileHeader header_;
    std::vector<float> pixels_;
};

// A matcher that reads the grain from the pattern's first pixel: the grain's orientation (a
// turn about z by 10 degrees a grain) scores 1, any other 0; it counts its indexings.
class GrainMatcher final : public PointMatcher {
public:
    explicit GrainMatcher(std::atomic<int>& indexings) : indexings_(indexings) {}
    static Mat3d orientationOf(int grain) {
        const double a = grain * 0.1745;
        return Mat3d{{{std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1}}};
    }
    Result<double> take(const fit::GreyImage& pattern, const Detector&) override {
        grain_ = static_cast<int>(pattern.pixels[0]);
        if (grain_ < 0) return Problem{"blank"};
        return 0.5;
    }
    double score(int, const Mat3d& m) override {
        return std::fabs(m[0][1] - orientationOf(grain_)[0][1]) < 1e-4 ? 1.0 : 0.0;
    }
    MapSolution refine(const MapSolution& start) override { return start; }
    Result<MapSolution> index() override {
        ++indexings_;
        return MapSolution{orientationOf(grain_), 0, 1.0, 5, 0.5, 0.9};
    }

private:
    std::atomic<int>& indexings_;
    int grain_ = 0;
};

// A 20 x 7 map of tiny patterns: three grains in vertical stripes, and one blank point.
struct StripedMap {
    static constexpr int kRows = 20, kColumns = 7, kSide = 2;
    std::atomic<int> indexings{0};
    MemorySource source{kRows, kColumns, kSide, pixels()};
    static std::vector<float> pixels() {
        std::vector<float> p;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c)
                p.insert(p.end(), kSide * kSide,
                         r == 9 && c == 3 ? -1.0f : static_cast<float>((c + r / 6) / 3));
        return p;
    }
    std::vector<MapPointResult> run(MapRunOptions options, MapRunSummary* summary = nullptr) {
        MapResults results(kRows, kColumns);
        const MapRunSummary s = indexMap(
            source, fixedGeometry({}), [&] { return std::make_unique<GrainMatcher>(indexings); },
            results.sink(), options);
        if (summary) *summary = s;
        const auto first = static_cast<std::ptrdiff_t>(options.firstRow * kColumns);
        const auto end =
            static_cast<std::ptrdiff_t>((options.endRow < 0 ? kRows : options.endRow) * kColumns);
        return {results.points.begin() + first, results.points.begin() + end};
    }
};

// Member by member: the padding after the last byte member holds whatever was there.
bool sameResults(const std::vector<MapPointResult>& a, const std::vector<MapPointResult>& b) {
    return a == b;
}

TEST(MapIndexing, PiecesAndThreadsGiveTheWholeMapsResults) {
    StripedMap map;
    MapRunSummary summary;
    const auto whole = map.run({.threads = 1}, &summary);
    EXPECT_EQ(summary.points, StripedMap::kRows * StripedMap::kColumns);
    EXPECT_EQ(summary.indexed, summary.points - 1);
    EXPECT_FALSE(whole[9 * 7 + 3].indexed());
    for (int r = 0; r < StripedMap::kRows; ++r)
        for (int c = 0; c < StripedMap::kColumns; ++c) {
            const MapPointResult& p = whole[static_cast<std::size_t>(r * 7 + c)];
            if (p.indexed()) {
                EXPECT_NEAR(p.orientation()[0][1],
                            GrainMatcher::orientationOf((c + r / 6) / 3)[0][1], 1e-6);
            }
        }
    // Indexed with no guess: where the stripes begin in each band's first row, and where a
    // point's left and upper neighbours lie across a stripe's edge (the stripes shift at rows 6,
    // 12 and 18) or are the blank point.
    EXPECT_EQ(summary.fromScratch, map.indexings.load());
    EXPECT_LT(summary.fromScratch, 30);

    std::vector<MapPointResult> joined;
    for (const auto& [first, end] : {std::pair{0, 5}, {5, 13}, {13, 20}}) {
        const auto piece = map.run({.firstRow = first, .endRow = end, .threads = 2});
        joined.insert(joined.end(), piece.begin(), piece.end());
    }
    EXPECT_TRUE(sameResults(joined, whole));
    EXPECT_TRUE(sameResults(map.run({.threads = 3}), whole));
    const auto looked = map.run({.threads = 2, .indexing = false}, &summary);
    EXPECT_EQ(summary.indexed, 0);
    EXPECT_EQ(looked[5].quality, 0.5f);

    // A point read again: its pattern, and the detector the geometry gives it.
    const Detector screen{40, 30, 20, {0.4, 0.6}, {}};
    const auto point = readMapPoint(map.source, fixedGeometry(screen), 2 * 7 + 6);
    ASSERT_TRUE(point);
    EXPECT_EQ(point->pattern.pixels, std::vector<float>(4, 2.0f));
    EXPECT_EQ(point->detector, screen);

    MapResults results(StripedMap::kRows, StripedMap::kColumns);
    summary = indexMap(map.source, fixedGeometry({}),
                       [&] { return std::make_unique<GrainMatcher>(map.indexings); },
                       results.sink(), {.firstRow = 4, .endRow = 21});
    ASSERT_TRUE(summary.problem);
    EXPECT_EQ(summary.points, 0);
}

TEST(MapIndexing, CancelledOrFailingRunsHandOnWholeRowsAndEnd) {
    StripedMap map;
    std::int64_t handed = 0;
    MapRunSummary summary;
    MapRunOptions options{.threads = 2};
    options.progress = [&](std::int64_t done, std::int64_t) { handed = done; };
    options.cancelled = [&] { return handed >= 3 * StripedMap::kColumns; };
    map.run(options, &summary);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(summary.points % StripedMap::kColumns, 0);
    EXPECT_GE(summary.points, 3 * StripedMap::kColumns);
    EXPECT_LT(summary.points, StripedMap::kRows * StripedMap::kColumns);

    // Patterns from row 11 on cannot be read: rows before it may be handed on, none after.
    map.source.failFrom = 11 * StripedMap::kColumns;
    map.run({.threads = 2}, &summary);
    ASSERT_TRUE(summary.problem);
    EXPECT_NE(summary.problem->message.find("\"memory\": is damaged"), std::string::npos);
    EXPECT_LE(summary.points, 11 * StripedMap::kColumns);

    // A sink that fails stops the run with its problem.
    map.source.failFrom = 1 << 30;
    MapResults results(StripedMap::kRows, StripedMap::kColumns);
    summary = indexMap(
        map.source, fixedGeometry({}),
        [&] { return std::make_unique<GrainMatcher>(map.indexings); },
        [](std::int64_t first, std::span<const MapPointResult>) -> Outcome {
            if (first > 0) return Problem{"\"out.ang\": disk full"};
            return {};
        });
    ASSERT_TRUE(summary.problem);
    EXPECT_EQ(summary.problem->message, "\"out.ang\": disk full");
    EXPECT_EQ(summary.points, StripedMap::kColumns);
}

MemorySource sourceOf(const GrainMap& grains) {
    const GrainMapOptions& o = grains.options();
    std::vector<float> pixels;
    for (int r = 0; r < o.rows; ++r)
        for (int c = 0; c < o.columns; ++c)
            for (const std::uint8_t v : grains.pattern(r, c)) pixels.push_back(v);
    return MemorySource(o.rows, o.columns, o.side, std::move(pixels));
}

TEST(MapIndexing, TodaysMatcherFindsTheGrainsOfAMadeUpMap) {
    const test::SimulatedCrystal si(test::kSilicon);
    const GrainMap grains(
        si.setup().bands,
        {.rows = 9, .columns = 8, .side = 60, .grains = 3, .seed = 5, .detector = test::kScreen});
    MemorySource source = sourceOf(grains);
    MapResults results(9, 8);
    const MapRunSummary summary =
        indexMap(source, fixedGeometry(test::kScreen), fitPointMatchers({&si.fit}), results.sink());
    ASSERT_FALSE(summary.problem);
    const auto noise =
        fitPointMatchers({&si.fit})()->take(test::noiseImage(60, 60, 3), test::kScreen);
    ASSERT_TRUE(noise);
    int right = 0;
    double quality = 0;
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 8; ++c) {
            const MapPointResult& p = results.points[static_cast<std::size_t>(r * 8 + c)];
            quality += p.quality / 72;
            right += p.indexed() &&
                     fit::misorientationDegrees(p.orientation(), grains.orientationOf(r, c),
                                                si.setup().symmetry) < 2.0;
        }
    EXPECT_GT(quality, 1.15 * *noise); // faint bands at 400 counts a pixel, yet above noise
    EXPECT_GE(right, 70) << summary.indexed;
    EXPECT_LT(summary.fromScratch, 25);
}

// The other lattices of its cell refute a wrong cubic crystal offered alone for a nickel map
// (its bands lie on some of nickel's), while nickel itself indexes.
TEST(MapIndexing, AWrongCrystalOfferedAloneIndexesNoPoint) {
    const test::SimulatedCrystal nickel(test::kNickel), iron(test::kIron), silicon(test::kDiamond);
    const GrainMap grains(
        nickel.setup().bands,
        {.rows = 4, .columns = 5, .side = 60, .grains = 2, .seed = 3, .detector = test::kCamera});
    for (const test::SimulatedCrystal* offered : {&nickel, &iron, &silicon}) {
        SCOPED_TRACE(offered->sim.fields.title);
        MemorySource source = sourceOf(grains);
        MapResults results(4, 5);
        const MapRunSummary summary = indexMap(source, fixedGeometry(test::kCamera),
                                               fitPointMatchers({&offered->fit}), results.sink());
        ASSERT_FALSE(summary.problem);
        if (offered == &nickel)
            EXPECT_GE(summary.indexed, 18);
        else
            EXPECT_EQ(summary.indexed, 0);
    }
}

} // namespace
} // namespace tavrel
