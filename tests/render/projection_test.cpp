#include "common/numeric.h"
#include "render/projection.h"
#include "render/recording_surface.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

ProjectionFrame frame(float k = 1) {
    return ProjectionFrame{400, 300, 200, 300, k};
}

TEST(Projection, LatticePointsRoundBeforeScalingAndTheFilmFits) {
    ProjectionFrame f = frame(3);
    f.scale = 10;
    const PixelPoint p = projectLatticePoint(f, {0.5f, 0.26f, -0.14f, 0});
    EXPECT_EQ(p.x, 400 + 3 * 3); // +y goes right; 2.6 rounds to 3 before the print scale
    EXPECT_EQ(p.y, 300 + 1 * 3); // +z goes up; -1.4 rounds to -1

    // min(600 * 50 / 100, 400 * 50 / 100), from any scale; a film without size or distance
    // cannot be fitted and the scale stays.
    for (float from : {1.0f, 200.0f, 0.0f})
        EXPECT_FLOAT_EQ(fittedPatternScale(from, {100, 100, 50}, 650, 450), 200.0f) << from;
    EXPECT_FLOAT_EQ(fittedPatternScale(123, {0, 0, 50}, 650, 450), 123.0f);
    EXPECT_FLOAT_EQ(fittedPatternScale(123, {100, 100, 0}, 650, 450), 123.0f);
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

    // On paper the film grows with the lines it frames.
    RecordingSurface paper(1300, 900);
    drawFilmOutline(paper, frame(2), o, {100, 80, 50});
    const auto printed = paper.rectangles().at(0);
    EXPECT_EQ(std::tuple(printed.x1, printed.y1, printed.x2, printed.y2),
              std::tuple(0, -20, 800, 620));

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
