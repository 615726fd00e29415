#include "common/numeric.h"
#include "fit/indexing.h"
#include "fit/synthetic_pattern.h"
#include "fit_crystals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel::fit {
namespace {

using test::Crystal;
using test::kScreen;
using test::SimulatedCrystal;

// A turn of `degrees` about a tilted axis.
Mat3d turn(double degrees, std::uint32_t seed) {
    const Mat3d axes = randomOrientation(seed);
    const Vec3d axis{axes[0][0], axes[1][0], axes[2][0]};
    const double a = degrees * kDegToRad;
    return rotationFromVector({axis[0] * a, axis[1] * a, axis[2] * a});
}

// Indexing finds the orientation of a made-up pattern within 1 degree (up to symmetry), with
// its bands matched to the crystal's planes; refinement from 5 degrees away comes within 0.2.
TEST(Matching, IndexesAndRefinesCubicHexagonalAndMonoclinicPatterns) {
    for (const Crystal& crystal : {test::kSilicon, test::kMagnesium, test::kBaddeleyite}) {
        const SimulatedCrystal c(crystal);
        for (std::uint32_t seed : {1u, 2u}) {
            const Mat3d truth =
                randomOrientation(100 * seed + static_cast<std::uint32_t>(crystal.group));
            const auto prepared = prepareForFitting(c.pattern(truth, 240, seed));
            ASSERT_TRUE(prepared);
            const PatternScorer scorer(*prepared, c.setup.bands);

            const auto indexed = indexPattern(scorer, c.setup);
            ASSERT_TRUE(indexed) << crystal.name << " " << seed << ": " << indexed.problem();
            const IndexedOrientation& best = indexed->solutions.front();
            EXPECT_LT(misorientationDegrees(best.fit.orientation, truth, c.setup.symmetry), 1.0)
                << crystal.name << " " << seed;
            EXPECT_GE(best.matchedBands, 4) << crystal.name;
            EXPECT_LT(best.meanDeviationDegrees, 1.0) << crystal.name;
            for (std::size_t i = 1; i < indexed->solutions.size(); ++i)
                EXPECT_GT(misorientationDegrees(indexed->solutions[i].fit.orientation,
                                                best.fit.orientation, c.setup.symmetry),
                          2.0);

            const auto refined = refineOrientation(scorer, {turn(5, seed) * truth, kScreen, 0});
            ASSERT_TRUE(refined) << crystal.name;
            EXPECT_LT(rotationAngle(refined->fit.orientation * transpose(truth)) / kDegToRad, 0.2)
                << crystal.name << " " << seed;
            EXPECT_NEAR(refined->movedDegrees, 5, 0.2);
        }
    }
}

// An image without a pattern gives no orientation: a blank one has nothing to prepare, and a
// random one neither indexes nor lets a refinement take an orientation from it.
TEST(Matching, BlankAndRandomImagesGiveNoOrientation) {
    const SimulatedCrystal c(test::kSilicon);
    GreyImage blank;
    blank.width = blank.height = 240;
    blank.pixels.assign(240 * 240, 0.4f);
    EXPECT_FALSE(prepareForFitting(blank));
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        const auto prepared = prepareForFitting(noiseImage(240, 240, seed));
        ASSERT_TRUE(prepared);
        const PatternScorer scorer(*prepared, c.setup.bands);
        const auto indexed = indexPattern(scorer, c.setup);
        EXPECT_FALSE(indexed) << seed;
        EXPECT_NE(indexed.problem().find("No orientation found"), std::string::npos);
        EXPECT_FALSE(refineOrientation(scorer, {randomOrientation(seed), kScreen, 0})) << seed;
    }
}

// The score is the band contrast at the true orientation and falls off within a few degrees;
// at random orientations it stays below the minimum that takes an orientation.
TEST(Matching, ScorePeaksAtTheTrueOrientation) {
    const SimulatedCrystal c(test::kSilicon);
    const Mat3d truth = randomOrientation(7);
    const PatternScorer scorer(*prepareForFitting(c.pattern(truth, 240, 3)), c.setup.bands);
    const double peak = scorer.score(truth, kScreen).score;
    EXPECT_GT(peak, 0.5);
    EXPECT_LT(scorer.score(turn(1, 1) * truth, kScreen).score, peak);
    EXPECT_LT(scorer.score(turn(3, 2) * truth, kScreen).score, 0.5 * peak);
    double sum = 0;
    for (std::uint32_t seed = 1; seed <= 40; ++seed)
        sum += scorer.score(randomOrientation(seed), kScreen).score;
    EXPECT_LT(std::fabs(sum / 40), 0.5 * kMinimumScore);
}

// Every improvement is reported, better than the one before within a level; a cancel keeps the
// best point found, never worse than the start.
TEST(Matching, RefinementReportsImprovementsAndStopsWhenCancelled) {
    const SimulatedCrystal c(test::kMagnesium);
    const Mat3d truth = randomOrientation(21);
    const PatternScorer scorer(*prepareForFitting(c.pattern(truth, 240, 4)), c.setup.bands);
    const FitState start{turn(3, 3) * truth, kScreen, 0};

    std::vector<RefineProgress> reports;
    RefineOptions options;
    options.progress = [&](const RefineProgress& p) { reports.push_back(p); };
    const RefineResult full = refineUnchecked(scorer, start, options);
    ASSERT_GT(reports.size(), 5u);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        if (reports[i].level == reports[i - 1].level) {
            EXPECT_GT(reports[i].best.score, reports[i - 1].best.score);
        }
    }
    EXPECT_EQ(reports.back().level, 0);
    EXPECT_FALSE(full.cancelled);

    int asked = 0;
    options.progress = nullptr;
    options.cancelled = [&] { return ++asked > 12; };
    const RefineResult cut = refineUnchecked(scorer, start, options);
    EXPECT_TRUE(cut.cancelled);
    EXPECT_LE(cut.evaluations, 12);
    EXPECT_GE(cut.fit.score, scorer.score(start.orientation, kScreen).score);
    EXPECT_LT(cut.evaluations, full.evaluations);
}

// With the pattern centre and the distance free, a detector given 2 % of the image off and 4 %
// too far is put right along with the orientation.
TEST(Matching, RefinesThePatternCentreAndTheDistance) {
    const SimulatedCrystal c(test::kSilicon);
    const Mat3d truth = randomOrientation(31);
    const Detector recorded{40, 40, 20, {0.47, 0.54}};
    SyntheticPatternOptions o;
    o.width = o.height = 240;
    o.detector = recorded;
    const PatternScorer scorer(*prepareForFitting(syntheticPattern(c.setup.bands, truth, o)),
                               c.setup.bands);
    RefineOptions options;
    options.refineCentre = options.refineDistance = true;
    options.maxEvaluationsPerLevel = 600;
    const Detector guess{40, 40, 20.8, {0.45, 0.56}};
    const auto refined = refineOrientation(scorer, {turn(1, 5) * truth, guess, 0}, options);
    ASSERT_TRUE(refined);
    EXPECT_NEAR(refined->fit.detector.centre.x, 0.47, 0.003);
    EXPECT_NEAR(refined->fit.detector.centre.y, 0.54, 0.003);
    EXPECT_NEAR(refined->fit.detector.distance, 20, 0.2);
    EXPECT_LT(rotationAngle(refined->fit.orientation * transpose(truth)) / kDegToRad, 0.3);
}

// Batch indexing on several threads gives, image by image and in order, exactly what one
// thread gives; an 8-bit copy of a pattern indexes too, and a blank image finds nothing.
TEST(Matching, BatchIndexingIsDeterministicAndInOrder) {
    const SimulatedCrystal c(test::kMagnesium);
    std::vector<GreyImage> images;
    std::vector<Mat3d> truths;
    for (std::uint32_t seed : {41u, 42u}) {
        truths.push_back(randomOrientation(seed));
        images.push_back(c.pattern(truths.back(), 240, seed));
    }
    const auto bytes = toBytes(images[0], 0.0f, 3.0f);
    images.push_back(*greyImageFrom8Bit(bytes, 240, 240));
    truths.push_back(truths[0]);
    images.push_back(noiseImage(240, 240, 9));
    images[3].pixels.assign(images[3].pixels.size(), 1.0f);

    const auto together = indexPatterns(images, c.setup, {}, 2);
    const auto alone = indexPatterns(images, c.setup, {}, 1);
    ASSERT_EQ(together.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(together[i]) << i;
        const Mat3d& m = together[i]->solutions.front().fit.orientation;
        EXPECT_EQ(m, alone[i]->solutions.front().fit.orientation) << i;
        EXPECT_LT(misorientationDegrees(m, truths[i], c.setup.symmetry), 1.0) << i;
    }
    EXPECT_FALSE(together[3]);
    EXPECT_EQ(together[3].problem(), "No orientation found: the image has no contrast");
}

// Thin cone lines (a Kossel pattern on film) are scored on the lines themselves.
TEST(Matching, ConeLineProfileRefinesThinLines) {
    const SimulatedCrystal c(test::kSilicon);
    const Mat3d truth = randomOrientation(51);
    SyntheticPatternOptions o;
    o.width = o.height = 240;
    o.detector = kScreen;
    o.profile = LineProfile::ConeLines;
    o.contrast = 0.5;
    const PatternScorer scorer(*prepareForFitting(syntheticPattern(c.setup.bands, truth, o)),
                               c.setup.bands, LineProfile::ConeLines);
    const auto refined = refineOrientation(scorer, {turn(2, 6) * truth, kScreen, 0});
    ASSERT_TRUE(refined);
    EXPECT_LT(rotationAngle(refined->fit.orientation * transpose(truth)) / kDegToRad, 0.2);
}

} // namespace
} // namespace tavrel::fit
