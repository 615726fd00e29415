#include "render/cone_tracer.h"

#include "common/numeric.h"
#include "session/generation.h"
#include "session/orient.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace tavrel {
namespace {

constexpr float kCu = 1.5418f;
// The spacing whose cone opens by 45 degrees at the copper wavelength.
const float kD45 = static_cast<float>(kCu / (2 * std::sin(45 * kDegToRad)));
const std::array<float, 4> kCone45{1, 0, 0, kD45};

// An 800 x 800 picture with its centre at (400, 400), the pointer there too.
TraceSettings settings(bool stereographic = false, std::array<float, 2> wavelength = {kCu, 0}) {
    TraceSettings s{.wavelength = wavelength, .patternScale = 200, .stereoRadius = 300};
    s.stereographic = stereographic;
    s.pickX = s.pickY = s.cx = s.cy = 400;
    s.width = s.height = 800;
    s.reflectionCount = 100;
    return s;
}

const ReflectionList kReflection = [] {
    ReflectionList r;
    r.append(1, -1, 2, 1, {0, 0, 0});
    return r;
}();

TracedCone sample(const TraceSettings& s, const std::array<float, 4>& cone,
                  bool highlighted = false) {
    TracedCone out;
    ConeTracer(s, kReflection).sample(cone, 360, highlighted, out);
    return out;
}

double radius(const Segment& seg) {
    return std::hypot(seg.x2 - 400.0, seg.y2 - 400.0);
}

TEST(ConeTracer, FortyFiveDegreeConeIsACircleInBothProjectionsAndDashedWhenHighlighted) {
    for (bool stereo : {false, true}) {
        const auto line = sample(settings(stereo), kCone45).first.segments();
        const double expected = stereo ? 300 * std::tan(22.5 * kDegToRad) : 200;
        ASSERT_EQ(line.size(), 361u); // the start point, then 360 steps closing the polygon
        for (const Segment& seg : line) EXPECT_NEAR(radius(seg), expected, 0.75);
        EXPECT_EQ(std::pair(line[0].x2, line[0].y2), std::pair(line[360].x2, line[360].y2));
        EXPECT_NEAR(sample(settings(stereo), kCone45).nearestDistance, expected, 0.5); // centre
        const auto dashed = sample(settings(stereo), kCone45, true).first.segments();
        ASSERT_EQ(dashed.size(), 181u);
        for (std::size_t i = 0; i < 181; ++i) EXPECT_EQ(dashed[i], line[2 * i]);
    }
}

TEST(ConeTracer, ConesThatDoNotExistOrAreBehindTheFilmDrawNothing) {
    // lambda > 2d, d = 0, a negative Bragg angle, behind the film.
    for (const std::array<float, 4>& cone : std::initializer_list<std::array<float, 4>>{
             {1, 0, 0, 0.7f}, {1, 0, 0, 0}, {1, 0, 0, -2}, {-1, 0, 0, kD45}}) {
        const TracedCone c = sample(settings(), cone);
        EXPECT_TRUE(c.first.segments().empty()) << cone[3];
        EXPECT_EQ(c.nearestDistance, 999.0f);
        EXPECT_FALSE(c.hasSecond);
    }
    // s = 1 exactly: the cone degenerates to its pole.
    const auto pole = sample(settings(), {1, 0, 0, 0.7709f}).first.segments();
    ASSERT_FALSE(pole.empty());
    for (const Segment& seg : pole) EXPECT_LE(radius(seg), 1);
}

TEST(ConeTracer, SecondWavelength) {
    // Wavelength 1 unused: one line, with wavelength 2; electron wavelengths get both lines.
    // d = 0.7 has no cone for copper (lambda > 2d) but one for molybdenum.
    for (auto [wavelength, d, first, second] : {std::tuple{std::array{kCu, 0.7107f}, kD45, 1, 1},
                                                {{0.0251f, 0.0197f}, kD45, 1, 1},
                                                {{kCu, kCu}, kD45, 1, 0},
                                                {{0, kCu}, kD45, 1, 0},
                                                {{kCu, 0.7107f}, 0.7f, 0, 1}}) {
        const TracedCone c = sample(settings(false, wavelength), {1, 0, 0, d});
        EXPECT_EQ((std::pair<int, int>(c.hasFirst, c.hasSecond)), std::pair(first, second))
            << wavelength[0] << " " << wavelength[1] << " d " << d;
    }
    EXPECT_FALSE(sample(settings(false, {kCu, 0.7107f}), {1, 0, 0, 0.7f}).second.empty());
}

TEST(ConeTracer, CoarserSamplingWhileDragging) {
    TraceSettings s = settings(false, {kCu, 0.7107f});
    s.patternScale = 50; // both lines wholly inside the picture
    s.stereoRadius = 200;
    s.dragging = true;
    for (auto [stereo, first, second] : {std::tuple{false, 181u, 91u}, {true, 61u, 11u}}) {
        s.stereographic = stereo;
        const TracedCone c = sample(s, {1, 0, 0, 2});
        EXPECT_EQ(c.first.segments().size(), first);
        EXPECT_EQ(c.second.segments().size(), second);
    }
    s.reflectionCount = 30; // few reflections: full quality
    EXPECT_EQ(sample(s, {1, 0, 0, 2}).first.segments().size(), 361u);
}

// Culling leaves only cones that would have drawn nothing, and many of them.
TEST(ConeTracer, ACulledConeWouldHaveDrawnNothing) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> component(-1, 1), spacing(0.2f, 6.0f);
    for (bool stereographic : {false, true})
        for (float scale : {200.0f, 1000.0f, 5000.0f}) {
            TraceSettings culled = settings(stereographic, {0.7107f, 1.5418f});
            std::tie(culled.patternScale, culled.stereoRadius) = std::pair(scale, scale / 2);
            std::tie(culled.pickX, culled.pickY) = std::pair(120.0f, 650.0f);
            TraceSettings full = culled;
            full.cullCones = false;
            const ConeTracer withCulling(culled, kReflection), without(full, kReflection);
            int ruledOut = 0, drawn = 0;
            for (int n = 0; n < 3000; ++n) {
                const std::array<float, 4> cone{component(random), component(random),
                                                component(random), spacing(random)};
                TracedCone a, b;
                withCulling.sample(cone, 360, false, a);
                without.sample(cone, 360, false, b);
                SCOPED_TRACE(testing::Message() << cone[0] << " " << cone[1] << " " << cone[2]
                                                << " d " << cone[3] << " scale " << scale);
                for (std::size_t w = 0; w < 2; ++w)
                    if (!withCulling.mayReachPicture(cone, culled.wavelength[w])) {
                        ++ruledOut;
                        EXPECT_TRUE((w ? b.second : b.first).empty());
                    }
                for (auto [x, y] : {std::pair{&a.first, &b.first}, {&a.second, &b.second}})
                    EXPECT_EQ(
                        std::tie(x->points, x->chainStarts, x->labelled, x->labelX, x->labelY),
                        std::tie(y->points, y->chainStarts, y->labelled, y->labelX, y->labelY));
                EXPECT_EQ(std::tuple(a.hasFirst, a.hasSecond, a.nearestDistance),
                          std::tuple(b.hasFirst, b.hasSecond, b.nearestDistance));
                drawn += !b.first.empty();
            }
            EXPECT_TRUE(stereographic || ruledOut > 300) << ruledOut << " at " << scale;
            EXPECT_GT(drawn, 100) << scale;
        }
}

using V = std::array<double, 3>;
V unit(double x, double y, double z) {
    const double n = std::hypot(x, y, z);
    return {x / n, y / n, z / n};
}
double angle(const V& a, const V& b) {
    return 2 * std::asin(std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]) / 2);
}
// The direction of a picture point, inverting the projection.
V backProject(const TraceSettings& s, double X, double Y) {
    const double dx = s.cx - X, dy = Y - s.cy, r = s.stereoRadius;
    if (!s.stereographic) return unit(s.patternScale, dx, dy);
    return unit(r * r - dx * dx - dy * dy, 2 * r * dx, 2 * r * dy);
}

TEST(ConeTracer, EveryDrawnSampleLiesOnItsTrueCone) {
    constexpr auto hkl = OrientationType::Reciprocal;
    constexpr auto uvw = OrientationType::Direct;
    const std::tuple<int, std::array<std::string, 6>, const char*, OrientationType> cases[] = {
        {229, {"2.866", "", "", "", "", ""}, "0 0 1", hkl},
        {225, {"4.05", "", "", "", "", ""}, "1 1 1", hkl},
        {194, {"2.66", "", "4.95", "", "", ""}, "1 0 0", uvw},
        {14, {"5.1", "6.2", "7.3", "90", "104", "90"}, "1 2 3", hkl},
        {2, {"5.1", "6.2", "7.3", "80", "95", "105"}, "1 -1 1", uvw},
    };
    for (const auto& [group, cell, orientation, type] : cases)
        for (bool stereographic : {false, true}) {
            test::TestSimulation t;
            test::setFields(t.sim, group, cell, "1.5418", "0.7107", "0.9", "20", "3");
            t.sim.fields.orientation = orientation;
            t.sim.fields.orientationType = type;
            ASSERT_TRUE(t.generate());
            rotateAboutViewAxis(t.sim, ViewAxis::Viewing, 17);
            const TraceSettings s = settings(stereographic, t.sim.document.wavelength);
            const ConeTracer tracer(s, t.sim.reflections);
            int checked = 0;
            for (const RotatedPoint& row : t.sim.points.rows) {
                const float d = t.sim.reflections.d[static_cast<std::size_t>(row.reflection)];
                TracedCone cone;
                tracer.sample({row.x, row.y, row.z, d}, 360, false, cone);
                for (std::size_t line = 0; line < 2; ++line) {
                    const double alpha = kPi / 2 - std::asin(s.wavelength[line] / 2 / d);
                    for (const Segment& seg : (line ? cone.second : cone.first).segments()) {
                        // Within half a pixel in either coordinate, as an angle at this point.
                        const V p = backProject(s, seg.x2, seg.y2);
                        double tolerance = 1e-4;
                        for (auto [ox, oy] : {std::pair{-.5, -.5}, {-.5, .5}, {.5, -.5}, {.5, .5}})
                            tolerance = std::max(
                                tolerance, angle(p, backProject(s, seg.x2 + ox, seg.y2 + oy)));
                        ASSERT_NEAR(angle(p, unit(row.x, row.y, row.z)), alpha, tolerance + 1e-4)
                            << "group " << group << (stereographic ? " stereo" : " gnomonic");
                        ++checked;
                    }
                }
            }
            EXPECT_GT(checked, 500);
        }
}

} // namespace
} // namespace tavrel
