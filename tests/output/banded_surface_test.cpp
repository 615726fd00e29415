// A picture painted in bands on several threads is the single painter's, pixel for pixel.

#include "output/banded_surface.h"

#include "output/image_surface.h"
#include "output/raster_line_surface.h"
#include "render/renderer.h"
#include "support/test_simulation.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace tavrel {
namespace {

QImage paintedOnce(const test::TestSimulation& t, int width, int height, double ratio) {
    QImage image(QSize(width, height) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    PainterSurface surface(painter, width, height);
    Renderer().draw(t.input(), surface);
    return image;
}

TEST(BandedSurface, EveryBandCountPaintsTheSinglePaintersPixels) {
    test::TestSimulation t;
    ASSERT_TRUE(test::setDense(t)); // lines in every band
    const Selection selected = t.pattern.selection;
    for (bool stereographic : {false, true})
        for (bool selection : {false, true})
            for (auto [width, height, ratio] : {std::tuple{850, 620, 1.0}, {301, 677, 2.0}}) {
                if (selection && ratio != 1) continue; // one band either way
                t.pattern.view.viewStereographic = stereographic;
                t.pattern.selection = selection ? selected : Selection{};
                const QImage expected = paintedOnce(t, width, height, ratio);
                for (int bands : {2, 7}) {
                    QImage image(QSize(width, height) * ratio, QImage::Format_RGB32);
                    image.setDevicePixelRatio(ratio);
                    BandedSurface surface(image, width, height, bands);
                    Renderer().draw(t.input(), surface);
                    surface.paint();
                    // (Scaled lines, and the wide dashed lines of selected reflections, depend
                    // on the clip near a band's edge: those pictures are painted in one band.)
                    EXPECT_TRUE(image == expected)
                        << bands << " bands, " << width << "x" << height << " ratio " << ratio
                        << (stereographic ? " stereographic" : " gnomonic")
                        << (selection ? " selection" : "");
                }
            }
}

// Drag frames' fast lines in bands: exactly the pixels of a single fast surface; the wide
// dashed lines of selected reflections a few pixels off (next to a band's edge). The
// stereographic frame shows every cone of the front half: lines enough to be banded.
TEST(BandedSurface, FastLinesInBandsAreTheSingleSurfaces) {
    test::TestSimulation t;
    ASSERT_TRUE(test::setDense(t)); // lines in every band
    t.pattern.view.viewStereographic = true;
    const Selection selected = t.pattern.selection;
    for (bool selection : {false, true}) {
        t.pattern.selection = selection ? selected : Selection{};
        QImage single(850, 620, QImage::Format_RGB32);
        {
            QPainter painter(&single);
            RasterLineSurface surface(painter, single, 850, 620);
            Renderer().draw(t.input(true), surface);
        }
        for (int bands : {3, 8}) {
            QImage image(850, 620, QImage::Format_RGB32);
            BandedSurface surface(image, 850, 620, bands, BandedSurface::Lines::Fast);
            Renderer().draw(t.input(true), surface);
            surface.paint();
            int differing = 0;
            for (int y = 0; y < 620; ++y)
                for (int x = 0; x < 850; ++x) differing += image.pixel(x, y) != single.pixel(x, y);
            EXPECT_LE(differing, selection ? 50 : 0) << bands << " bands";
        }
    }
}

// A record kept from picture to picture, as the window keeps it: every picture is the one a
// surface of its own paints, also after a surface that never painted left calls in it, and
// with the bands cut by what the last picture's bands cost.
TEST(BandedSurface, AKeptRecordPaintsEachPictureAsAFreshOne) {
    test::TestSimulation t;
    ASSERT_TRUE(test::setDense(t)); // lines in every band
    BandedSurface::Record record;
    {
        QImage image(60, 40, QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            BandedSurface left(image, 60, 40, 1, BandedSurface::Lines::Fast, &record);
            left.setPen(Rgb{255, 0, 0}, 1, PenStyle::Solid);
            left.drawSegments(std::array<Segment, 1>{{{0, 5, 59, 5}}}); // never painted
        }
        BandedSurface next(image, 60, 40, 1, BandedSurface::Lines::Fast, &record);
        next.setPen(Rgb{0, 0, 255}, 1, PenStyle::Solid);
        next.drawSegments(std::array<Segment, 1>{{{0, 9, 59, 9}}});
        next.paint();
        EXPECT_EQ(image.pixel(30, 5), qRgb(0, 0, 0));
        EXPECT_EQ(image.pixel(30, 9), qRgb(0, 0, 255));
    }
    for (bool stereographic : {true, false}) {
        t.pattern.view.viewStereographic = stereographic;
        for (auto lines : {BandedSurface::Lines::Painter, BandedSurface::Lines::Fast}) {
            QImage fresh(850, 620, QImage::Format_RGB32), kept(850, 620, QImage::Format_RGB32);
            BandedSurface own(fresh, 850, 620, 2, lines);
            BandedSurface reused(kept, 850, 620, 2, lines, &record);
            for (BandedSurface* surface : {&own, &reused}) {
                Renderer().draw(t.input(lines == BandedSurface::Lines::Fast), *surface);
                surface->paint();
            }
            EXPECT_TRUE(kept == fresh) << stereographic;
        }
    }
}

TEST(BandedSurface, ReportsTheTextHeightAndPaintsOnlyWhatIsNew) {
    QImage image(60, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    BandedSurface banded(image, 60, 200, 4);
    ImageSurface single(60, 200);
    for (double size : {7.0, 8.0, 12.0}) {
        banded.setTextSize(size);
        single.setTextSize(size);
        EXPECT_EQ(banded.textHeight(), single.textHeight()) << size;
    }
    banded.setPen(Rgb{255, 0, 0}, 1, PenStyle::Solid);
    // Enough segments to be painted in bands.
    const std::vector<Segment> across(20000, Segment{5, 0, 5, 199});
    banded.drawSegments(across);
    EXPECT_EQ(image.pixel(5, 100), qRgb(255, 255, 255)); // not yet painted
    banded.paint();
    EXPECT_EQ(image.pixel(5, 100), qRgb(255, 0, 0));
    banded.clear(Rgb{0, 0, 0});
    banded.paint();
    banded.paint(); // the record is empty
    EXPECT_EQ(image.pixel(5, 100), qRgb(0, 0, 0));
}

// Slanted lines wider than a pixel set pixels next to a band's edge as the clip decides, so a
// picture with them is painted in one band: exactly the single painter's pixels.
TEST(BandedSurface, WideSlantedLinesArePaintedAsOnePainterPaintsThem) {
    std::vector<Segment> lines; // enough to be banded otherwise
    for (int i = 0; i < 20000; ++i)
        lines.push_back({std::int16_t(i * 37 % 300), 0, std::int16_t(i * 91 % 300), 299});
    QImage expected(300, 300, QImage::Format_RGB32), banded = expected;
    for (QImage* image : {&expected, &banded}) image->fill(Qt::black);
    QPainter painter(&expected);
    PainterSurface one(painter, 300, 300);
    BandedSurface surface(banded, 300, 300, 7);
    for (DrawingSurface* s : std::initializer_list<DrawingSurface*>{&one, &surface}) {
        s->setPen(Rgb{0, 255, 0}, 2, PenStyle::DashDot);
        s->drawSegments(lines);
    }
    painter.end();
    surface.paint();
    EXPECT_TRUE(banded == expected);
}

} // namespace
} // namespace tavrel
