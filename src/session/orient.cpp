#include "session/orient.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

const std::array<PresetOrientation, 9> kPresetOrientations = {{
    {"a*  (100)", OrientationType::Reciprocal, "1 0 0"},
    {"b*  (010)", OrientationType::Reciprocal, "0 1 0"},
    {"c*  (001)", OrientationType::Reciprocal, "0 0 1"},
    {"d*  (111)", OrientationType::Reciprocal, "1 1 1"},
    {"", OrientationType::Reciprocal, ""},
    {"a   [100]", OrientationType::Direct, "1 0 0"},
    {"b   [010]", OrientationType::Direct, "0 1 0"},
    {"c   [001]", OrientationType::Direct, "0 0 1"},
    {"d   [111]", OrientationType::Direct, "1 1 1"},
}};

bool applyOrientationText(Simulation& sim, bool isDirect) {
    std::optional<Vec3f> v = parseOrientationText(sim.fields.orientation);
    if (v) {
        toCartesian(sim.document.matrices, *v, isDirect);
        // Numbers that fit a 4-byte float can still overflow once carried into the frame.
        if (!std::all_of(v->begin(), v->end(), [](float x) { return std::isfinite(x); })) v.reset();
    }
    if (!v) {
        sim.fields.orientation = "invalid";
        return false;
    }
    orientAlong(sim, *v);
    return true;
}

bool setOrientation(Simulation& sim, const std::string& text, OrientationType type) {
    sim.fields.orientationType = type;
    sim.fields.orientation = text;
    return applyOrientationText(sim, type == OrientationType::Direct);
}

void orientAlong(Simulation& sim, const Vec3f& v) {
    orientPoints(orientationMatrix(v), sim.reflections, sim.points);
    // The matrix carries v onto +z; the quarter turn about y brings +z onto the viewing axis.
    rotateAboutViewAxis(sim, ViewAxis::Horizontal, -90.0f);
}

void rotateAboutViewAxis(Simulation& sim, ViewAxis axis, float degrees) {
    rotatePoints(sim.points, axis, degrees);
}

void turnByArrowKey(Simulation& sim, ArrowKey key) {
    if (!sim.reflections.generated || sim.points.empty()) return;
    switch (key) {
    case ArrowKey::Left:
        rotatePoints(sim.points, ViewAxis::Vertical, -5.0f);
        break;
    case ArrowKey::Right:
        rotatePoints(sim.points, ViewAxis::Vertical, 5.0f);
        break;
    case ArrowKey::Up:
        rotatePoints(sim.points, ViewAxis::Horizontal, 5.0f);
        break;
    case ArrowKey::Down:
        rotatePoints(sim.points, ViewAxis::Horizontal, -5.0f);
        break;
    }
    sortAlongViewingAxis(sim.points);
}

void applyPresetOrientation(Simulation& sim, int position) {
    if (position < 0 || position >= static_cast<int>(kPresetOrientations.size())) return;
    const PresetOrientation& p = kPresetOrientations[static_cast<std::size_t>(position)];
    if (p.text.empty()) return;
    setOrientation(sim, std::string(p.text), p.type);
}

} // namespace tavrel
