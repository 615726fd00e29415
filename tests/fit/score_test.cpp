// The band model's shortcuts and the calibrated score, where a fault would mislead every
// indexing: each pixel's value, the score's invariances and its calibration across binnings.

#include "common/numeric.h"
#include "detector/film_mapping.h"
#include "support/fit_crystals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel::test {
namespace {

// The runs of pixels the renderer visits hold every pixel the profile reaches, on square and
// 4:3 images, for bands and for cone lines.
TEST(BandModel, RunsGiveEveryPixelItsValue) {
    const SimulatedCrystal ni(kNickel), mg(kMagnesium);
    const struct {
        const SimulatedCrystal* crystal;
        Detector detector;
        int width, height;
        double centre; // sin(theta) for cone lines, 0 for bands
    } cases[] = {{&ni, kCamera, 60, 60, 0},
                 {&mg, kScreen, 61, 61, 0},
                 {&ni, detectorFor({80, 60, 25}, {0.3, 0.7}), 80, 60, 0},
                 {&mg, kScreen, 48, 48, 0.3}};
    for (const auto& c : cases) {
        const fit::PixelGrid grid(c.detector, c.width, c.height);
        const FilmMapping mapping(c.detector, c.width, c.height);
        const double edge = 0.7 * grid.pixelAngle();
        std::vector<fit::ModelBand> bands;
        for (const Band& b : c.crystal->setup().bands)
            bands.push_back({b.weight, c.centre > 0 ? b.sinTheta + c.centre : 0,
                             c.centre > 0 ? 0.5 * edge : 0.8 * b.sinTheta});
        for (std::uint32_t seed = 1; seed <= 4; ++seed) {
            const Mat3d m = randomOrientation(seed);
            std::vector<Vec3d> normals;
            for (const Band& b : c.crystal->setup().bands) normals.push_back(toView(m, b.normal).v);
            std::vector<float> out(grid.size(), 0.0f), scratch;
            grid.render(bands, normals, edge, out.data(), scratch);
            double worst = 0;
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const ViewVector r = mapping.directionAt(x + 0.5, y + 0.5);
                    double v = 0;
                    for (std::size_t k = 0; k < bands.size(); ++k) {
                        const double s =
                            std::fabs(std::fabs(dot(r.v, normals[k])) - bands[k].centre);
                        v += bands[k].height *
                             std::clamp((bands[k].halfWidth - s) / edge + 0.5, 0.0, 1.0);
                    }
                    worst = std::max(
                        worst, std::fabs(v - out[static_cast<std::size_t>(y * grid.stride() + x)]));
                }
            EXPECT_LT(worst, 1e-4) << c.width << " x " << c.height << " seed " << seed;
        }
    }
}

// The score changes neither with the image's scale and offset, falls when the orientation is
// 3 degrees off, and means the same for one exposure binned to 60, 120, 240 and 480 pixels.
TEST(PatternScore, IgnoresScaleAndOffsetAndMeansTheSameAtEveryBinning) {
    const SimulatedCrystal ni(kNickel);
    SyntheticPatternOptions o = ni.options(480);
    o.binning = 1;
    o.countsPerPixel = 300.0 / 64; // 300 counts in a pixel of the 60 px pattern
    o.detector = brukerDetector(kRecordedCentre, 480, 480);
    const Mat3d truth = randomOrientation(11);
    const GreyImage fine = syntheticCounts(ni.setup().bands, truth, o);
    std::vector<double> scores;
    for (const int factor : {8, 4, 2, 1}) {
        SyntheticPatternOptions b = o;
        b.width = b.height = 480 / factor;
        b.binning = factor;
        b.countsPerPixel = 300.0 / 64 * factor * factor;
        const GreyImage image = binnedCounts(fine, factor, false);
        const auto background = fit::staticBackgroundOf(syntheticBackground(b));
        ASSERT_TRUE(background);
        const auto p = fit::preparePattern(image, *background);
        ASSERT_TRUE(p) << factor;
        scores.push_back(fit::calibratedScore(*p, ni.setup().detector, ni.setup().bands, truth));
        if (factor == 8) {
            GreyImage affine = p->working;
            for (float& v : affine.pixels) v = 3 * v + 7;
            const fit::PatternScorer plain(p->working, kCamera, ni.setup().bands);
            EXPECT_NEAR(fit::PatternScorer(affine, kCamera, ni.setup().bands).correlation(truth),
                        plain.correlation(truth), 1e-5);
            EXPECT_LT(plain.correlation(turnedAway(truth, 3, 1)), scores.back() - 0.1);
        }
    }
    for (const double s : scores) EXPECT_NEAR(s, scores.front(), 0.02);
    EXPECT_GT(scores.front(), 0.2);
}

} // namespace
} // namespace tavrel::test
