#include "detector/film_mapping.h"
#include "render/cone_tracer.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

// The image lies exactly under the drawn lines: every point the renderer's cone tracer draws
// of a cone, taken through the image's place in the picture to an image pixel and through the
// film mapping to a view direction, lies on that cone (r . n = sin theta), for a centred and
// for an off-centre pattern centre. The image's top left corner sees +y and -z, since the
// picture shows +y to the left and +z downwards.
TEST(FilmMapping, ImagePixelsSeeTheDirectionsTheRendererDrawsThere) {
    // A cone of half-opening 25.8 degrees about an axis off the viewing axis: the whole
    // ellipse lies in the picture.
    const ViewVector axis = normalized(ViewVector{0.9, 0.3, -0.25});
    TraceSettings s{.wavelength = {1.8f, 0}, .patternScale = 300};
    s.width = s.height = 800;
    s.cx = s.cy = 400;
    ReflectionList one;
    one.append(1, 1, 1, 1, {0, 0, 0});
    TracedCone cone;
    ConeTracer(s, one).sample({static_cast<float>(axis[0]), static_cast<float>(axis[1]),
                               static_cast<float>(axis[2]), 1.0f}, // d = 1: sin theta = 0.9
                              360, false, cone);
    ASSERT_GT(cone.first.points.size(), 100u);

    for (const PatternCentre centre : {PatternCentre{0.5, 0.5}, PatternCentre{0.3, 0.65}}) {
        const Detector detector = detectorFor({40, 30, 20}, centre);
        const int w = 200, h = 150;
        const FilmMapping mapping(detector, w, h);
        const PictureRect rect = imagePlacement(detector, s.cx, s.cy, s.patternScale);
        for (const Point& p : cone.first.points) {
            const double x = (p.x - rect.left) * w / rect.width;
            const double y = (p.y - rect.top) * h / rect.height;
            const ViewVector r = mapping.directionAt(x, y);
            // Drawn points are whole picture units: half a unit is 1/600 of the gnomonic plane.
            EXPECT_NEAR(dot(r, axis), 0.9, 2e-3) << p.x << " " << p.y;
            const auto back = mapping.pixelOf(r);
            ASSERT_TRUE(back);
            EXPECT_NEAR((*back)[0], x, 1e-9);
            EXPECT_NEAR((*back)[1], y, 1e-9);
        }
        const ViewVector corner = mapping.directionAt(0, 0);
        EXPECT_NEAR(corner[1] / corner[0], centre.x * 40 / 20, 1e-12);
        EXPECT_NEAR(corner[2] / corner[0], -centre.y * 30 / 20, 1e-12);
    }
}

} // namespace
} // namespace tavrel
