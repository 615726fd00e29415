#include "session/orient.h"

#include "orientation/rotation.h"

namespace tavrel {

const std::array<PresetOrientation, 9> kPresetOrientations = {{
    {"a*  (100)", kOrientationHkl, "1 0 0"},
    {"b*  (010)", kOrientationHkl, "0 1 0"},
    {"c*  (001)", kOrientationHkl, "0 0 1"},
    {"d*  (111)", kOrientationHkl, "1 1 1"},
    {"", -1, ""},
    {"a   [100]", kOrientationUvw, "1 0 0"},
    {"b   [010]", kOrientationUvw, "0 1 0"},
    {"c   [001]", kOrientationUvw, "0 0 1"},
    {"d   [111]", kOrientationUvw, "1 1 1"},
}};

void applyOrientationText(Session& s, bool isDirect) {
    std::optional<Vec3f> v = parseOrientationText(s.fields.orientation);
    if (!v) {
        s.fields.orientation = "invalid";
        return;
    }
    toCartesian(s.doc.matrices, *v, isDirect);
    DoOrient2(s, *v);
}

void DoOrient2(Session& s, const Vec3f& v) {
    const ReflectionList& r = s.reflections;
    orientRows(orientationMatrix(v), r.gx, r.gy, r.gz, s.points);
    // The matrix carries v onto +z; the quarter turn about y brings +z onto the viewing axis.
    Do_Rotate(s, 2, -90.0f);
}

void Do_Rotate(Session& s, int axis, float angle) {
    Rotate(s.points, axis, angle);
    s.requestRedraw();
}

void turnByArrowKey(Session& s, ArrowKey key) {
    if (!s.reflections.generated || s.points.rows.empty()) return;
    switch (key) {
    case ArrowKey::Left:
        Rotate(s.points, 3, -5.0f);
        break;
    case ArrowKey::Right:
        Rotate(s.points, 3, 5.0f);
        break;
    case ArrowKey::Up:
        Rotate(s.points, 2, 5.0f);
        break;
    case ArrowKey::Down:
        Rotate(s.points, 2, -5.0f);
        break;
    }
    sortRowsByViewAxis(s.points);
    s.requestRedraw();
}

void applyPresetOrientation(Session& s, int position) {
    if (position < 0 || position >= static_cast<int>(kPresetOrientations.size())) return;
    const PresetOrientation& p = kPresetOrientations[static_cast<std::size_t>(position)];
    if (p.type < 0) return;
    s.fields.orientationType = p.type;
    s.fields.orientation = std::string(p.text);
    applyOrientationText(s, p.type == kOrientationUvw);
}

} // namespace tavrel
