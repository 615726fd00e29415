#pragma once
// Picture coordinates of view directions: X to the right, Y downwards, centre (W / 2, H / 2).
// Both projections mirror the view (+y goes left, +z down); reciprocal-lattice points do not.

#include "orientation/point_table.h"

#include "common/matrix3.h"
#include "render/surface.h"

#include <array>
#include <optional>
#include <string>

namespace tavrel {

// The film outline and its caption.
inline constexpr Rgb kFilmOutlineColour{0, 128, 128};

class DrawingSurface;

struct ProjectionFrame {
    float cx = 0, cy = 0;   // centre
    float scale = 0;        // patternScale
    float stereoRadius = 0; // radius of the primitive circle
    float printScale = 1;   // 1 on the screen
};

// Lattice offsets (round(S * y), round(S * z)) of a point, used for poles and the nearest pole.
struct LatticeOffset {
    int a = 0, b = 0;
};
LatticeOffset latticeOffset(const RotatedPoint& point, float scale);
// The reciprocal-lattice-point position of a point (parallel projection along x, +y right).
struct PixelPoint {
    int x = 0, y = 0;
};
PixelPoint projectLatticePoint(const ProjectionFrame& f, const RotatedPoint& point);

// Where a direction of the view frame lands in the gnomonic or stereographic picture, exactly
// as the cone lines are drawn; none for a direction that does not point towards the film.
std::optional<PixelPoint> projectDirection(const ProjectionFrame& f, const Vec3d& direction,
                                           bool stereographic);

// Radius of the primitive circle for a picture of W x H units.
float stereoRadiusFor(int width, int height);

// The scale at which the whole film fits a picture of width x height units with a margin of 25
// units on each side of its tighter dimension. A film without width, height or distance cannot
// be fitted: the scale stays.
float fittedPatternScale(float scale, const std::array<float, 3>& film, int width, int height);

// The film caption "100 x 80 D=50".
std::string filmCaption(const std::array<float, 3>& film);

// Overlays of the projection: the film outline (gnomonic, with caption; stereographic, without)
// and, in the stereographic projection with lines, the primitive circle and the rings.
struct OverlayOptions {
    bool stereographic = false;
    bool showLines = true;
    bool filmOutline = true;
    // Where the viewing axis pierces the film, in fractions of its width and height from the
    // top left: the gnomonic outline lies where the recorded pattern on it does.
    double centreX = 0.5, centreY = 0.5;
    bool rings = false;
    bool printer = false;
};
void drawFilmOutline(DrawingSurface& surface, const ProjectionFrame& f, const OverlayOptions& o,
                     const std::array<float, 3>& film);
void drawStereographicCircles(DrawingSurface& surface, const ProjectionFrame& f,
                              const OverlayOptions& o);

} // namespace tavrel
