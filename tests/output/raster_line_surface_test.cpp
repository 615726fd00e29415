#include "output/raster_line_surface.h"

#include "output/image_surface.h"
#include "render/renderer.h"
#include "session/generation.h"
#include "support/test_simulation.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <array>

namespace tavrel {
namespace {

constexpr Rgb kOrange{255, 128, 0};
constexpr QRgb kGround = qRgb(10, 20, 30);

// A picture drawn by `draw` through QPainter alone and through the fast lines.
struct Pair {
    QImage painted;
    QImage fast;
};

template <class Draw> Pair drawBoth(int width, int height, Draw draw) {
    Pair out;
    {
        ImageSurface reference(width, height);
        draw(static_cast<DrawingSurface&>(reference));
        out.painted = reference.image();
    }
    out.fast = QImage(width, height, QImage::Format_RGB32);
    QPainter painter(&out.fast);
    RasterLineSurface surface(painter, out.fast, width, height);
    draw(static_cast<DrawingSurface&>(surface));
    painter.end();
    return out;
}

TEST(RasterLineSurface, StraightLinesAndClippedOnesSetTheSamePixelsAsQPainter) {
    const Pair p = drawBoth(80, 60, [](DrawingSurface& s) {
        s.clear(Rgb{10, 20, 30});
        s.setPen(kOrange, 1, PenStyle::Solid);
        const std::array<Segment, 6> segments{{{2, 5, 8, 5},
                                               {20, 10, 20, 14},
                                               {30, 30, 34, 34},
                                               {40, 40, 40, 40},
                                               {-30000, 50, 30000, 50},
                                               {70, -20000, 70, 20000}}};
        s.drawSegments(segments);
        const std::array<Point, 4> chain{{{10, 20}, {16, 20}, {16, 26}, {10, 26}}};
        s.drawPolyline(chain);
    });
    EXPECT_TRUE(p.fast == p.painted);
    EXPECT_EQ(p.fast.pixel(2, 5), qRgb(255, 128, 0));
    EXPECT_EQ(p.fast.pixel(79, 50), qRgb(255, 128, 0));
    EXPECT_EQ(p.fast.pixel(9, 5), kGround);
}

TEST(RasterLineSurface, OtherPensAndImagesGoThroughQPainter) {
    auto dashed = [](DrawingSurface& s) {
        s.clear(Rgb{10, 20, 30});
        s.setPen(kOrange, 2, PenStyle::DashDot);
        const std::array<Segment, 2> segments{{{0, 3, 70, 40}, {5, 50, 75, 50}}};
        s.drawSegments(segments);
        s.setPen(kOrange, 1, PenStyle::Dot);
        const std::array<Point, 3> chain{{{3, 3}, {60, 3}, {60, 30}}};
        s.drawPolyline(chain);
    };
    const Pair p = drawBoth(80, 60, dashed);
    EXPECT_TRUE(p.fast == p.painted);

    // A 16-bit image: every line through QPainter.
    QImage reference(80, 60, QImage::Format_RGB16), fast(80, 60, QImage::Format_RGB16);
    auto solid = [](DrawingSurface& s) {
        s.clear(Rgb{10, 20, 30});
        s.setPen(kOrange, 1, PenStyle::Solid);
        const std::array<Segment, 1> segments{{{1, 2, 77, 55}}};
        s.drawSegments(segments);
    };
    {
        QPainter painter(&reference);
        PainterSurface surface(painter, 80, 60);
        solid(surface);
    }
    {
        QPainter painter(&fast);
        RasterLineSurface surface(painter, fast, 80, 60);
        solid(surface);
    }
    EXPECT_TRUE(fast == reference);
}

// How near a drag frame through the fast lines comes to the same frame through QPainter: the
// same lines in the same colours, a pixel off where the two line algorithms round differently.
TEST(RasterLineSurface, ADragFrameIsCloseToQPaintersPixelForPixel) {
    test::TestSimulation t;
    test::setFields(t.sim, 227, {"5.431", "", "", "", "", ""}, "0.7107", "1.5418", "0.5", "0");
    t.sim.fields.autoLimits = true;
    t.sim.fields.orientation = "1 1 1";
    generateReflections(t.sim);
    for (std::size_t i = 0; i < 40; i += 3) t.pattern.selection.set(i, true);
    t.pattern.view.viewLabels = true;
    for (bool stereographic : {false, true}) {
        t.pattern.view.viewStereographic = stereographic;
        const Pair p =
            drawBoth(850, 620, [&](DrawingSurface& s) { Renderer().draw(t.input(true), s); });
        const QRgb ground = p.painted.pixel(0, 0);
        // A pixel of `a` is matched when `b` has its colour within one pixel of it.
        auto matched = [](const QImage& a, const QImage& b, int x, int y) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (b.valid(x + dx, y + dy) && b.pixel(x + dx, y + dy) == a.pixel(x, y))
                        return true;
            return false;
        };
        long lit = 0, same = 0, fastMatched = 0, paintedLit = 0, paintedMatched = 0;
        for (int y = 0; y < 620; ++y)
            for (int x = 0; x < 850; ++x) {
                if (p.fast.pixel(x, y) != ground) {
                    ++lit;
                    same += p.fast.pixel(x, y) == p.painted.pixel(x, y);
                    fastMatched += matched(p.fast, p.painted, x, y);
                }
                if (p.painted.pixel(x, y) != ground) {
                    ++paintedLit;
                    paintedMatched += matched(p.painted, p.fast, x, y);
                }
            }
        SCOPED_TRACE(stereographic ? "stereographic" : "gnomonic");
        ASSERT_GT(lit, 20000);
        // Measured: about 96 % of the lit pixels are the same, and all but a few hundredths of
        // a per cent have their colour within one pixel in the other picture.
        EXPECT_GT(static_cast<double>(same) / static_cast<double>(lit), 0.9);
        EXPECT_GT(static_cast<double>(fastMatched) / static_cast<double>(lit), 0.995);
        EXPECT_GT(static_cast<double>(paintedMatched) / static_cast<double>(paintedLit), 0.995);
        EXPECT_NEAR(static_cast<double>(lit) / static_cast<double>(paintedLit), 1.0, 0.02);
    }
}

} // namespace
} // namespace tavrel
