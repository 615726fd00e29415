#include "render/cone_tracer.h"

#include "common/numeric.h"
#include "render/recording_surface.h"
#include "render/renderer.h"
#include "session/orient.h"
#include "session/simulation.h"
#include "session/test_session.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

TraceSettings settings(bool stereographic = false) {
    TraceSettings s;
    s.wavelength = {1.5418f, 0};
    s.patternScale = 200;
    s.stereoRadius = 300;
    s.stereographic = stereographic;
    s.width = 800;
    s.height = 800;
    s.cx = 400;
    s.cy = 400;
    s.reflectionCount = 100;
    return s;
}

ReflectionList oneReflection(int h, int k, int l) {
    ReflectionList r;
    r.append(static_cast<std::int16_t>(h), static_cast<std::int16_t>(k),
             static_cast<std::int16_t>(l), 1, {0, 0, 0});
    return r;
}

// The spacing whose cone (for wavelength lambda) opens by 45 degrees.
float d45(float lambda) {
    return static_cast<float>(lambda / (2 * std::sin(45 * kDegToRad)));
}

TracedCone sample(const TraceSettings& s, const std::array<float, 4>& cone,
                  bool highlighted = false) {
    const ReflectionList r = oneReflection(1, 1, 1);
    TracedCone out;
    ConeTracer(s, r).sample(cone, 360, highlighted, out);
    return out;
}

double radius(const Segment& seg) {
    return std::hypot(seg.x2 - 400.0, seg.y2 - 400.0);
}

TEST(ConeTracer, FortyFiveDegreeConeIsACircleInBothProjections) {
    const TracedCone g = sample(settings(), {1, 0, 0, d45(1.5418f)});
    ASSERT_TRUE(g.hasFirst);
    ASSERT_EQ(g.first.segments.size(), 361u); // the start point, then 360 steps closing the loop
    for (const Segment& seg : g.first.segments) EXPECT_NEAR(radius(seg), 200.0, 0.75);
    EXPECT_EQ(g.first.segments.front().x2, g.first.segments.back().x2);
    EXPECT_EQ(g.first.segments.front().y2, g.first.segments.back().y2);

    const TracedCone s = sample(settings(true), {1, 0, 0, d45(1.5418f)});
    const double expected = 300 * std::tan(22.5 * kDegToRad);
    for (const Segment& seg : s.first.segments) EXPECT_NEAR(radius(seg), expected, 0.75);
}

TEST(ConeTracer, ConesThatDoNotExistDrawNothing) {
    EXPECT_FALSE(sample(settings(), {1, 0, 0, 0.7f}).hasFirst); // lambda > 2d
    EXPECT_FALSE(sample(settings(), {1, 0, 0, 0}).hasFirst);    // d = 0
    EXPECT_FALSE(sample(settings(), {1, 0, 0, -2}).hasFirst);   // negative Bragg angle
    EXPECT_FALSE(sample(settings(), {0, 0, 0, 2}).hasFirst);    // no axis
    EXPECT_FALSE(sample(settings(), {1, 0, 0, std::nanf("")}).hasFirst);
    TraceSettings narrow = settings();
    narrow.thetaWindow = {0, 10};
    EXPECT_FALSE(sample(narrow, {1, 0, 0, 2}).hasFirst); // theta 22.7 outside the window
    TraceSettings none = settings();
    none.wavelength = {0, 0};
    EXPECT_FALSE(sample(none, {1, 0, 0, 2}).hasFirst);

    // s = 1 exactly: the cone degenerates to its pole, all samples on one pixel.
    const TracedCone pole = sample(settings(), {1, 0, 0, 0.7709f});
    ASSERT_TRUE(pole.hasFirst);
    for (const Segment& seg : pole.first.segments) {
        EXPECT_NEAR(seg.x2, 400, 1);
        EXPECT_NEAR(seg.y2, 400, 1);
    }
}

TEST(ConeTracer, ConeAxisInTheFilmPlaneDrawsOnlyPointsInFront) {
    // Axis along z: only the half of the cone with x > 0 reaches the film.
    const TracedCone c = sample(settings(), {0, 0, 1, 2});
    ASSERT_TRUE(c.hasFirst);
    ASSERT_FALSE(c.first.segments.empty());
    const double cotAlpha = std::tan(std::asin(1.5418 / 4));
    for (const Segment& seg : c.first.segments) {
        // On the hyperbola z = cot(alpha) * sqrt(1 + y^2) of the gnomonic plane (z points down).
        const double y = (400.0 - seg.x2) / 200.0, z = (seg.y2 - 400.0) / 200.0;
        EXPECT_NEAR(z, cotAlpha * std::sqrt(1 + y * y), 0.02);
    }
}

TEST(ConeTracer, NearestDistanceStaysWhenNothingIsInside) {
    TraceSettings s = settings();
    s.lastX = 400;
    s.lastY = 400;
    // A cone about -x lies behind the film.
    EXPECT_EQ(sample(s, {-1, 0, 0, d45(1.5418f)}).nearestDistance, 999.0f);
    EXPECT_NEAR(sample(s, {1, 0, 0, d45(1.5418f)}).nearestDistance, 200.0f, 0.5f);
}

TEST(ConeTracer, SecondWavelength) {
    TraceSettings s = settings();
    s.wavelength = {1.5418f, 0.7107f};
    TracedCone two = sample(s, {1, 0, 0, 2});
    EXPECT_TRUE(two.hasFirst);
    EXPECT_TRUE(two.hasSecond);
    // Electron wavelengths of a few hundredths of an angstrom get their second line too.
    s.wavelength = {0.0251f, 0.0197f};
    two = sample(s, {1, 0, 0, 2});
    EXPECT_TRUE(two.hasSecond);
    // Equal wavelengths: one line.
    s.wavelength = {1.5418f, 1.5418f};
    EXPECT_FALSE(sample(s, {1, 0, 0, 2}).hasSecond);
    // Wavelength 1 unused: traced once, with wavelength 2.
    s.wavelength = {0, 1.5418f};
    const TracedCone only = sample(s, {1, 0, 0, d45(1.5418f)});
    EXPECT_TRUE(only.hasFirst);
    EXPECT_FALSE(only.hasSecond);
    EXPECT_NEAR(radius(only.first.segments[5]), 200.0, 0.75);
}

TEST(ConeTracer, CoarserSamplingWhileDragging) {
    TraceSettings s = settings();
    s.patternScale = 50; // both lines wholly inside the picture
    s.stereoRadius = 200;
    s.dragging = true;
    s.wavelength = {1.5418f, 0.7107f};
    TracedCone c = sample(s, {1, 0, 0, 2});
    EXPECT_EQ(c.first.segments.size(), 181u);
    EXPECT_EQ(c.second.segments.size(), 91u);
    s.stereographic = true;
    c = sample(s, {1, 0, 0, 2});
    EXPECT_EQ(c.first.segments.size(), 61u);
    EXPECT_EQ(c.second.segments.size(), 11u);
    s.reflectionCount = 30; // few reflections: full quality
    EXPECT_EQ(sample(s, {1, 0, 0, 2}).first.segments.size(), 361u);
}

TEST(ConeTracer, HighlightedLinesShowEveryOtherSegment) {
    const TracedCone full = sample(settings(), {1, 0, 0, d45(1.5418f)});
    const TracedCone dashed = sample(settings(), {1, 0, 0, d45(1.5418f)}, true);
    EXPECT_EQ(dashed.first.segments.size(), 181u);
    EXPECT_EQ(dashed.first.segments[1], full.first.segments[2]);
}

TEST(ConeTracer, LabelsWithHalo) {
    const ReflectionList r = oneReflection(1, -1, 2);
    TraceSettings s = settings();
    s.labels = true;
    const ConeTracer tracer(s, r);
    RecordingSurface surface(800, 800);
    float nearest = 999;
    tracer.trace(surface, {1, 0, 0, 2}, 360, 0, nearest, false);
    const auto texts = surface.texts();
    ASSERT_EQ(texts.size(), 5u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(texts[i].colour, (Rgb{0, 0, 0}));
    EXPECT_EQ(texts[4].colour, (Rgb{255, 255, 255}));
    EXPECT_EQ(texts[4].text, "1-12");
    EXPECT_EQ(texts[0].x, texts[4].x - 1);
    EXPECT_EQ(texts[3].y, texts[4].y + 1);

    s.lightBackground = true;
    s.highlight = {0, 200, 0};
    RecordingSurface light(800, 800);
    ConeTracer(s, r).trace(light, {1, 0, 0, 2}, 360, 0, nearest, true);
    EXPECT_EQ(light.texts()[0].colour, (Rgb{255, 255, 255}));
    EXPECT_EQ(light.texts()[4].colour, (Rgb{0, 200, 0}));
}

TEST(ConeTracer, HelpersOfTheTracer) {
    EXPECT_EQ(polarAngleOf(1.0), 0.0);
    EXPECT_NEAR(polarAngleOf(0.0), kPi / 2, 1e-12);
    EXPECT_NEAR(kPi - polarAngleOf(std::cos(0.3)), 0.3, 1e-9);
    const Mat3f m = axisRotationMatrix({0, 0, 1}, 90);
    EXPECT_NEAR(m[1][0], 1.0, 1e-6); // x turns towards +y
    EXPECT_NEAR(m[0][1], -1.0, 1e-6);
    const ReflectionList r = oneReflection(-1, 0, 12);
    EXPECT_EQ(hklLabel(r, 0, " "), "-1 0 12");
    EXPECT_EQ(hklLabel(r, 0, ""), "-1012");
    EXPECT_EQ(hklLabel(r, 5, ""), "");
}

// The direction of a picture point, inverting the projection.
Vec3f backProject(const TraceSettings& s, double X, double Y) {
    const double dx = X - s.cx, dy = Y - s.cy;
    if (!s.stereographic) {
        const Vec3f v{1, static_cast<float>(-dx / s.patternScale),
                      static_cast<float>(dy / s.patternScale)};
        return v;
    }
    const double rho = std::hypot(dx, dy) / s.stereoRadius;
    const double psi = 2 * std::atan(rho);
    if (rho == 0) return {1, 0, 0};
    const double k = std::sin(psi) / (rho * s.stereoRadius);
    return {static_cast<float>(std::cos(psi)), static_cast<float>(-dx * k),
            static_cast<float>(dy * k)};
}

double angleBetween(const Vec3f& a, const Vec3f& b) {
    const double dot = static_cast<double>(a[0]) * b[0] + static_cast<double>(a[1]) * b[1] +
                       static_cast<double>(a[2]) * b[2];
    const double la = std::sqrt(static_cast<double>(a[0]) * a[0] + a[1] * a[1] + a[2] * a[2]);
    const double lb = std::sqrt(static_cast<double>(b[0]) * b[0] + b[1] * b[1] + b[2] * b[2]);
    return std::acos(std::clamp(dot / la / lb, -1.0, 1.0));
}

TEST(ConeTracer, EveryDrawnSampleLiesOnItsTrueCone) {
    struct Case {
        int group;
        std::array<std::string, 6> cell;
        const char* orientation;
        int type;
    };
    const Case cases[] = {
        {229, {"2.866", "", "", "", "", ""}, "0 0 1", 0},
        {225, {"4.05", "", "", "", "", ""}, "1 1 1", 0},
        {194, {"2.66", "", "4.95", "", "", ""}, "1 0 0", 1},
        {14, {"5.1", "6.2", "7.3", "90", "104", "90"}, "1 2 3", 0},
        {2, {"5.1", "6.2", "7.3", "80", "95", "105"}, "1 -1 1", 1},
    };
    for (const Case& c : cases)
        for (bool stereographic : {false, true}) {
            test::TestSession t;
            test::setFields(t.s, c.group, c.cell, "1.5418", "0.7107", "0.9", "20", "3");
            t.s.fields.orientation = c.orientation;
            t.s.fields.orientationType = c.type;
            generateReflections(t.s);
            Do_Rotate(t.s, 1, 17);
            ASSERT_GT(t.s.points.rows.size(), 10u);

            TraceSettings s = settings(stereographic);
            s.wavelength = t.s.doc.wavelength;
            s.patternScale = 250;
            s.stereoRadius = 380;
            const ConeTracer tracer(s, t.s.reflections);
            int checked = 0;
            for (const PointRow& row : t.s.points.rows) {
                const float d = t.s.reflections.d[static_cast<std::size_t>(row[3])];
                TracedCone cone;
                tracer.sample({row[0], row[1], row[2], d}, 360, false, cone);
                const Vec3f axis{row[0], row[1], row[2]};
                for (int line = 0; line < 2; ++line) {
                    const TracedLine& traced = line == 0 ? cone.first : cone.second;
                    if (line == 1 && !cone.hasSecond) continue;
                    const double lambda = s.wavelength[static_cast<std::size_t>(line)];
                    const double alpha = kPi / 2 - std::asin(lambda / 2 / d);
                    for (const Segment& seg : traced.segments) {
                        const Vec3f dir = backProject(s, seg.x2, seg.y2);
                        // Half a pixel in either coordinate, as an angle at this point.
                        double tolerance = 1e-4;
                        for (const auto& [ox, oy] :
                             {std::pair{0.5, 0.5}, {0.5, -0.5}, {-0.5, 0.5}, {-0.5, -0.5}})
                            tolerance = std::max(
                                tolerance,
                                angleBetween(dir, backProject(s, seg.x2 + ox, seg.y2 + oy)));
                        ASSERT_NEAR(angleBetween(dir, axis), alpha, tolerance + 1e-4)
                            << "group " << c.group << (stereographic ? " stereo" : " gnomonic");
                        ++checked;
                    }
                }
            }
            EXPECT_GT(checked, 500);
        }
}

} // namespace
} // namespace tavrel
