#pragma once
// Turning the reflection vectors into the view frame and about its axes. Axis 1 = x is the
// viewing axis (crystal towards film), axis 2 = y horizontal, axis 3 = z vertical.

#include "crystal/unit_cell.h"
#include "orientation/point_table.h"

#include <optional>
#include <string>

namespace tavrel {

// The rotation that carries v onto +z: the turn by the tilt about y after the turn by the
// azimuth about z. Only v's direction matters; the null vector gives the turn of +x onto +z.
Mat3f orientationMatrix(const Vec3f& v);

// Rows (M * g_i, i) for the reflection vectors g_i, summed in 8 bytes and stored as floats.
void orientRows(const Mat3f& m, const std::vector<float>& gx, const std::vector<float>& gy,
                const std::vector<float>& gz, PointTable& table);

// Rotates columns 0..2 of every row about axis 1, 2 or 3 by `angle` degrees (a positive angle
// turns y towards +z about 1, x towards +z about 2, y towards +x about 3). Other axes: nothing.
void Rotate(PointTable& table, int axis, float angle);

// The arrow-key order: rows by their component along the viewing axis, largest first.
void sortRowsByViewAxis(PointTable& table);

// The three numbers of an orientation text: three blank-separated tokens (leading-number rule
// each), or else exactly three characters taken one digit each ("001", "1-1" -> 1 0 1). No value
// when the text is neither.
std::optional<Vec3f> parseOrientationText(const std::string& text);

} // namespace tavrel
