#include "session/orient.h"

#include "common/text.h"
#include "orientation/euler_angles.h"
#include "orientation/miller_indices.h"

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

namespace {

// An orientation text that names nothing; the caller's field says so.
Problem invalidText(const std::string& text) {
    return {inQuotes(text) + " is no orientation", Problem::Kind::WrongKind};
}

bool allFinite(const Vec3f& v) {
    return std::all_of(v.begin(), v.end(), [](float x) { return std::isfinite(x); });
}

// Four blank-separated numbers, or four digits each perhaps after a minus sign.
bool looksLikeFourIndices(const std::string& text) {
    const std::string t = trim(removeChars(text, "[]()"));
    if (splitBlanks(t).size() == 4) return true;
    return splitBlanks(t).size() == 1 &&
           std::count_if(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }) == 4;
}

Outcome applyVector(Simulation& sim, bool isDirect) {
    const std::string& text = sim.fields.orientation;
    std::optional<Vec3f> v;
    if (isHexagonalCell(sim.document.cell) && looksLikeFourIndices(text)) {
        const Result<Vec3d> three =
            parseFourIndexText(text, isDirect ? IndexKind::Direction : IndexKind::Plane);
        if (!three) return three.failure();
        v = Vec3f{static_cast<float>((*three)[0]), static_cast<float>((*three)[1]),
                  static_cast<float>((*three)[2])};
    } else {
        v = parseOrientationText(text);
    }
    if (v) {
        toCartesian(sim.document.matrices, *v, isDirect);
        // Numbers that fit a 4-byte float can still overflow once carried into the frame.
        if (!allFinite(*v)) v.reset();
    }
    if (!v) return invalidText(text);
    orientAlong(sim, *v);
    return {};
}

} // namespace

Outcome applyOrientationText(Simulation& sim) {
    switch (sim.fields.orientationType) {
    case OrientationType::Reciprocal:
        return applyVector(sim, false);
    case OrientationType::Direct:
        return applyVector(sim, true);
    case OrientationType::Euler:
        break;
    }
    const Result<EulerAngles> angles = parseEulerAnglesText(sim.fields.orientation);
    if (!angles) return invalidText(sim.fields.orientation);
    const LatticeMatrices& cell = sim.document.matrices;
    setOrientationMatrix(sim, sim.eulerFieldFrame.frame == EulerFrame::Picture
                                  ? orientationFromEulerAngles(*angles, cell)
                                  : orientationFromEulerIn(sim.eulerFieldFrame, *angles, cell));
    return {};
}

Outcome setOrientation(Simulation& sim, const std::string& text, OrientationType type) {
    sim.fields.orientationType = type;
    sim.fields.orientation = text;
    return applyOrientationText(sim);
}

void orientAlong(Simulation& sim, const Vec3f& v) {
    orientPoints(orientationMatrix(v), sim.reflections, sim.points);
    // The matrix carries v onto +z; the quarter turn about y brings +z onto the viewing axis.
    rotatePoints(sim.points, ViewAxis::Horizontal, -90.0f);
    sim.orientation = orientationAlongViewingAxis(v);
}

void setOrientationMatrix(Simulation& sim, const Mat3d& m) {
    orientPoints(toMat3f(m), sim.reflections, sim.points);
    sim.orientation = m;
}

void rotateAboutViewAxis(Simulation& sim, ViewAxis axis, float degrees) {
    rotatePoints(sim.points, axis, degrees);
    sim.orientation = viewAxisRotation(axis, degrees) * sim.orientation;
}

void turnByArrowKey(Simulation& sim, ArrowKey key) {
    if (!sim.reflections.generated || sim.points.empty()) return;
    switch (key) {
    case ArrowKey::Left:
        rotateAboutViewAxis(sim, ViewAxis::Vertical, -5.0f);
        break;
    case ArrowKey::Right:
        rotateAboutViewAxis(sim, ViewAxis::Vertical, 5.0f);
        break;
    case ArrowKey::Up:
        rotateAboutViewAxis(sim, ViewAxis::Horizontal, 5.0f);
        break;
    case ArrowKey::Down:
        rotateAboutViewAxis(sim, ViewAxis::Horizontal, -5.0f);
        break;
    }
    sortAlongViewingAxis(sim.points);
}

void applyPresetOrientation(Simulation& sim, int position) {
    if (position < 0 || position >= static_cast<int>(kPresetOrientations.size())) return;
    const PresetOrientation& p = kPresetOrientations[static_cast<std::size_t>(position)];
    if (p.text.empty()) return;
    (void)setOrientation(sim, std::string(p.text), p.type);
}

} // namespace tavrel
