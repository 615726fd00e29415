#pragma once
// The line of one reflection: the cone of half-opening 90 - theta about the plane normal,
// sampled as a closed polygon of directions, projected, clipped to the picture and labelled.
// The directions are the view frame's, drawn as common/frames.h says the cone pictures show it.
// Sampling and drawing are separate steps, so that many cones can be sampled on several threads
// and still be drawn in exactly the order (and with exactly the pick result) of one loop.

#include "crystal/reflections.h"
#include "crystal/unit_cell.h"
#include "render/surface.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrel {

// Everything the tracer reads, copied once per picture.
struct TraceSettings {
    std::array<float, 2> wavelength{}; // angstrom; 0 = unused
    float patternScale = 100;
    float stereoRadius = 100;
    float printScale = 1;
    bool stereographic = false;
    bool labels = false;
    bool lightBackground = false;
    bool dragging = false;
    Rgb highlight{255, 0, 0};
    bool fourIndex = false;           // labels (h k i l) of a hexagonal cell
    float pickX = 0, pickY = 0;       // distances of drawn samples are measured from here
    std::int32_t reflectionCount = 0; // N, for the reduced sampling while dragging
    int width = 0, height = 0;        // W, H
    float cx = 0, cy = 0;
    // Cones whose every direction lies too far from the viewing axis to reach the picture are
    // left before any trigonometry. Tests switch this off to see what such a cone would draw.
    bool cullCones = true;
};

// The rotation about the unit axis u by `angle` degrees (Euler-Rodrigues, from the half-angle).
Mat3f axisRotationMatrix(const Vec3f& u, float angle);

// The samples of one cone: out[k] is q turned k + 1 times by R, each product of R with the
// sample before summed in 8-byte floats and kept in 4-byte floats. Written for the compiler's
// vector units (the three rows of a product at once), in the order of operations of the plain
// loop over the rows, so that the numbers are the plain loop's, bit for bit.
void turnSamples(const Mat3f& R, const Vec3f& q, std::span<Vec3f> out);

// pi/2 + atan(t / sqrt(1 - t^2)) for 0 <= t < 1; 0 for t >= 1.
double polarAngleOf(double t);

// "h<sep>k<sep>l" of reflection `index`; with fourIndex "h<sep>k<sep>i<sep>l", i = -(h + k).
std::string hklLabel(const ReflectionList& reflections, std::int32_t index,
                     std::string_view separator, bool fourIndex = false);

// One sampled line (one wavelength) ready to draw, as chains of drawn points: each chain is a
// run of segments where each one starts at the end of the one before. A highlighted line
// draws every other segment only, so each of its chains is one segment.
struct TracedLine {
    std::vector<Point> points;
    std::vector<std::uint32_t> chainStarts; // index in points of each chain's first point
    bool labelled = false;
    float labelX = 0, labelY = 0;

    std::size_t chainCount() const { return chainStarts.size(); }
    std::span<const Point> chain(std::size_t i) const;
    // Every segment in drawing order.
    std::vector<Segment> segments() const;
    std::size_t segmentCount() const { return points.size() - chainStarts.size(); }
    bool empty() const { return points.empty(); }
    void clear();
};

// The sampled line(s) of one reflection: wavelength 1 (or 2 when 1 is unused) and, when there
// is one, the second wavelength's line, which is drawn before the first line's label.
struct TracedCone {
    TracedLine first;
    TracedLine second;
    bool hasFirst = false;
    bool hasSecond = false;
    float nearestDistance = 999; // nearest drawn sample to the reference point (999: none)

    void clear();
};

class ConeTracer {
public:
    ConeTracer(const TraceSettings& settings, const ReflectionList& reflections);

    // Samples the line(s) of one row (x, y, z, d) with `stepCount` samples per line.
    void sample(const std::array<float, 4>& cone, int stepCount, bool highlighted,
                TracedCone& out) const;
    // Draws what `sample` produced: segments in the surface's current pen, then labels.
    void draw(DrawingSurface& surface, const TracedCone& cone, std::int32_t reflectionIndex,
              bool highlighted) const;

    const TraceSettings& settings() const { return settings_; }

private:
    // False when no direction of the cone about the unit axis u with this sine of the Bragg
    // angle (positive) comes near enough to the viewing axis to show in the picture, so that
    // sampling would draw nothing: decided without any trigonometry. True for every cone it
    // cannot rule out.
    bool mayReach(const Vec3f& u, double sine) const;
    // One line; returns false when the cone does not exist or is not drawn.
    bool sampleLine(const std::array<float, 4>& cone, float lambda, int& stepCount,
                    bool highlighted, TracedLine& line, float& nearest) const;
    // A drag frame's stereographic line of the cone about the unit axis u: the arc of the
    // circle it projects to, sampled evenly with at most stepCount samples for the whole
    // circle; false (nothing added) where the circle is too large for that.
    bool sampleStereographicCircle(const Vec3f& u, double sine, int stepCount,
                                   TracedLine& line) const;
    // While dragging: the fewest samples (at most stepCount) whose chords stray less than about
    // half a pixel from the drawn line of a cone with this sine of the Bragg angle.
    int dragSteps(double sine, int stepCount) const;
    // cos, sin pairs of the `steps` samples of a drag frame's line; null for a count without.
    const float* dragCircle(int steps) const;
    void drawLine(DrawingSurface& surface, const TracedLine& line, bool highlighted) const;
    void drawLabel(DrawingSurface& surface, const TracedLine& line, std::int32_t reflectionIndex,
                   bool highlighted) const;

    TraceSettings settings_;
    const ReflectionList& reflections_;
    // The same for every cone of a picture.
    double scale_;                  // patternScale or stereoRadius
    double halfWidth_, halfHeight_; // generous reach of the picture in gnomonic units
    double cosReach_, sinReach_;    // of the angle from the viewing axis beyond which nothing shows
    double pixelsPerRadian_;        // the most a small turn of a direction moves its drawn point
    std::vector<float> circles_;    // dragCircle's pairs, one run per count
    std::vector<std::size_t> circleStarts_;
};

} // namespace tavrel
