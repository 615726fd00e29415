#pragma once
// Turning the reflection vectors into the view frame and about its axes.

#include "common/matrix3.h"
#include "crystal/reflections.h"
#include "crystal/unit_cell.h"
#include "orientation/point_table.h"

#include <optional>
#include <string>

namespace tavrel {

// The axes of the view frame by their numbers: 1 = x, the viewing axis (crystal towards film),
// 2 = y horizontal, 3 = z vertical.
enum class ViewAxis { Viewing = 1, Horizontal = 2, Vertical = 3 };

// The rotation that carries v onto +z: the turn by the tilt about y after the turn by the
// azimuth about z. Only v's direction matters; the null vector gives the turn of +x onto +z.
Mat3f orientationMatrix(const Vec3f& v);

// One point per reflection, in list order: (M * g_i, i), summed in 8 bytes and stored as floats.
void orientPoints(const Mat3f& m, const ReflectionList& reflections, PointTable& table);

// Turns every point about a view axis by `degrees` (a positive angle turns y towards +z about
// the viewing axis, x towards +z about the horizontal one, y towards +x about the vertical one).
void rotatePoints(PointTable& table, ViewAxis axis, float degrees);

// The matrix rotatePoints applies, with the same 4-byte roundings of the angle, its cosine and
// its sine: a caller that keeps the orientation matrix M multiplies it from the left by this
// one, so that M * g stays what the turned points hold. The identity for an unknown axis.
Mat3d viewAxisRotation(ViewAxis axis, float degrees);

// The arrow-key order: points by their component along the viewing axis, largest first.
void sortAlongViewingAxis(PointTable& table);

// The three numbers of an orientation text: three blank-separated tokens (leading-number rule
// each), or else exactly three characters taken one digit each ("001", "1-1" -> 1 0 1). No value
// when the text is neither, or when a number lies beyond the range of a 4-byte float.
std::optional<Vec3f> parseOrientationText(const std::string& text);

} // namespace tavrel
