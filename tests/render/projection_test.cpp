#include "common/numeric.h"
#include "render/projection.h"
#include "render/recording_surface.h"
#include "session/test_session.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

ProjectionFrame frame(float scale = 200, float radius = 300, float k = 1) {
    ProjectionFrame f;
    f.cx = 400;
    f.cy = 300;
    f.scale = scale;
    f.stereoRadius = radius;
    f.printScale = k;
    return f;
}

TEST(Projection, ViewingAxisProjectsToTheCentre) {
    const PicturePoint g = projectGnomonic(frame(), {1, 0, 0});
    const PicturePoint s = projectStereographic(frame(), {1, 0, 0});
    EXPECT_EQ(g.x, 400.0f);
    EXPECT_EQ(g.y, 300.0f);
    EXPECT_EQ(s.x, 400.0f);
    EXPECT_EQ(s.y, 300.0f);
}

TEST(Projection, MirroredAxesAndThePrimitiveCircle) {
    // 45 degrees towards +y lands one scale to the left in the gnomonic projection.
    const float h = static_cast<float>(std::sqrt(0.5));
    const PicturePoint g = projectGnomonic(frame(), {h, h, 0});
    EXPECT_NEAR(g.x, 200.0, 1e-3);
    EXPECT_NEAR(g.y, 300.0, 1e-3);
    const PicturePoint down = projectGnomonic(frame(), {h, 0, h});
    EXPECT_NEAR(down.y, 500.0, 1e-3);
    // A direction at 90 degrees from the axis lies on the primitive circle.
    const PicturePoint s = projectStereographic(frame(), {1e-7f, 0, 1});
    EXPECT_NEAR(s.y - 300.0, 300.0, 1e-3);
    EXPECT_NEAR(s.x, 400.0, 1e-3);
    // The print scale stretches both projections.
    EXPECT_NEAR(projectGnomonic(frame(200, 300, 2), {h, h, 0}).x, 0.0, 1e-3);
}

TEST(Projection, LatticePointsRoundBeforeScaling) {
    const PointRow row{0.5f, 0.26f, -0.14f, 0};
    const PixelPoint p = projectLatticePoint(frame(10, 300, 3), row);
    EXPECT_EQ(p.x, 400 + 3 * 3); // 2.6 rounds to 3 before the print scale
    EXPECT_EQ(p.y, 300 + 1 * 3); // +z goes up: -1.4 rounds to -1
    const LatticeOffset o = latticeOffset({0, 0.25f, 0.35f, 0}, 10);
    EXPECT_EQ(o.a, 2); // 2.5 to even
    EXPECT_EQ(o.b, 4); // 3.5 to even
}

TEST(Projection, FitScreenFillsThePictureWithAMargin) {
    test::TestSession t;
    t.s.canvasWidth = 650;
    t.s.canvasHeight = 450;
    t.s.doc.film = {100, 100, 50};
    t.s.view.patternScale = 37;
    FitScreen(t.s);
    EXPECT_FLOAT_EQ(t.s.view.patternScale, 200.0f);
    EXPECT_EQ(t.redraws, 1);

    // A film without size cannot be fitted: the scale stays as it was.
    t.s.doc.film = {0, 0, 50};
    FitScreen(t.s);
    EXPECT_FLOAT_EQ(t.s.view.patternScale, 200.0f);
    t.s.doc.film = {100, 100, 0};
    FitScreen(t.s);
    EXPECT_FLOAT_EQ(t.s.view.patternScale, 200.0f);
}

TEST(Projection, FilmOutlineAndCaption) {
    RecordingSurface surface(650, 450);
    surface.setTextSize(8);
    ProjectionFrame f = frame(200);
    f.cx = 325;
    f.cy = 225;
    OverlayOptions o;
    drawFilmOutline(surface, f, o, {100, 100, 50});
    ASSERT_EQ(surface.rectangles().size(), 1u);
    const auto r = surface.rectangles()[0];
    EXPECT_EQ(r.x2 - r.x1, 400); // 2 S
    EXPECT_EQ(r.y2 - r.y1, 400);
    EXPECT_EQ(r.pen.colour, (Rgb{0, 128, 128}));
    EXPECT_EQ(r.pen.width, 2);
    ASSERT_EQ(surface.texts().size(), 1u);
    EXPECT_EQ(surface.texts()[0].text, "100 x 100 D=50");
    EXPECT_EQ(surface.texts()[0].y, r.y1 - surface.textHeight() - 2);
    EXPECT_EQ(filmCaption({100, 80, 50}), "100 x 80 D=50");

    // Stereographic: half the film's tangent on the primitive circle, no caption.
    RecordingSurface stereo(650, 450);
    o.stereographic = true;
    drawFilmOutline(stereo, f, o, {100, 100, 50});
    ASSERT_EQ(stereo.rectangles().size(), 1u);
    EXPECT_EQ(stereo.rectangles()[0].x2 - stereo.rectangles()[0].x1, 300);
    EXPECT_TRUE(stereo.texts().empty());
    o.showLines = false;
    RecordingSurface points(650, 450);
    drawFilmOutline(points, f, o, {100, 100, 50});
    EXPECT_TRUE(points.rectangles().empty());
}

TEST(Projection, PrimitiveCircleAndRings) {
    RecordingSurface surface;
    OverlayOptions o;
    o.stereographic = true;
    o.rings = true;
    ProjectionFrame f = frame(200, stereoRadiusFor(850, 620));
    EXPECT_FLOAT_EQ(f.stereoRadius, 294.5f);
    drawStereographicCircles(surface, f, o);
    const auto circles = surface.circles();
    ASSERT_EQ(circles.size(), 11u);
    EXPECT_EQ(circles[0].radius, 294); // 294.5 to even
    EXPECT_EQ(circles[0].pen.colour, (Rgb{151, 151, 151}));
    for (int j = 1; j <= 9; ++j) {
        EXPECT_EQ(circles[static_cast<std::size_t>(j)].radius,
                  static_cast<int>(roundHalfEven(std::tan(5.0 * j * kDegToRad) * 294.5)));
        EXPECT_EQ(circles[static_cast<std::size_t>(j)].pen.style, PenStyle::Dot);
        EXPECT_EQ(circles[static_cast<std::size_t>(j)].pen.colour, (Rgb{128, 128, 255}));
    }
    EXPECT_TRUE(circles[10].filled);
    EXPECT_EQ(circles[10].radius, 1);

    RecordingSurface printer;
    o.printer = true;
    drawStereographicCircles(printer, f, o);
    EXPECT_EQ(printer.circles()[1].pen.colour, (Rgb{193, 193, 193}));
    RecordingSurface gnomonic;
    o.stereographic = false;
    drawStereographicCircles(gnomonic, f, o);
    EXPECT_TRUE(gnomonic.calls().empty());
}

} // namespace
} // namespace tavrel
