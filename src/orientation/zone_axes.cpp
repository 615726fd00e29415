#include "orientation/zone_axes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>

namespace tavrel {

namespace {

int indexSum(const IndexTriple& t) {
    return std::abs(t[0]) + std::abs(t[1]) + std::abs(t[2]);
}

bool firstNonZeroPositive(const IndexTriple& t) {
    for (int x : t)
        if (x != 0) return x > 0;
    return false;
}

} // namespace

Result<std::vector<ZoneAxis>> zoneAxes(const Mat3d& orientation, const LatticeMatrices& matrices,
                                       int maxIndex) {
    if (maxIndex < 1 || maxIndex > 6)
        return Problem{"The largest index of the zone axes must lie between 1 and 6, not " +
                       std::to_string(maxIndex)};
    const Mat3d toView = orientation * toMat3d(matrices.lattice);
    std::vector<ZoneAxis> axes;
    const int n = maxIndex;
    for (int i = -n; i <= n; ++i)
        for (int j = -n; j <= n; ++j)
            for (int k = -n; k <= n; ++k) {
                IndexTriple t{i, j, k};
                if (!firstNonZeroPositive(t) || commonDivisor(t) != 1) continue;
                Vec3d view = normalized(toView * Vec3d{1.0 * i, 1.0 * j, 1.0 * k});
                if (view[0] < 0) {
                    t = {-i, -j, -k};
                    view = -1.0 * view;
                }
                axes.push_back({t, view, angleBetween(view, {1, 0, 0}), view[0] > 0});
            }
    std::sort(axes.begin(), axes.end(), [](const ZoneAxis& a, const ZoneAxis& b) {
        return std::tuple(a.angleDegrees, indexSum(a.indices), a.indices) <
               std::tuple(b.angleDegrees, indexSum(b.indices), b.indices);
    });
    return axes;
}

Result<ZoneAxisTurn> nearestZoneAxis(const Mat3d& orientation, const LatticeMatrices& matrices,
                                     int maxIndex, double withinDegrees) {
    Result<std::vector<ZoneAxis>> axes = zoneAxes(orientation, matrices, maxIndex);
    if (!axes) return Problem{axes.problem()};
    // The list runs from the nearest outwards: the nearest is its first entry, and those within
    // reach come before all others.
    const ZoneAxis* chosen = &axes->front();
    for (const ZoneAxis& a : *axes) {
        if (!(a.angleDegrees <= withinDegrees)) break;
        if (indexSum(a.indices) < indexSum(chosen->indices)) chosen = &a;
    }
    ZoneAxisTurn turn;
    turn.axis = *chosen;
    const Vec3d viewingAxis{1, 0, 0};
    const Vec3d pivot = cross(chosen->view, viewingAxis);
    if (norm(pivot) > 0) turn.rotation = axisRotation(normalized(pivot), chosen->angleDegrees);
    turn.orientation = turn.rotation * orientation;
    return turn;
}

} // namespace tavrel
