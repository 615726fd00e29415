// Lines drawn the fast way, and as chains, set the pixels that QPainter sets for their segments.

#include "output/raster_line_surface.h"

#include "output/image_surface.h"
#include "render/renderer.h"
#include "session/generation.h"
#include "support/recording_surface.h"
#include "support/test_simulation.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace tavrel {
namespace {

constexpr Rgb kOrange{255, 128, 0};

// A picture drawn by `draw` through QPainter alone and through the fast lines.
template <class Draw>
std::pair<QImage, QImage> drawBoth(Draw draw, int width, int height,
                                   QImage::Format format = QImage::Format_RGB32) {
    std::pair<QImage, QImage> out{QImage(width, height, format), QImage(width, height, format)};
    {
        QPainter painter(&out.first);
        PainterSurface surface(painter, width, height);
        draw(static_cast<DrawingSurface&>(surface));
    }
    QPainter painter(&out.second);
    RasterLineSurface surface(painter, out.second, width, height);
    draw(static_cast<DrawingSurface&>(surface));
    return out;
}

// Silicon at the Mo wavelength: 1,224 cones, many of them leaving and entering the picture.
void setSilicon(test::TestSimulation& t) {
    test::setFields(t.sim, 227, {"5.431", "", "", "", "", ""}, "0.7107", "1.5418", "0.5", "0");
    t.sim.fields.autoLimits = true;
    t.sim.fields.orientation = "1 1 1";
    ASSERT_TRUE(t.generate());
    for (std::size_t i = 0; i < 40; i += 3) t.pattern.selection.set(i, true);
}

// Thin solid lines (along the axes and diagonal, a point, clipped from far outside, a chain)
// set exactly QPainter's pixels; wide or dashed pens, and every line on an image that is not
// 32 bits per pixel, go through QPainter, and thin lines after them are fast again.
TEST(RasterLineSurface, LinesSetTheSamePixelsAsQPainter) {
    auto draw = [](DrawingSurface& s) {
        s.clear(Rgb{10, 20, 30});
        s.setPen(kOrange, 1, PenStyle::Solid);
        const Segment thin[] = {{2, 5, 8, 5},     {20, 10, 20, 14},        {30, 30, 34, 34},
                                {40, 40, 40, 40}, {-30000, 50, 30000, 50}, {70, -20000, 70, 20000}};
        s.drawSegments(thin);
        const Point square[] = {{10, 20}, {16, 20}, {16, 26}, {10, 26}};
        s.drawPolyline(square);
        s.setPen(kOrange, 2, PenStyle::DashDot);
        const Segment wide[] = {{80, 3, 150, 40}, {85, 45, 155, 45}};
        s.drawSegments(wide);
        s.setPen(kOrange, 1, PenStyle::Dot);
        const Point dotted[] = {{83, 3}, {140, 3}, {140, 30}};
        s.drawPolyline(dotted);
        s.setPen(kOrange, 1, PenStyle::Solid); // back to the fast lines
        s.drawSegments(std::array<Segment, 1>{{{81, 55, 157, 55}}});
    };
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB16}) {
        const auto [painted, fast] = drawBoth(draw, 160, 60, format);
        EXPECT_TRUE(fast == painted) << format;
        if (format == QImage::Format_RGB32) { // the colours as given
            EXPECT_EQ(std::tuple(fast.pixel(2, 5), fast.pixel(159, 50), fast.pixel(9, 5)),
                      std::tuple(qRgb(255, 128, 0), qRgb(255, 128, 0), qRgb(10, 20, 30)));
        }
    }
}

// The pixels of one thin line by the rule written out directly: both end pixels, and between
// them, along the major axis from its lower end at t = 1, 2, ..., the minor offset
// floor(((2t + 1) minor - 1) / 2 major) where the minor coordinate rises and
// floor(2t minor / 2 major) where it falls. Only for lines inside the picture.
void setByTheRule(QImage& image, Segment s, QRgb colour, int top, int bottom) {
    auto put = [&](long x, long y) {
        if (y >= top && y < bottom) image.setPixel(int(x), int(y), colour);
    };
    long ax = s.x1, ay = s.y1, bx = s.x2, by = s.y2;
    put(ax, ay), put(bx, by);
    const bool xMajor = std::abs(bx - ax) >= std::abs(by - ay);
    if (xMajor ? ax > bx : ay > by) std::swap(ax, bx), std::swap(ay, by);
    const long major = xMajor ? bx - ax : by - ay, minor = xMajor ? by - ay : bx - ax;
    auto floorDiv = [](long a, long b) { return a / b - (a % b != 0 && a < 0 ? 1 : 0); };
    for (long t = 1; t < major; ++t) {
        const long offset = minor > 0 ? floorDiv((2 * t + 1) * minor - 1, 2 * major)
                                      : floorDiv(2 * t * minor, 2 * major);
        xMajor ? put(ax + t, ay + offset) : put(ax + offset, ay + t);
    }
}

// Lines of every slope and length, on the whole picture and on bands of it: the fast walk
// sets exactly the rule's pixels, also for the lines that cross a band's edge.
TEST(RasterLineSurface, EverySlopeSetsTheRulesPixelsAlsoInBands) {
    constexpr int kWidth = 700, kHeight = 500;
    std::vector<Segment> lines;
    unsigned seed = 12345;
    auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(n));
    };
    for (int i = 0; i < 3000; ++i) {
        const int x = next(kWidth), y = next(kHeight);
        // Short ones as a drag frame draws them, and long ones across the picture.
        const int reach = i % 3 == 0 ? kWidth : 24;
        const int x2 = std::clamp(x + next(2 * reach + 1) - reach, 0, kWidth - 1);
        const int y2 = std::clamp(y + next(2 * reach + 1) - reach, 0, kHeight - 1);
        lines.push_back({std::int16_t(x), std::int16_t(y), std::int16_t(x2), std::int16_t(y2)});
    }
    for (auto [top, bottom] : {std::pair{0, kHeight}, {0, 137}, {137, 301}, {301, kHeight}}) {
        QImage expected(kWidth, kHeight, QImage::Format_RGB32);
        expected.fill(Qt::black);
        QImage fast = expected;
        for (std::size_t i = 0; i < lines.size(); ++i)
            setByTheRule(expected, lines[i], qRgb(255, static_cast<int>(i % 256), 0), top, bottom);
        QPainter painter(&fast);
        RasterLineSurface surface(painter, fast, kWidth, kHeight);
        surface.limitRows(top, bottom);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            surface.setPen(Rgb{255, static_cast<std::uint8_t>(i % 256), 0}, 1, PenStyle::Solid);
            // Every other line as a chain of two points, which takes the short way for lines
            // within the rows.
            const Segment& l = lines[i];
            const Point chain[] = {{l.x1, l.y1}, {l.x2, l.y2}};
            i % 2 ? surface.drawPolyline(chain) : surface.drawSegments(std::span(&l, 1));
        }
        painter.end();
        EXPECT_TRUE(fast == expected) << "rows " << top << " to " << bottom;
    }
}

// The same lines in the same colours, a pixel off where the two line algorithms round
// differently.
TEST(RasterLineSurface, ADragFrameIsCloseToQPaintersPixelForPixel) {
    test::TestSimulation t;
    setSilicon(t);
    t.pattern.view.viewLabels = true;
    // A pixel of `a` is matched when `b` has its colour within one pixel of it.
    auto matched = [](const QImage& a, const QImage& b, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (b.valid(x + dx, y + dy) && b.pixel(x + dx, y + dy) == a.pixel(x, y))
                    return true;
        return false;
    };
    for (bool stereographic : {false, true}) {
        t.pattern.view.viewStereographic = stereographic;
        const auto [painted, fast] =
            drawBoth([&](DrawingSurface& s) { Renderer().draw(t.input(true), s); }, 850, 620);
        const QRgb ground = painted.pixel(0, 0);
        double lit = 0, same = 0, fastMatched = 0, paintedLit = 0, paintedMatched = 0;
        for (int y = 0; y < 620; ++y)
            for (int x = 0; x < 850; ++x) {
                if (fast.pixel(x, y) != ground) {
                    ++lit, same += fast.pixel(x, y) == painted.pixel(x, y);
                    fastMatched += matched(fast, painted, x, y);
                }
                if (painted.pixel(x, y) != ground) {
                    ++paintedLit, paintedMatched += matched(painted, fast, x, y);
                }
            }
        SCOPED_TRACE(stereographic ? "stereographic" : "gnomonic");
        ASSERT_GT(lit, 20000);
        // Most lit pixels are the same, and nearly all have their colour within one pixel in
        // the other picture.
        EXPECT_GT(same / lit, 0.9);
        EXPECT_GT(fastMatched / lit, 0.995);
        EXPECT_GT(paintedMatched / paintedLit, 0.995);
        EXPECT_NEAR(lit / paintedLit, 1.0, 0.02);
    }
}

// An image that draws every chain as the separate segments between its points.
class SegmentImage : public ImageSurface {
public:
    using ImageSurface::ImageSurface;
    void drawPolyline(std::span<const Point> points) override {
        DrawingSurface::drawPolyline(points);
    }
};

TEST(Polyline, AFullPatternThroughChainsHasThePixelsOfItsSegments) {
    test::TestSimulation t;
    setSilicon(t);
    ASSERT_GT(t.sim.reflections.count(), 1000);
    for (bool stereographic : {false, true})
        for (bool labels : {false, true})
            for (bool dragging : {false, true}) { // the drag frame's coarser lines too
                t.pattern.view.viewStereographic = stereographic;
                t.pattern.view.viewLabels = labels;
                ImageSurface chains(850, 620);
                SegmentImage segments(850, 620);
                RecordingSurface recorded(850, 620);
                Renderer().draw(t.input(dragging), chains);
                Renderer().draw(t.input(dragging), segments);
                Renderer().draw(t.input(dragging), recorded);
                EXPECT_GT(recorded.callsOf<RecordingSurface::Polyline>().size(),
                          dragging ? 0u : 300u);
                EXPECT_TRUE(chains.image() == segments.image())
                    << stereographic << " " << labels << " " << dragging;
            }
}

} // namespace
} // namespace tavrel
