#include "orientation/direction_names.h"

#include "common/numeric.h"
#include "orientation/euler_angles.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace tavrel {

namespace {

constexpr int kLargestNamingIndex = 16;

// Columns: the Cartesian vectors of the unit indices, of directions or of plane normals.
Mat3d indexBasis(const LatticeMatrices& matrices, IndexKind kind) {
    return kind == IndexKind::Direction ? toMat3d(matrices.lattice)
                                        : transpose(toMat3d(matrices.inverse));
}

int largestIndex(const IndexTriple& t) {
    return std::max({std::abs(t[0]), std::abs(t[1]), std::abs(t[2])});
}

int indexSum(const IndexTriple& t) {
    return std::abs(t[0]) + std::abs(t[1]) + std::abs(t[2]);
}

// Every triple in lowest terms up to the largest bound, one of each pair +-t (the first index
// that is not 0 positive), lower indices first: the triples up to a bound n are a prefix.
struct NamingCandidates {
    std::vector<IndexTriple> triples;
    std::array<std::size_t, kLargestNamingIndex + 1> endOfBound{};
};

const NamingCandidates& namingCandidates() {
    static const NamingCandidates candidates = [] {
        NamingCandidates c;
        const int n = kLargestNamingIndex;
        for (int i = 0; i <= n; ++i)
            for (int j = i == 0 ? 0 : -n; j <= n; ++j)
                for (int k = i == 0 && j == 0 ? 1 : -n; k <= n; ++k)
                    if (commonDivisor({i, j, k}) == 1) c.triples.push_back({i, j, k});
        std::stable_sort(c.triples.begin(), c.triples.end(),
                         [](const IndexTriple& a, const IndexTriple& b) {
                             return std::pair(largestIndex(a), indexSum(a)) <
                                    std::pair(largestIndex(b), indexSum(b));
                         });
        // Counts per largest index, summed into the end of each bound's prefix.
        for (const IndexTriple& t : c.triples)
            ++c.endOfBound[static_cast<std::size_t>(largestIndex(t))];
        for (std::size_t bound = 1; bound < c.endOfBound.size(); ++bound)
            c.endOfBound[bound] += c.endOfBound[bound - 1];
        return c;
    }();
    return candidates;
}

} // namespace

std::optional<DirectionName> nameDirection(const Vec3d& cartesian, const LatticeMatrices& matrices,
                                           IndexKind kind, int maxIndex) {
    const Vec3d v = normalized(cartesian);
    if (!std::isfinite(dot(v, v)) || !(dot(v, v) > 0)) return std::nullopt;
    const Mat3d b = indexBasis(matrices, kind);
    const NamingCandidates& candidates = namingCandidates();
    const std::size_t end =
        candidates
            .endOfBound[static_cast<std::size_t>(std::clamp(maxIndex, 1, kLargestNamingIndex))];
    // Compared by the squared cosine, without a root per triple; of equally near ones the first,
    // the lower-index one, stays.
    double bestSquare = -1;
    std::size_t best = 0;
    bool flipped = false;
    for (std::size_t n = 0; n < end; ++n) {
        const IndexTriple& t = candidates.triples[n];
        const double x = t[0], y = t[1], z = t[2];
        const Vec3d c{b[0][0] * x + b[0][1] * y + b[0][2] * z,
                      b[1][0] * x + b[1][1] * y + b[1][2] * z,
                      b[2][0] * x + b[2][1] * y + b[2][2] * z};
        const double d = dot(v, c);
        const double square = d * d / dot(c, c);
        if (square > bestSquare * (1 + 1e-15)) {
            bestSquare = square;
            best = n;
            flipped = d < 0;
        }
    }
    DirectionName name;
    name.kind = kind;
    name.indices = candidates.triples[best];
    if (flipped)
        for (int& index : name.indices) index = -index;
    const IndexTriple& t = name.indices;
    name.angleDegrees = angleBetween(v, b * Vec3d{1.0 * t[0], 1.0 * t[1], 1.0 * t[2]});
    name.close = name.angleDegrees <= kNamingToleranceDegrees;
    return name;
}

std::string directionNameText(const DirectionName& name, bool fourIndex) {
    const std::string indices =
        fourIndex ? fourIndexText(name.indices, name.kind) : indexText(name.indices, name.kind);
    if (name.close) return indices;
    return "~" + indices + " " + formatNumber(name.angleDegrees, "0.0") + "\u00B0";
}

std::optional<SampleFrameNames> sampleFrameNames(const Mat3d& orientation,
                                                 const LatticeMatrices& matrices, int maxIndex) {
    // A sample axis in lattice Cartesian coordinates: M^T P^T e, and P^T e is P's row e.
    std::array<SampleAxisNames, 3> names{};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const Vec3d cartesian = transpose(orientation) * kSampleFromView[axis];
        const auto direction = nameDirection(cartesian, matrices, IndexKind::Direction, maxIndex);
        const auto plane = nameDirection(cartesian, matrices, IndexKind::Plane, maxIndex);
        if (!direction || !plane) return std::nullopt;
        names[axis] = {*direction, *plane};
    }
    return SampleFrameNames{names[2], names[0], names[1]};
}

} // namespace tavrel
