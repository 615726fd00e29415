#pragma once
// The orientation matrix recovered from a point table: a restored table holds the turned points
// but not the matrix that turned them.

#include "common/matrix3.h"
#include "crystal/reflections.h"
#include "orientation/point_table.h"

#include <optional>

namespace tavrel {

// The rotation M for which M g_i comes nearest to the points (each point paired with its
// reflection through its index): the least-squares linear map from the reflection vectors to
// the points, then its nearest rotation (the orthogonal factor of its polar decomposition, by
// Newton's iteration). None when the reflection vectors span no 3-D space (all in one plane or
// on one line, or fewer than three), when the best map mirrors (determinant not positive), or
// when no point pairs with a reflection.
std::optional<Mat3d> fitOrientation(const PointTable& points, const ReflectionList& reflections);

// The nearest rotation to m (its polar factor), none when m is singular or mirrors.
std::optional<Mat3d> nearestRotation(const Mat3d& m);

} // namespace tavrel
