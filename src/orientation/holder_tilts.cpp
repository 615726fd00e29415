#include "orientation/holder_tilts.h"

#include "common/numeric.h"
#include "orientation/euler_angles.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace tavrel {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// Tilts that exceed a limit by no more than the 4-byte noise of a turned orientation still reach
// it, and solutions that differ by no more than that count as equal.
constexpr double kTiltSlack = 0.001;

// Rx(alpha) Ry(beta) d = Z for the unit vector d of the sample frame: Ry(beta) d must be
// Rx(-alpha) Z = (0, sin alpha, cos alpha), so sin alpha = d_Y, and beta turns (d_X, d_Z) onto
// (0, cos alpha) with cos alpha >= 0, the only choice within +-90 degrees.
HolderTilts tiltsOnto(const Vec3d& d) {
    // + 0.0 turns -0 into 0, which would otherwise show as "-0.000".
    return {std::asin(std::clamp(d[1], -1.0, 1.0)) / kDegree + 0.0,
            std::atan2(-d[0], d[2]) / kDegree + 0.0, false};
}

double largestTilt(const HolderTilts& t) {
    return std::max(std::fabs(t.alpha), std::fabs(t.beta));
}

} // namespace

Result<HolderTilts> holderTiltsOnto(const Mat3d& orientation, const LatticeMatrices& matrices,
                                    const Vec3d& uvw, const HolderLimits& limits) {
    const Vec3d d = normalized(kSampleFromView * (orientation * (toMat3d(matrices.lattice) * uvw)));
    if (!(norm(d) > 0.5)) return Problem{"The null direction cannot be tilted onto the axis"};
    const HolderTilts direct = tiltsOnto(d);
    HolderTilts opposite = tiltsOnto(-1.0 * d);
    opposite.opposite = true;
    auto reaches = [&](const HolderTilts& t) {
        return std::fabs(t.alpha) <= limits.alpha + kTiltSlack &&
               std::fabs(t.beta) <= limits.beta + kTiltSlack;
    };
    const bool directReaches = reaches(direct), oppositeReaches = reaches(opposite);
    if (directReaches &&
        (!oppositeReaches || largestTilt(direct) <= largestTilt(opposite) + kTiltSlack))
        return direct;
    if (oppositeReaches) return opposite;
    const HolderTilts& nearer = largestTilt(direct) <= largestTilt(opposite) ? direct : opposite;
    const std::string text = "[" + formatNumber(uvw[0], "0.####") + " " +
                             formatNumber(uvw[1], "0.####") + " " + formatNumber(uvw[2], "0.####") +
                             "]";
    return Problem{"No holder tilts within alpha +-" + formatNumber(limits.alpha, "0.##") +
                   " and beta +-" + formatNumber(limits.beta, "0.##") + " degrees bring " + text +
                   " onto the viewing axis (alpha " + formatNumber(nearer.alpha, "0.0") +
                   ", beta " + formatNumber(nearer.beta, "0.0") + " needed)"};
}

Mat3d holderTiltRotation(const HolderTilts& t) {
    const double ca = std::cos(t.alpha * kDegree), sa = std::sin(t.alpha * kDegree);
    const double cb = std::cos(t.beta * kDegree), sb = std::sin(t.beta * kDegree);
    const Mat3d rx{{{1, 0, 0}, {0, ca, -sa}, {0, sa, ca}}};
    const Mat3d ry{{{cb, 0, sb}, {0, 1, 0}, {-sb, 0, cb}}};
    return transpose(kSampleFromView) * rx * ry * kSampleFromView;
}

Mat3d applyHolderTilts(const Mat3d& orientation, const HolderTilts& tilts) {
    return holderTiltRotation(tilts) * orientation;
}

} // namespace tavrel
