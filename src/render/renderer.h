#pragma once
// The only painting path: the whole picture (poles or cone lines of every reflection in the
// current orientation, the highlighted lines of selected reflections, the overlays) drawn from a
// read-only view of what it shows, and the pick that names the line under a click.

#include "crystal/reflections.h"
#include "detector/detector.h"
#include "orientation/miller_indices.h"
#include "orientation/point_table.h"
#include "render/colour_table.h"
#include "render/cone_tracer.h"
#include "render/selection.h"
#include "render/surface.h"
#include "render/view_state.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavrel {

class DrawingSurface;

// A recorded pattern under the lines: it lies on the detector of the film with this pattern
// centre, where imagePlacement puts it.
struct Underlay {
    GreyPicture picture;
    PatternCentre centre;
    float opacity = 1;
};

// What a picture of the pattern is drawn from.
struct PatternInput {
    const ReflectionList& reflections;
    const PointTable& points;
    const ViewState& view;
    const ColourTable& colours;
    const Selection& selection;
    std::array<float, 2> wavelength{}; // angstrom; 0 = unused
    float dMin = 0, dMax = 0;          // the colour ramp runs over this d range
    float threshold = 0;               // lines only for reflections with d above it
    std::array<float, 3> film{};       // width, height, distance (mm)
    bool dragging = false;             // coarser lines while the pointer drags the crystal
    // The relative intensity (per cent of the strongest) of each reflection, by list index;
    // empty when the structure has no atoms. Reflections below minIntensity get no line and no
    // point.
    std::span<const float> intensity{};
    float minIntensity = 0;
    // The orientation (lattice Cartesian into view frame) and the cell's matrices, for the zone
    // axes; four indices only for a hexagonal cell.
    const Mat3d* orientation = nullptr;
    const LatticeMatrices* matrices = nullptr;
    bool hexagonal = false;
    // Drawn first, in the gnomonic projection of the lines only (the film is flat).
    std::optional<Underlay> underlay = std::nullopt;
    // Where the viewing axis pierces the film: the outline of the film lies around it.
    PatternCentre filmCentre{};
};

// Drawing for the printer: lines and texts scaled by the print factor (except the
// stereographic projection with lines), thicker highlight pens, the printer's ring colour.
struct PrintContext {
    float printFactor = 1;
};

// What a picture shows besides itself: the texts of the status bar's first two panels.
struct DrawSummary {
    std::int32_t reflectionCount = 0;
    std::int32_t tracedCount = 0; // cones traced (whether or not anything of them was visible)
    std::optional<std::int32_t> nearestPole; // the reflection whose pole is nearest the centre
    std::string countText;                   // "54 hkl (54 visible)"
    std::string nearestPoleText;             // "approx. (0 0 2)"
};

// A zone axis marked on the picture, as a click finds it.
struct ZoneAxisPick {
    IndexTriple indices{};
    double angleDegrees = 0; // from the viewing axis
    int x = 0, y = 0;        // its marker
};

// Keeps the buffers of the cone samples from one picture to the next; its results are those of
// a single loop over the points in table order, whether or not sampling runs on several
// threads.
class Renderer {
public:
    explicit Renderer(int threads = 0); // 0: as many as the machine has cores

    // Draws the whole picture on the surface. Draws nothing (and gives no summary) while no
    // reflections have been generated.
    std::optional<DrawSummary> draw(const PatternInput& input, DrawingSurface& surface,
                                    const PrintContext* print = nullptr);

    // The reflection a click at (x, y) on a picture of width x height names: the one with a
    // drawn sample point of its line nearest to the click (in the lattice-point mode, the one
    // whose drawn point is nearest), the first in table order on a tie. Nothing is named when
    // nothing drawn lies within 999 units.
    std::optional<std::int32_t> pick(const PatternInput& input, int width, int height, float x,
                                     float y);

    // The zone axis whose marker lies nearest to a click, within a few units; none where the
    // picture marks none.
    std::optional<ZoneAxisPick> pickZoneAxis(const PatternInput& input, int width, int height,
                                             float x, float y) const;

private:
    TraceSettings traceSettings(const PatternInput& input, int width, int height,
                                float printScale) const;
    // Lists the points whose lines are traced (d above the threshold) in tracedRows_, makes
    // room for their samples in cones_, and returns how many there are.
    std::size_t prepareCones(const PatternInput& input);
    // Samples the lines of the traced points from .. to - 1 into cones_.
    void sampleRange(const PatternInput& input, const ConeTracer& tracer, std::size_t from,
                     std::size_t to);
    // Samples them all, on every core.
    void sampleCones(const PatternInput& input, const ConeTracer& tracer);

    int threads_;
    std::vector<TracedCone> cones_;
    std::vector<std::size_t> tracedRows_;
};

// "approx. (h k l)" / "clicked (h k l)" texts of the status bar, "(h k i l)" with fourIndex.
std::string nearestPoleText(const ReflectionList& reflections, std::int32_t index,
                            bool fourIndex = false);
std::string clickedText(const ReflectionList& reflections, std::int32_t index,
                        bool fourIndex = false);

// "zone [1 1 1], 0.8° from the centre" ("[2 -1 -1 0]" with fourIndex).
std::string zoneAxisText(const ZoneAxisPick& pick, bool fourIndex);

} // namespace tavrel
