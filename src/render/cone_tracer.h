#pragma once
// The line of one reflection: the cone of half-opening 90 - theta about the plane normal,
// sampled as a closed polygon of directions, projected, clipped to the picture and labelled.
// Sampling and drawing are separate steps, so that many cones can be sampled on several threads
// and still be drawn in exactly the order (and with exactly the pick result) of one loop.

#include "crystal/reflections.h"
#include "crystal/unit_cell.h"
#include "render/surface.h"

#include <array>
#include <cstdint>
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
    float pickX = 0, pickY = 0;       // distances of drawn samples are measured from here
    std::int32_t reflectionCount = 0; // N, for the reduced sampling while dragging
    int width = 0, height = 0;        // W, H
    float cx = 0, cy = 0;
};

// The rotation about the unit axis u by `angle` degrees (Euler-Rodrigues, from the half-angle).
Mat3f axisRotationMatrix(const Vec3f& u, float angle);

// pi/2 + atan(t / sqrt(1 - t^2)) for 0 <= t < 1; 0 for t >= 1.
double polarAngleOf(double t);

// "h<sep>k<sep>l" of reflection `index`.
std::string hklLabel(const ReflectionList& reflections, std::int32_t index,
                     std::string_view separator);

// One sampled line (one wavelength) ready to draw.
struct TracedLine {
    std::vector<Segment> segments;
    bool labelled = false;
    float labelX = 0, labelY = 0;
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
    ConeTracer(const TraceSettings& settings, const ReflectionList& reflections)
        : settings_(settings), reflections_(reflections) {}

    // Samples the line(s) of one row (x, y, z, d) with `stepCount` samples per line.
    void sample(const std::array<float, 4>& cone, int stepCount, bool highlighted,
                TracedCone& out) const;
    // Draws what `sample` produced: segments in the surface's current pen, then labels.
    void draw(DrawingSurface& surface, const TracedCone& cone, std::int32_t reflectionIndex,
              bool highlighted) const;

    // Both steps at once, updating `nearestDistance` like the drawing loop does.
    void trace(DrawingSurface& surface, const std::array<float, 4>& cone, int stepCount,
               std::int32_t reflectionIndex, float& nearestDistance, bool highlighted) const;

    const TraceSettings& settings() const { return settings_; }

private:
    // One line; returns false when the cone does not exist or is not drawn.
    bool sampleLine(const std::array<float, 4>& cone, float lambda, int& stepCount,
                    bool highlighted, TracedLine& line, float& nearest) const;
    void drawLabel(DrawingSurface& surface, const TracedLine& line, std::int32_t reflectionIndex,
                   bool highlighted) const;

    TraceSettings settings_;
    const ReflectionList& reflections_;
};

} // namespace tavrel
