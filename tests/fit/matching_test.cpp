#include "common/numeric.h"
#include "support/fit_crystals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel::test {
namespace {

using fit::misorientationDegrees;

// A turn of `degrees` about a tilted axis.
Mat3d turn(double degrees, std::uint32_t seed) {
    const Mat3d axes = randomOrientation(seed);
    const double a = degrees * kDegToRad;
    return fit::rotationFromVector({axes[0][0] * a, axes[1][0] * a, axes[2][0] * a});
}

double degreesBetween(const Mat3d& a, const Mat3d& b) {
    return fit::rotationAngle(a * transpose(b)) / kDegToRad;
}

// Indexing finds the orientation of a made-up pattern within 1 degree (up to symmetry), its
// bands matched to the crystal's planes and its rivals distinct; refinement from 5 degrees
// away comes within 0.2.
TEST(Matching, IndexesAndRefinesCubicHexagonalAndMonoclinicPatterns) {
    for (const Crystal& crystal : {kSilicon, kMagnesium, kBaddeleyite}) {
        const SimulatedCrystal c(crystal);
        for (std::uint32_t seed : {1u, 2u}) {
            const Mat3d truth =
                randomOrientation(100 * seed + static_cast<std::uint32_t>(crystal.group));
            const fit::ScoreLevels image = c.prepared(truth, seed);
            const auto indexed = c.fit.index(image);
            ASSERT_TRUE(indexed) << crystal.name << " " << seed << ": " << indexed.problem();
            const fit::FoundOrientation& best = indexed->solutions.front();
            EXPECT_LT(misorientationDegrees(best.fit.orientation, truth, c.setup().symmetry), 1.0)
                << crystal.name << " " << seed;
            EXPECT_GE(best.matchedBands, 4) << crystal.name;
            EXPECT_LT(best.meanDeviationDegrees, 1.0) << crystal.name;
            for (std::size_t i = 1; i < indexed->solutions.size(); ++i)
                EXPECT_GT(misorientationDegrees(indexed->solutions[i].fit.orientation,
                                                best.fit.orientation, c.setup().symmetry),
                          2.0);

            const auto refined = c.fit.refine(image, {.start = turn(5, seed) * truth});
            ASSERT_TRUE(refined) << crystal.name;
            EXPECT_LT(degreesBetween(refined->found.fit.orientation, truth), 0.2)
                << crystal.name << " " << seed;
            EXPECT_NEAR(refined->movedDegrees, 5, 0.2);
        }
    }
}

// A random image neither indexes nor lets a refinement take an orientation from it.
TEST(Matching, RandomImagesGiveNoOrientation) {
    const SimulatedCrystal c(kSilicon);
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        const auto image = preparePattern(noiseImage(240, 240, seed));
        ASSERT_TRUE(image);
        const auto indexed = c.fit.index(*image);
        EXPECT_FALSE(indexed) << seed;
        EXPECT_NE(indexed.problem().find("No orientation found"), std::string::npos);
        EXPECT_FALSE(c.fit.refine(*image, {.start = randomOrientation(seed)})) << seed;
    }
}

// Every improvement is reported, better than the one before within a level, down to the image
// itself; a cancel keeps the best point found, never worse than the start.
TEST(Matching, RefinementReportsImprovementsAndStopsWhenCancelled) {
    const SimulatedCrystal c(kMagnesium);
    const Mat3d truth = randomOrientation(21);
    const fit::ScoreLevels image = c.prepared(truth, 4);
    const fit::PatternScorer scorer(image, c.setup().bands);
    const fit::FitState start{turn(3, 3) * truth, kScreen, 0};

    std::vector<fit::RefineProgress> reports;
    fit::RefineOptions options;
    options.progress = [&](const fit::RefineProgress& p) { reports.push_back(p); };
    const fit::RefineResult full = fit::refineUnchecked(scorer, start, options);
    ASSERT_GT(reports.size(), 5u);
    EXPECT_EQ(reports.back().level, 0);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        if (reports[i].level == reports[i - 1].level) {
            EXPECT_GT(reports[i].best.score, reports[i - 1].best.score);
        }
    }
    EXPECT_FALSE(full.cancelled);

    int asked = 0;
    options.progress = nullptr;
    options.cancelled = [&] { return ++asked > 12; };
    const fit::RefineResult cut = fit::refineUnchecked(scorer, start, options);
    EXPECT_TRUE(cut.cancelled);
    EXPECT_LE(cut.evaluations, 12);
    EXPECT_GE(cut.fit.score, scorer.score(start.orientation, kScreen).score);
}

// With the pattern centre and the distance free, a detector given 2 % of the image off and 4 %
// too far is put right along with the orientation; thin cone lines (a Kossel pattern on film)
// are refined on the lines themselves.
TEST(Matching, RefinesTheDetectorAndThinConeLines) {
    const SimulatedCrystal c(kSilicon);
    const Mat3d truth = randomOrientation(31);
    SyntheticPatternOptions o = SimulatedCrystal::onScreen();
    o.detector = detectorFor({40, 40, 20}, {0.47, 0.54});
    const fit::ScoreLevels recorded = c.prepared(truth, 1, o);
    fit::RefineOptions options;
    options.refineCentre = options.refineDistance = true;
    options.maxEvaluationsPerLevel = 600;
    const Detector guess = detectorFor({40, 40, 20.8f}, {0.45, 0.56});
    const auto refined = fit::refineOrientation(fit::PatternScorer(recorded, c.setup().bands),
                                                {turn(1, 5) * truth, guess, 0}, options);
    ASSERT_TRUE(refined);
    EXPECT_NEAR(refined->fit.detector.centre.x, 0.47, 0.003);
    EXPECT_NEAR(refined->fit.detector.centre.y, 0.54, 0.003);
    EXPECT_NEAR(refined->fit.detector.distance, 20, 0.2);
    EXPECT_LT(degreesBetween(refined->fit.orientation, truth), 0.3);

    o = SimulatedCrystal::onScreen();
    o.profile = fit::LineProfile::ConeLines;
    o.contrast = 0.5;
    const fit::ScoreLevels lines = c.prepared(truth, 1, o);
    const auto onLines = fit::refineOrientation(
        fit::PatternScorer(lines, c.setup().bands, fit::LineProfile::ConeLines),
        {turn(2, 6) * truth, kScreen, 0});
    ASSERT_TRUE(onLines);
    EXPECT_LT(degreesBetween(onLines->fit.orientation, truth), 0.2);
}

} // namespace
} // namespace tavrel::test
