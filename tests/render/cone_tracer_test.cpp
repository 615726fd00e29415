#include "render/cone_tracer.h"

#include "common/numeric.h"
#include "session/orient.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>

namespace tavrel {
namespace {

using Cone = std::array<float, 4>;
constexpr float kCu = 1.5418f;
// The spacing whose cone opens by 45 degrees at the copper wavelength.
const float kD45 = static_cast<float>(kCu / (2 * std::sin(45 * kDegToRad)));

// An 800 x 800 picture with its centre at (400, 400), the pointer there too.
TraceSettings settings(bool stereographic = false, std::array<float, 2> wavelength = {kCu, 0}) {
    TraceSettings s{.wavelength = wavelength, .patternScale = 200, .stereoRadius = 300};
    std::tie(s.stereographic, s.reflectionCount, s.width, s.height) =
        std::tuple(stereographic, 100, 800, 800);
    s.pickX = s.pickY = s.cx = s.cy = 400;
    return s;
}

const ReflectionList kReflection = [] {
    ReflectionList r;
    r.append(1, -1, 2, 1, {0, 0, 0});
    return r;
}();

TracedCone sample(const TraceSettings& s, const Cone& cone, bool highlighted = false) {
    TracedCone out;
    ConeTracer(s, kReflection).sample(cone, 360, highlighted, out);
    return out;
}
std::vector<Segment> firstLine(const TraceSettings& s, const Cone& cone) {
    return sample(s, cone).first.segments();
}

double radius(const Segment& seg) {
    return std::hypot(seg.x2 - 400.0, seg.y2 - 400.0);
}

Cone randomCone(std::mt19937& random, std::uniform_real_distribution<float>& spacing) {
    std::uniform_real_distribution<float> c(-1, 1);
    return {c(random), c(random), c(random), spacing(random)};
}

TEST(ConeTracer, FortyFiveDegreeConeIsACircleInBothProjectionsAndDashedWhenHighlighted) {
    for (bool stereo : {false, true}) {
        const TracedCone cone = sample(settings(stereo), {1, 0, 0, kD45});
        const auto line = cone.first.segments();
        const double expected = stereo ? 300 * std::tan(22.5 * kDegToRad) : 200;
        ASSERT_EQ(line.size(), 361u); // the start point, then 360 steps closing the polygon
        for (const Segment& seg : line) EXPECT_NEAR(radius(seg), expected, 0.75);
        EXPECT_EQ(std::pair(line[0].x2, line[0].y2), std::pair(line[360].x2, line[360].y2));
        EXPECT_NEAR(cone.nearestDistance, expected, 0.5); // from the centre
        const auto dashed = sample(settings(stereo), {1, 0, 0, kD45}, true).first.segments();
        ASSERT_EQ(dashed.size(), 181u);
        for (std::size_t i = 0; i < 181; ++i) EXPECT_EQ(dashed[i], line[2 * i]);
    }
}

// lambda > 2d, d = 0, a negative Bragg angle, behind the film: nothing; s = 1 exactly: the
// cone degenerates to its pole.
TEST(ConeTracer, ConesThatDoNotExistOrAreBehindTheFilmDrawNothing) {
    for (const Cone& cone : {Cone{1, 0, 0, 0.7f}, {1, 0, 0, 0}, {1, 0, 0, -2}, {-1, 0, 0, kD45}}) {
        const TracedCone c = sample(settings(), cone);
        EXPECT_EQ(std::tuple(c.first.empty(), c.nearestDistance, c.hasSecond),
                  std::tuple(true, 999.0f, false))
            << cone[3];
    }
    const auto pole = firstLine(settings(), {1, 0, 0, 0.7709f});
    ASSERT_FALSE(pole.empty());
    for (const Segment& seg : pole) EXPECT_LE(radius(seg), 1);
}

// Wavelength 1 unused: one line, with wavelength 2; electron wavelengths get both lines.
// d = 0.7 has no cone for copper (lambda > 2d) but one for molybdenum.
TEST(ConeTracer, SecondWavelength) {
    for (auto [wavelength, d, first, second] : {std::tuple{std::array{kCu, 0.7107f}, kD45, 1, 1},
                                                {{0.0251f, 0.0197f}, kD45, 1, 1},
                                                {{kCu, kCu}, kD45, 1, 0},
                                                {{0, kCu}, kD45, 1, 0},
                                                {{kCu, 0.7107f}, 0.7f, 0, 1}}) {
        const TracedCone c = sample(settings(false, wavelength), {1, 0, 0, d});
        EXPECT_EQ((std::pair<int, int>(c.hasFirst, c.hasSecond)), std::pair(first, second))
            << wavelength[0] << " " << wavelength[1] << " d " << d;
        EXPECT_TRUE(d != 0.7f || !c.second.empty()); // the molybdenum line is drawn
    }
}

// The vector units' samples are the plain loop's, bit for bit, over whole polygons (where any
// difference would grow from step to step), for axes in every direction and every step count
// the renderer uses.
TEST(ConeTracer, VectorAndPlainSamplesAgreeBitForBit) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> component(-1, 1), length(0.2f, 8.0f);
    for (int n = 0; n < 400; ++n) {
        const int steps = std::array{360, 180, 60, 90, 10, 13, 1000}[n % 7];
        Vec3f u{component(random), component(random), component(random)};
        const float norm = std::hypot(u[0], u[1], u[2]);
        for (float& c : u) c /= norm;
        const Mat3f R = axisRotationMatrix(u, 360.0f / static_cast<float>(steps));
        const float l = length(random);
        const Vec3f q{l * component(random), l * component(random), l * component(random)};
        std::vector<Vec3f> vector(static_cast<std::size_t>(steps));
        turnSamples(R, q, vector);
        Vec3f v = q; // the plain loop over the rows
        for (std::size_t k = 0; k < vector.size(); ++k) {
            Vec3f o;
            for (std::size_t r = 0; r < 3; ++r)
                o[r] = static_cast<float>(double{R[r][0]} * v[0] + double{R[r][1]} * v[1] +
                                          double{R[r][2]} * v[2]);
            v = o;
            using Bits = std::array<std::uint32_t, 3>;
            ASSERT_EQ(std::bit_cast<Bits>(vector[k]), std::bit_cast<Bits>(o))
                << "cone " << n << " sample " << k;
        }
    }
}

TEST(ConeTracer, CoarserSamplingWhileDragging) {
    TraceSettings s = settings(false, {kCu, 0.7107f}); // both lines wholly inside the picture:
    std::tie(s.patternScale, s.stereoRadius, s.dragging) = std::tuple(50.0f, 200.0f, true);
    TraceSettings still = s;
    still.dragging = false;
    for (auto [stereo, first, second] : {std::tuple{false, 181u, 91u}, {true, 61u, 11u}}) {
        s.stereographic = still.stereographic = stereo;
        // At most the reduced counts (fewer where the line bends little; the samples about
        // the axis start with a segment of no length).
        const TracedCone c = sample(s, {1, 0, 0, 2});
        EXPECT_LE(c.first.segments().size(), first);
        EXPECT_GE(c.first.segments().size(), 13u);
        EXPECT_LE(c.second.segments().size(), second);
        EXPECT_GE(c.second.segments().size(), second - 1);
    }
    s.reflectionCount = 30; // few reflections: full quality
    EXPECT_EQ(firstLine(s, {1, 0, 0, 2}), firstLine(still, {1, 0, 0, 2}));
}

double distanceToChain(const std::vector<Segment>& chain, double x, double y) {
    double best = 1e9;
    for (const Segment& s : chain) {
        const double dx = s.x2 - s.x1, dy = s.y2 - s.y1, l2 = dx * dx + dy * dy;
        const double t =
            l2 > 0 ? std::clamp(((x - s.x1) * dx + (y - s.y1) * dy) / l2, 0.0, 1.0) : 0;
        best = std::min(best, std::hypot(s.x1 + t * dx - x, s.y1 + t * dy - y));
    }
    return best;
}

double longestStep(const std::vector<Segment>& line) {
    double step = 0;
    for (const Segment& s : line) step = std::max(step, std::hypot(s.x2 - s.x1, s.y2 - s.y1));
    return step;
}

// A drag frame samples a line only as finely as it bends, and a stereographic one draws the
// arc of the circle the cone projects to: every point of either line lies within a pixel or
// two of the other, except within a step of the border or the rim (where each stops at its
// last sample inside, and the arc goes on to them). Random cones in both projections, with the
// rim inside the picture and crossing its border, include flat and open cones, whole circles,
// arcs cut by the rim or the border, and cones through the back pole whose circles are too
// large for the arc.
TEST(ConeTracer, DragFramesFollowTheStillLinesAsFinelyAsTheyBend) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> spacing(0.8f, 6.0f);
    int whole = 0, cut = 0;
    for (bool stereo : {false, true})
        for (float rim : {300.0f, 500.0f})
            for (int n = 0; n < 300; ++n) {
                // Short wavelengths give flat cones, which bend little.
                const float lambda = n % 3 == 1 ? 0.3f : kCu;
                TraceSettings still = settings(stereo, {lambda, 0}), drag = still;
                still.stereoRadius = drag.stereoRadius = rim;
                drag.dragging = true;
                Cone cone = randomCone(random, spacing);
                if (n % 50 == 0) { // through the back pole: a straight stereographic line
                    const float sine = lambda / 2 / cone[3];
                    cone = {-sine, std::sqrt(1 - sine * sine), 0, cone[3]};
                }
                const auto fine = firstLine(still, cone), coarse = firstLine(drag, cone);
                SCOPED_TRACE(testing::PrintToString(cone) + " rim " + std::to_string(rim) +
                             (stereo ? " stereographic" : " gnomonic"));
                ASSERT_EQ(fine.empty(), coarse.empty());
                if (fine.empty()) continue;
                for (const auto& [points, other, margin] :
                     {std::tuple{&fine, &coarse, longestStep(coarse)},
                      {&coarse, &fine, longestStep(fine) + 1}})
                    for (const Segment& p : *points) {
                        const int border = std::min({int{p.x2}, int{p.y2}, 800 - p.x2, 800 - p.y2});
                        if (border > margin && (!stereo || rim - radius(p) > margin)) {
                            ASSERT_LT(distanceToChain(*other, p.x2, p.y2), stereo ? 2.0 : 1.6);
                        }
                    }
                // A whole circle closes on its first point.
                if (stereo)
                    ++(std::pair(coarse.front().x1, coarse.front().y1) ==
                               std::pair(coarse.back().x2, coarse.back().y2)
                           ? whole
                           : cut);
            }
    EXPECT_GT(whole, 10);
    EXPECT_GT(cut, 20);
    // A nearly flat cone, drawn nearly straight by the gnomonic projection, gets few samples.
    TraceSettings flat = settings(false, {0.3f, 0});
    flat.dragging = true;
    EXPECT_LT(firstLine(flat, {0.8f, 0.5f, -0.3f, 2.5f}).size(), 40u);
}

// Culling leaves only cones that would have drawn nothing: with and without it every cone
// samples the same, among them many that draw and, at large scales, many that do not.
TEST(ConeTracer, ACulledConeWouldHaveDrawnNothing) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> spacing(0.2f, 6.0f);
    for (bool stereographic : {false, true})
        for (float scale : {200.0f, 1000.0f, 5000.0f}) {
            TraceSettings culled = settings(stereographic, {0.7107f, 1.5418f});
            std::tie(culled.patternScale, culled.stereoRadius) = std::pair(scale, scale / 2);
            std::tie(culled.pickX, culled.pickY) = std::pair(120.0f, 650.0f);
            TraceSettings full = culled;
            full.cullCones = false;
            const ConeTracer withCulling(culled, kReflection), without(full, kReflection);
            int drawn = 0;
            for (int n = 0; n < 3000; ++n) {
                const Cone cone = randomCone(random, spacing);
                TracedCone a, b;
                withCulling.sample(cone, 360, false, a);
                without.sample(cone, 360, false, b);
                SCOPED_TRACE(testing::PrintToString(cone) + " scale " + std::to_string(scale));
                for (auto [x, y] : {std::pair{&a.first, &b.first}, {&a.second, &b.second}})
                    EXPECT_EQ(
                        std::tie(x->points, x->chainStarts, x->labelled, x->labelX, x->labelY),
                        std::tie(y->points, y->chainStarts, y->labelled, y->labelX, y->labelY));
                EXPECT_EQ(std::tuple(a.hasFirst, a.hasSecond, a.nearestDistance),
                          std::tuple(b.hasFirst, b.hasSecond, b.nearestDistance));
                drawn += !b.first.empty();
            }
            EXPECT_GT(drawn, 100) << scale;
            EXPECT_TRUE(stereographic || drawn < 2700) << drawn << " at " << scale;
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
    constexpr auto hkl = OrientationType::Reciprocal, uvw = OrientationType::Direct;
    const std::tuple<int, std::array<std::string, 6>, const char*, OrientationType> cases[] = {
        {229, {"2.866", "", "", "", "", ""}, "0 0 1", hkl},
        {225, {"4.05", "", "", "", "", ""}, "1 1 1", hkl},
        {194, {"2.66", "", "4.95", "", "", ""}, "1 0 0", uvw},
        {14, {"5.1", "6.2", "7.3", "90", "104", "90"}, "1 2 3", hkl},
        {2, {"5.1", "6.2", "7.3", "80", "95", "105"}, "1 -1 1", uvw}};
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
