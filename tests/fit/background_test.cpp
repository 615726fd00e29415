// Background correction: the static background (given, or a map's mean), the dynamic one, the
// screen's mask and spots, and what it refuses.

#include "support/fit_crystals.h"

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

GreyImage imageOf(int w, int h, std::vector<float> values) {
    GreyImage g;
    g.width = w;
    g.height = h;
    g.pixels = std::move(values);
    return g;
}

TEST(Background, MeanPatternAndWhatIsRefused) {
    fit::MeanPattern mean;
    EXPECT_FALSE(mean.mean());
    ASSERT_TRUE(mean.add(imageOf(2, 1, {1, 2})));
    ASSERT_TRUE(mean.add(imageOf(2, 1, {3, 6})));
    EXPECT_EQ(mean.mean()->pixels, (std::vector<float>{2, 4}));
    const Outcome mixed = mean.add(imageOf(1, 2, {3, 6}));
    EXPECT_NE(mixed.problem().find("2 x 1 and 1 x 2"), std::string::npos) << mixed.problem();

    EXPECT_FALSE(fit::staticBackgroundOf(imageOf(2, 1, {0, 0})));
    const GreyImage flat = imageOf(40, 40, std::vector<float>(1600, 5.0f));
    EXPECT_NE(fit::preparePattern(flat).problem().find("no contrast"), std::string::npos);
    const auto background = fit::staticBackgroundOf(imageOf(20, 40, std::vector<float>(800, 5.0f)));
    ASSERT_TRUE(background);
    const auto wrongSize = fit::preparePattern(flat, *background);
    EXPECT_NE(wrongSize.problem().find("20 x 40 pixels, the pattern 40 x 40"), std::string::npos)
        << wrongSize.problem();
}

// A made-up pattern on a screen with dark corners and spots: with the static background, and
// without it (the local median and the spots masked), the bands correlate with the crystal's
// model at the truth; left as it is, the screen's own picture drowns them. The corners are
// masked, large patterns are binned to the sizes matching reads.
TEST(Background, CorrectionBringsOutTheBands) {
    const SimulatedCrystal ni(kNickel);
    const Mat3d truth = randomOrientation(3);
    for (const int side : {60, 480}) {
        SyntheticPatternOptions o = ni.options(side, 3);
        o.blemishes = 8;
        o.detector = brukerDetector(kRecordedCentre, side, side);
        const GreyImage raw = ni.pattern(truth, o);
        const auto background = *fit::staticBackgroundOf(syntheticBackground(o));
        fit::BackgroundCorrection none;
        none.staticMode = fit::StaticCorrection::None;
        none.dynamicMode = fit::DynamicCorrection::None;
        none.maskFraction = 0;
        const auto score = [&](const fit::StaticBackground& b, const fit::BackgroundCorrection& c) {
            const auto p = fit::preparePattern(raw, b, c);
            EXPECT_TRUE(p);
            EXPECT_EQ(p->working.width, fit::kScoreSide);
            EXPECT_EQ(p->finest().width, std::min(side, fit::kFineSide));
            return fit::calibratedScore(*p, kCamera, ni.setup().bands, truth);
        };
        const double uncorrected = score({}, none);
        EXPECT_GT(score(background, {}), uncorrected + 0.1) << side;
        EXPECT_GT(score({}, {}), uncorrected + 0.05) << side;
    }
    const auto p = fit::preparePattern(ni.pattern(truth, ni.options()));
    EXPECT_FALSE(p->working.isValid(0, 0));
    EXPECT_TRUE(p->working.isValid(30, 30));
}

} // namespace
} // namespace tavrel::test
