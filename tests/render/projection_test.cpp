#include "common/numeric.h"
#include "render/projection.h"
#include "render/recording_surface.h"
#include "session/test_session.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

ProjectionFrame frame(float k = 1) {
    return ProjectionFrame{400, 300, 200, 300, k};
}

TEST(Projection, DirectionsLandMirroredAndScaled) {
    const float h = static_cast<float>(std::sqrt(0.5));
    const double t = 300 * std::tan(22.5 * kDegToRad); // 45 degrees, stereographic
    for (const PicturePoint& p :
         {projectGnomonic(frame(), {1, 0, 0}), projectStereographic(frame(), {1, 0, 0})})
        EXPECT_EQ(std::pair(p.x, p.y), std::pair(400.0f, 300.0f));
    EXPECT_NEAR(projectGnomonic(frame(), {h, h, 0}).x, 200, 1e-3); // +y goes left
    EXPECT_NEAR(projectGnomonic(frame(), {h, 0, h}).y, 500, 1e-3); // +z goes down
    EXPECT_NEAR(projectGnomonic(frame(2), {h, h, 0}).x, 0, 1e-3);  // print scale
    EXPECT_NEAR(projectStereographic(frame(), {h, h, 0}).x, 400 - t, 1e-3);
    EXPECT_NEAR(projectStereographic(frame(), {h, 0, h}).y, 300 + t, 1e-3);
    EXPECT_NEAR(projectStereographic(frame(2), {h, h, 0}).x, 400 - 2 * t, 1e-3);
    EXPECT_NEAR(projectStereographic(frame(), {1e-7f, 0, 1}).y, 600, 1e-3); // primitive circle
}

TEST(Projection, LatticePointsRoundBeforeScalingAndFitScreen) {
    ProjectionFrame f = frame(3);
    f.scale = 10;
    const PixelPoint p = projectLatticePoint(f, {0.5f, 0.26f, -0.14f, 0});
    EXPECT_EQ(p.x, 400 + 3 * 3); // +y goes right; 2.6 rounds to 3 before the print scale
    EXPECT_EQ(p.y, 300 + 1 * 3); // +z goes up; -1.4 rounds to -1

    test::TestSession t;
    t.s.canvasWidth = 650;
    t.s.canvasHeight = 450;
    // A film without size or distance cannot be fitted: the scale stays.
    for (const auto& film : {std::array<float, 3>{100, 100, 50}, {0, 0, 50}, {100, 100, 0}}) {
        t.s.doc.film = film;
        FitScreen(t.s);
        EXPECT_FLOAT_EQ(t.s.view.patternScale, 200.0f);
    }
    EXPECT_EQ(t.redraws, 3);
}

TEST(Projection, FilmOutlineAndCaption) {
    OverlayOptions o;
    RecordingSurface gnomonic(650, 450), stereo(650, 450), points(650, 450);
    drawFilmOutline(gnomonic, frame(), o, {100, 80, 50});
    const auto r = gnomonic.rectangles().at(0);
    EXPECT_EQ(std::tuple(r.x1, r.y1, r.x2, r.y2), std::tuple(200, 140, 600, 460)); // 2 S wide
    EXPECT_EQ(r.pen, (RecordingSurface::Pen{{0, 128, 128}, 2, PenStyle::Solid}));
    const auto caption = gnomonic.texts().at(0);
    EXPECT_EQ(caption.text, "100 x 80 D=50");
    EXPECT_EQ(std::pair(caption.x, caption.y), std::pair(200, 140 - gnomonic.textHeight() - 2));

    // Stereographic: half the film's tangent on the primitive circle, no caption; nothing
    // without lines.
    o.stereographic = true;
    drawFilmOutline(stereo, frame(), o, {100, 80, 50});
    EXPECT_EQ(stereo.rectangles().at(0).x2 - stereo.rectangles().at(0).x1, 300);
    EXPECT_TRUE(stereo.texts().empty());
    o.showLines = false;
    drawFilmOutline(points, frame(), o, {100, 80, 50});
    EXPECT_TRUE(points.rectangles().empty());
}

TEST(Projection, PrimitiveCircleAndRings) {
    OverlayOptions o{.stereographic = true, .rings = true};
    ProjectionFrame f = frame();
    f.stereoRadius = stereoRadiusFor(850, 620); // 294.5
    RecordingSurface screen, printer, gnomonic;
    drawStereographicCircles(screen, f, o);
    const auto c = screen.circles();
    ASSERT_EQ(c.size(), 11u);
    EXPECT_EQ(c[0].radius, 294); // to even
    EXPECT_EQ(c[0].pen, (RecordingSurface::Pen{{151, 151, 151}, 1, PenStyle::Solid}));
    for (std::size_t j = 1; j <= 9; ++j) {
        EXPECT_EQ(c[j].radius, roundToInt32(std::tan(5.0 * j * kDegToRad) * 294.5));
        EXPECT_EQ(c[j].pen, (RecordingSurface::Pen{{128, 128, 255}, 1, PenStyle::Dot}));
    }
    EXPECT_EQ(std::tuple(c[10].x, c[10].y, c[10].radius, c[10].filled),
              std::tuple(400, 300, 1, true));
    o.printer = true;
    drawStereographicCircles(printer, f, o);
    EXPECT_EQ(printer.circles().at(1).pen.colour, (Rgb{193, 193, 193}));
    o.stereographic = false;
    drawStereographicCircles(gnomonic, f, o);
    EXPECT_TRUE(gnomonic.calls().empty());
}

} // namespace
} // namespace tavrel
