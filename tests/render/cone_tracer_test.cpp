#include "render/cone_tracer.h"

#include "common/numeric.h"
#include "render/recording_surface.h"
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
    const std::pair<TraceSettings, std::array<float, 4>> cases[] = {
        {settings(), {1, 0, 0, 0.7f}},  // lambda > 2d
        {settings(), {1, 0, 0, 0}},     // d = 0
        {settings(), {1, 0, 0, -2}},    // negative Bragg angle
        {settings(), {-1, 0, 0, kD45}}, // behind the film
    };
    for (const auto& [s, cone] : cases) {
        const TracedCone c = sample(s, cone);
        EXPECT_TRUE(c.first.segments().empty()) << cone[3];
        EXPECT_EQ(c.nearestDistance, 999.0f);
        EXPECT_FALSE(c.hasSecond);
    }
    // s = 1 exactly: the cone degenerates to its pole.
    const auto pole = sample(settings(), {1, 0, 0, 0.7709f}).first.segments();
    ASSERT_FALSE(pole.empty());
    for (const Segment& seg : pole) EXPECT_LE(radius(seg), 1);
}

TEST(ConeTracer, ConeAxisInTheFilmPlaneDrawsOnlyPointsInFront) {
    const auto line = sample(settings(), {0, 0, 1, 2}).first.segments();
    ASSERT_FALSE(line.empty());
    const double cotAlpha = std::tan(std::asin(kCu / 4));
    for (const Segment& seg : line) {
        // On the front branch z = cot(alpha) * sqrt(1 + y^2) of the gnomonic plane (z down).
        const double y = (400.0 - seg.x2) / 200.0, z = (seg.y2 - 400.0) / 200.0;
        EXPECT_NEAR(z, cotAlpha * std::sqrt(1 + y * y), 0.02);
    }
}

TEST(ConeTracer, SecondWavelength) {
    // Wavelength 1 unused: one line, with wavelength 2; electron wavelengths get both lines.
    for (auto [wavelength, second] : {std::pair{std::array{kCu, 0.7107f}, true},
                                      {{0.0251f, 0.0197f}, true},
                                      {{kCu, kCu}, false},
                                      {{0, kCu}, false}}) {
        const TracedCone c = sample(settings(false, wavelength), kCone45);
        EXPECT_TRUE(c.hasFirst);
        EXPECT_EQ(c.hasSecond, second) << wavelength[0] << " " << wavelength[1];
    }
    // d = 0.7 has no cone for copper (lambda > 2d) but one for molybdenum.
    const TracedCone mo = sample(settings(false, {kCu, 0.7107f}), {1, 0, 0, 0.7f});
    EXPECT_FALSE(mo.hasFirst);
    EXPECT_TRUE(mo.hasSecond);
    EXPECT_FALSE(mo.second.segments().empty());
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

TEST(ConeTracer, LabelsWithHalo) {
    TraceSettings s = settings();
    s.labels = true;
    s.highlight = {0, 200, 0};
    for (bool light : {false, true}) { // the highlighted label on the light background
        s.lightBackground = light;
        RecordingSurface surface(800, 800);
        float nearest = 999;
        ConeTracer(s, kReflection).trace(surface, {1, 0, 0, 2}, 360, 0, nearest, light);
        const auto texts = surface.texts();
        ASSERT_EQ(texts.size(), 5u);
        const Rgb halo = light ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
        const Rgb ink = light ? Rgb{0, 200, 0} : Rgb{255, 255, 255};
        const int dx[] = {-1, 1, 0, 0, 0}, dy[] = {0, 0, -1, 1, 0};
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(std::pair(texts[i].x - texts[4].x, texts[i].y - texts[4].y),
                      std::pair(dx[i], dy[i]));
            EXPECT_EQ(texts[i].text, "1-12");
            EXPECT_EQ(texts[i].colour, i < 4 ? halo : ink);
        }
    }
}

void expectSameLine(const TracedLine& a, const TracedLine& b) {
    EXPECT_EQ(a.points, b.points);
    EXPECT_EQ(a.chainStarts, b.chainStarts);
    EXPECT_EQ(a.labelled, b.labelled);
    EXPECT_EQ(std::pair(a.labelX, a.labelY), std::pair(b.labelX, b.labelY));
}

// The cones that are left before sampling are exactly ones that would have drawn nothing, and
// they are many: most cones of a large pattern never come near a gnomonic picture.
TEST(ConeTracer, ACulledConeWouldHaveDrawnNothing) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> component(-1, 1), spacing(0.2f, 6.0f);
    for (bool stereographic : {false, true})
        for (float scale : {200.0f, 1000.0f, 5000.0f}) {
            TraceSettings culled = settings(stereographic, {0.7107f, 1.5418f});
            culled.patternScale = scale;
            culled.stereoRadius = scale / 2;
            culled.pickX = 120;
            culled.pickY = 650;
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
                expectSameLine(a.first, b.first);
                expectSameLine(a.second, b.second);
                EXPECT_EQ(a.hasFirst, b.hasFirst);
                EXPECT_EQ(a.hasSecond, b.hasSecond);
                EXPECT_EQ(a.nearestDistance, b.nearestDistance);
                drawn += !b.first.empty();
            }
            if (!stereographic) {
                EXPECT_GT(ruledOut, 300) << scale;
            }
            EXPECT_GT(drawn, 100) << scale;
        }
}

// A line is handed over as chains: a chain ends where the line leaves the picture or passes
// behind the film, and the segments of a chain join end to start.
TEST(ConeTracer, LinesComeAsChainsThatBreakWhereTheLineLeavesThePicture) {
    // A 45 degree cone about an axis off the centre: partly outside the 800 x 800 picture.
    const float c = std::cos(static_cast<float>(30 * kDegToRad));
    const float s = std::sin(static_cast<float>(30 * kDegToRad));
    const TracedCone cone = sample(settings(), {c, s, 0, kD45});
    const TracedLine& line = cone.first;
    ASSERT_GE(line.chainCount(), 1u);
    std::size_t points = 0;
    for (std::size_t i = 0; i < line.chainCount(); ++i) {
        const auto chain = line.chain(i);
        ASSERT_GE(chain.size(), 2u);
        points += chain.size();
    }
    EXPECT_EQ(points, line.points.size());
    EXPECT_EQ(line.segmentCount(), line.segments().size());
    // Each chain but the first starts outside the picture, where the line came back in.
    for (std::size_t i = 1; i < line.chainCount(); ++i) {
        const Point start = line.chain(i)[0];
        EXPECT_TRUE(start.x <= 0 || start.x >= 800 || start.y <= 0 || start.y >= 800)
            << start.x << " " << start.y;
    }
    const auto whole = sample(settings(), kCone45).first;
    EXPECT_EQ(whole.chainCount(), 1u); // inside all the way round
    // Highlighted: every other segment, each on its own.
    const auto dashed = sample(settings(), kCone45, true).first;
    EXPECT_EQ(dashed.chainCount(), dashed.segmentCount());
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
    // Space group, cell, orientation and its type.
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
            generateReflections(t.sim);
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
