#include "detector/detector.h"
#include "detector/film_mapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tavrel {
namespace {

// Published conversions to Bruker's convention: the kikuchipy EBSDDetector docstring example
// (EDAX TSL, 60 x 60), its issues #449/#508 and pull request #513 (Oxford on 160 x 120 and
// 480 x 360 patterns; EMsoft of the first with a 236.8 um pixel, unbinned), the example in
// EMsoft issue #131 (Oxford 0.48 0.54 0.51 on 622 x 512, 50 um: EMsoft 12.44 79.88 15861), and
// EMsoft issue #161, whose pattern simulated by EMsoft 5 with xpc = +30 on 120 x 120 pixels has
// its centre at x* = 0.25 (xpc counts to the left; releases before 5 to the right).
TEST(PatternCentre, PublishedConversionsToBruker) {
    const double nan = std::nan("");
    struct Case {
        const char* source;
        CentreConvention convention;
        CentreCoordinates stated;
        PatternFormat format;
        CentreCoordinates bruker; // nan: not published
        double tolerance;
    };
    const std::vector<Case> cases{
        {"kikuchipy docstring",
         CentreConvention::Edax,
         {0.421, 0.779, 0.505},
         {60, 60},
         {0.421, 0.221, 0.505},
         1e-12},
        {"kikuchipy #508",
         CentreConvention::Oxford,
         {0.48935617839432832, 0.61856923343313686, 0.49397253582464035},
         {160, 120},
         {0.48935618, 0.17524102, 0.65863005},
         1e-8},
        {"kikuchipy #449",
         CentreConvention::Emsoft,
         {1.7030115, 38.971077, 18715.631},
         {160, 120, 236.8, 1},
         {0.48935618, 0.17524102, 0.65863005},
         1e-7},
        {"kikuchipy #513",
         CentreConvention::Oxford,
         {0.51, 0.28607307, 0.3704794},
         {480, 360},
         {0.51, 0.61856923343313686, 0.49397253582464035},
         1e-7},
        {"EMsoft #131",
         CentreConvention::Oxford,
         {0.48, 0.54, 0.51},
         {622, 512},
         {0.48, 0.343984375, 0.61957031},
         1e-8},
        {"EMsoft #131",
         CentreConvention::Emsoft,
         {12.44, 79.88, 15861},
         {622, 512, 50, 1},
         {0.48, 0.343984375, 0.61957031},
         2e-5},
        {"EMsoft #161",
         CentreConvention::Emsoft,
         {30, 0, 1},
         {120, 120, 1, 1},
         {0.25, 0.5, nan},
         1e-12},
        {"EMsoft #161",
         CentreConvention::Emsoft4,
         {30, 0, 1},
         {120, 120, 1, 1},
         {0.75, 0.5, nan},
         1e-12},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(checkFormatFor(c.convention, c.format)) << c.source;
        const CentreCoordinates b = brukerCentre(c.convention, c.stated, c.format);
        EXPECT_NEAR(b.x, c.bruker.x, c.tolerance) << c.source;
        EXPECT_NEAR(b.y, c.bruker.y, c.tolerance) << c.source;
        if (!std::isnan(c.bruker.z)) {
            EXPECT_NEAR(b.z, c.bruker.z, c.tolerance) << c.source;
        }
    }
}

// Every convention goes there and back on square, 4:3 and 3:4 patterns, binned and not.
TEST(PatternCentre, RoundTripsInEveryConvention) {
    const CentreCoordinates bruker{0.4242, 0.2101, 0.501};
    for (const PatternFormat format :
         {PatternFormat{60, 60, 70, 8}, PatternFormat{640, 480, 59.2, 1},
          PatternFormat{480, 640, 50, 4}}) {
        for (int i = 0; i < kCentreConventionCount; ++i) {
            const auto convention = static_cast<CentreConvention>(i);
            const CentreCoordinates back =
                brukerCentre(convention, statedCentre(convention, bruker, format), format);
            EXPECT_NEAR(back.x, bruker.x, 1e-12) << centreConventionName(convention);
            EXPECT_NEAR(back.y, bruker.y, 1e-12) << centreConventionName(convention);
            EXPECT_NEAR(back.z, bruker.z, 1e-12) << centreConventionName(convention);
            EXPECT_EQ(centreConventionNamed(centreConventionName(convention)), convention);
        }
    }
    // EDAX's z* counts the smaller side, Oxford's the width: on a 3:4 pattern they differ.
    const PatternFormat tall{480, 640};
    EXPECT_NEAR(statedCentre(CentreConvention::Edax, bruker, tall).z, 0.501 * 640 / 480, 1e-12);
    EXPECT_NEAR(statedCentre(CentreConvention::Oxford, bruker, tall).z, 0.501 * 640 / 480, 1e-12);
    const PatternFormat wide{640, 480};
    EXPECT_NEAR(statedCentre(CentreConvention::Edax, bruker, wide).z, 0.501, 1e-12);
    EXPECT_NEAR(statedCentre(CentreConvention::Oxford, bruker, wide).z, 0.501 * 480 / 640, 1e-12);
}

// A detector no pattern can lie on is refused naming the field; a centre off the pattern is
// allowed, with a note; EMsoft's convention needs the pixel size.
TEST(Detector, RefusesWhatNoPatternCanLieOn) {
    const double nan = std::nan("");
    struct Case {
        Detector detector;
        const char* field; // nullptr: accepted
    };
    auto with = [](auto change) {
        Detector d;
        change(d);
        return d;
    };
    const std::vector<Case> cases{
        {Detector{}, nullptr},
        {with([](Detector& d) { d.distance = 0; }), "Film Distance"},
        {with([](Detector& d) { d.distance = -3; }), "Film Distance"},
        {with([&](Detector& d) { d.filmWidth = nan; }), "Film Width"},
        {with([&](Detector& d) { d.centre.y = nan; }), "Pattern centre"},
        {with([](Detector& d) {
             d.centre = {1.4, -0.2};
         }),
         nullptr},
        {with([](Detector& d) { d.tilts.specimen = 91; }), "Specimen tilt"},
        {with([](Detector& d) { d.tilts.detector = -90.5; }), "Detector tilt"},
        {with([](Detector& d) { d.pixelSize = -1; }), "Pixel size"},
        {with([](Detector& d) { d.binning = 0; }), "Binning"},
    };
    for (const Case& c : cases) {
        const Outcome checked = checkDetector(c.detector);
        if (!c.field) {
            EXPECT_TRUE(checked);
            continue;
        }
        ASSERT_FALSE(checked) << c.field;
        EXPECT_NE(checked.problem().find(c.field), std::string::npos) << checked.problem();
    }
    EXPECT_EQ(centreOutsideNote(Detector{}), "");
    EXPECT_NE(centreOutsideNote(cases[5].detector).find("outside"), std::string::npos);
    const Outcome emsoft = checkFormatFor(CentreConvention::Emsoft, PatternFormat{60, 60});
    ASSERT_FALSE(emsoft);
    EXPECT_NE(emsoft.problem().find("Pixel size"), std::string::npos);
}

// The tilts leave the view direction of a pixel as it is and turn the specimen direction it
// sees: at 70 and 0 degrees the pattern centre sees the specimen normal 20 degrees away (90 -
// sigma + theta); a detector tilt of -20 degrees faces the specimen.
TEST(FilmMapping, TiltsTurnTheSpecimenDirectionsPixelsSee) {
    Detector d = detectorFor({60, 60, 30});
    const FilmMapping flat(d, 60, 60);
    const SpecimenVector seen = flat.specimenDirectionAt(30, 30);
    EXPECT_NEAR(seen[2], std::cos(20 * 3.14159265358979 / 180), 1e-9);
    EXPECT_NEAR(seen[1], 0, 1e-12); // the tilt axis is across the picture
    d.tilts.detector = -20;
    const FilmMapping tilted(d, 60, 60);
    EXPECT_NEAR(tilted.specimenDirectionAt(30, 30)[2], 1, 1e-9);
    EXPECT_EQ(tilted.directionAt(10, 20), flat.directionAt(10, 20));
}

} // namespace
} // namespace tavrel
