// The recorded nickel patterns (60 x 60 pixels, as the detector wrote them) indexed within a
// degree of their reference orientations, with the detector's static background and without
// it, and refined from them with and without the pattern centre; nickel is chosen among nickel,
// iron and silicon, and iron or silicon offered alone is refused, as is an answer far off on a
// wrong pattern centre. The reference orientations are
// Euler angles in the specimen frame of EDAX TSL with the specimen tilted 70 degrees.

#include "output/pattern_image.h"
#include "support/fit_crystals.h"

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

const std::string kFolder = std::string(TAVREL_TEST_DATA) + "/ebsd/ni-60px/";

struct Recorded {
    std::string file;
    CentreCoordinates centre;
    EulerAngles reference;
};

TEST(RecordedPatterns, IndexedWithinADegreeAsNickelWithAndWithoutTheStaticBackground) {
    const SimulatedCrystal ni(kNickel), fe(kIron), si(kDiamond);
    const auto image = readPatternImage(kFolder + "static_background.png");
    ASSERT_TRUE(image) << image.problem();
    const auto background = fit::staticBackgroundOf(*image);
    ASSERT_TRUE(background);
    for (const Recorded& r :
         {Recorded{"pattern_1.png", {0.42415, 0.21014, 0.50104}, {291.81, 61.731, 181.071}},
          Recorded{"pattern_4.png", {0.42725, 0.21451, 0.49996}, {291.74, 62.035, 180.86}}}) {
        const auto raw = readPatternImage(kFolder + r.file);
        ASSERT_TRUE(raw) << raw.problem();
        const Detector d = brukerDetector(r.centre, 60, 60);
        const Mat3d truth = orientationFromEulerIn({EulerFrame::Specimen, {}}, r.reference,
                                                   ni.sim.document.matrices);
        for (const bool withStatic : {true, false}) {
            const auto p =
                fit::preparePattern(*raw, withStatic ? *background : fit::StaticBackground{});
            ASSERT_TRUE(p);
            std::vector<fit::IndexResult> results;
            for (const SimulatedCrystal* c : {&ni, &fe, &si})
                results.push_back(fit::indexPattern(*p, c->on(d)));
            const std::string what = r.file + (withStatic ? " with" : " without");
            ASSERT_FALSE(results[0].solutions.empty()) << what;
            EXPECT_LT(fit::misorientationDegrees(results[0].solutions[0].fit.orientation, truth,
                                                 ni.setup().symmetry),
                      1.0)
                << what;
            EXPECT_TRUE(fit::acceptable(results[0].solutions[0])) << what;
            EXPECT_TRUE(results[0].betterRival.empty()) << what;
            EXPECT_EQ(fit::choosePhase(results).phase, 0u) << what;
            // Refined from the reference, it stays within half a degree of it.
            const auto refined = fit::refineOrientation(*p, ni.setup().bands, {truth, d, 0});
            EXPECT_LT(
                fit::misorientationDegrees(refined.fit.orientation, truth, ni.setup().symmetry),
                0.5)
                << what;
            // With the pattern centre and the distance too, it stays an answer near the
            // reference (a centre fitted from a stray orientation once ran off with it).
            fit::RefineOptions centreToo;
            centreToo.refineCentre = centreToo.refineDistance = true;
            const auto withCentre =
                fit::refineOrientation(*p, ni.setup().bands, {truth, d, 0}, centreToo);
            EXPECT_GE(withCentre.fit.score, refined.fit.score - 0.01) << what;
            EXPECT_LT(
                fit::misorientationDegrees(withCentre.fit.orientation, truth, ni.setup().symmetry),
                1.0)
                << what;
            // On the middle of the screen as the pattern centre, a user's first try, no answer
            // far off is taken (one 33 degrees off scored just over the threshold).
            const fit::IndexResult middle =
                fit::indexPattern(*p, ni.on(brukerDetector({0.5, 0.5, 0.5}, 60, 60)));
            EXPECT_FALSE(!middle.solutions.empty() && fit::acceptable(middle.solutions[0]) &&
                         fit::misorientationDegrees(middle.solutions[0].fit.orientation, truth,
                                                    ni.setup().symmetry) > 2)
                << what;
            for (const std::size_t wrong : {1u, 2u})
                EXPECT_FALSE(results[wrong].score() >= fit::kAcceptScore &&
                             results[wrong].betterRival.empty())
                    << what << " " << wrong;
        }
    }
}

} // namespace
} // namespace tavrel::test
