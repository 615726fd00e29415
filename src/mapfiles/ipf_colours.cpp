#include "mapfiles/ipf_colours.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavrel {
namespace {

constexpr RgbColour kRed{1, 0, 0}, kGreen{0, 1, 0}, kBlue{0, 0, 1};

Vec3d unit(double x, double y, double z) {
    return normalized(Vec3d{x, y, z});
}
Vec3d inPlane(double degrees) {
    const double a = degrees * std::numbers::pi / 180.0;
    return {std::cos(a), std::sin(a), 0};
}

// A spherical triangle of the sector with the colours of its corners, and the matrix that
// gives a direction's weights on the corners.
struct Triangle {
    Triangle(std::array<Vec3d, 3> c, std::array<RgbColour, 3> k) : corners(c), colours(k) {
        Mat3d m{};
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = 0; j < 3; ++j) m[i][j] = corners[j][i];
        weights = inverseByCofactors(m, 1e-12).value_or(Mat3d{});
    }
    std::array<Vec3d, 3> corners;
    std::array<RgbColour, 3> colours;
    Mat3d weights;
};

// The classes whose sector is not one triangle (m-3, 2/m, -1) have it cut into triangles whose
// corners the class identifies (m-3's [1 0 1] and [0 1 1], the -1 sector's opposite points on
// its rim) coloured alike, so that the key has no seam where the symmetry joins edges.
std::vector<Triangle> sectorOf(LaueClass laue) {
    const Vec3d z{0, 0, 1}, x{1, 0, 0}, y{0, 1, 0};
    switch (laue) {
    case LaueClass::Cubic:
        return {{{z, unit(1, 0, 1), unit(1, 1, 1)}, {kRed, kGreen, kBlue}}};
    case LaueClass::CubicLow:
        return {{{z, unit(1, 0, 1), unit(1, 1, 1)}, {kRed, kGreen, kBlue}},
                {{z, unit(0, 1, 1), unit(1, 1, 1)}, {kRed, kGreen, kBlue}}};
    case LaueClass::Hexagonal:
        return {{{z, x, inPlane(30)}, {kRed, kGreen, kBlue}}};
    case LaueClass::HexagonalLow:
        return {{{z, x, inPlane(60)}, {kRed, kGreen, kBlue}}};
    case LaueClass::Trigonal:
        return {{{z, inPlane(30), y}, {kRed, kGreen, kBlue}}};
    case LaueClass::TrigonalLow:
        return {{{z, x, inPlane(120)}, {kRed, kGreen, kBlue}}};
    case LaueClass::Tetragonal:
        return {{{z, x, unit(1, 1, 0)}, {kRed, kGreen, kBlue}}};
    case LaueClass::TetragonalLow:
    case LaueClass::Orthorhombic:
        return {{{z, x, y}, {kRed, kGreen, kBlue}}};
    case LaueClass::Monoclinic:
        return {{{z, x, y}, {kRed, kGreen, kBlue}},
                {{z, Vec3d{-1, 0, 0}, y}, {kRed, kGreen, kBlue}}};
    case LaueClass::Triclinic:
        break;
    }
    return {{{z, x, y}, {kRed, kGreen, kBlue}},
            {{z, y, Vec3d{-1, 0, 0}}, {kRed, kBlue, kGreen}},
            {{z, Vec3d{-1, 0, 0}, Vec3d{0, -1, 0}}, {kRed, kGreen, kBlue}},
            {{z, Vec3d{0, -1, 0}, x}, {kRed, kBlue, kGreen}}};
}

// Weights w with d = sum w_i corner_i; a direction lies in the triangle when all are >= 0.
Vec3d weightsIn(const Triangle& t, const Vec3d& d) {
    return t.weights * d;
}
double depthIn(const Vec3d& w) {
    return std::min({w[0], w[1], w[2]});
}

RgbColour colourOf(const Triangle& t, const Vec3d& w) {
    const double total = w[0] + w[1] + w[2];
    RgbColour c{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t k = 0; k < 3; ++k) c[k] += std::max(0.0, w[i] / total) * t.colours[i][k];
    const double top = std::max({c[0], c[1], c[2]});
    if (top > 0)
        for (auto& v : c) v /= top;
    return c;
}

// The colour of a crystal direction: of all its equivalents in the sector, the one deepest
// inside (ties, on edges the class identifies, to the larger weights), so that equivalent
// directions always pick the same one.
RgbColour colourOfDirection(const Vec3d& direction, const std::vector<Mat3d>& rotations,
                            const std::vector<Triangle>& sector) {
    const Vec3d d = normalized(direction);
    double best = -1;
    Vec3d bestWeights{};
    const Triangle* bestTriangle = nullptr;
    for (const auto& r : rotations)
        for (const double sign : {1.0, -1.0}) {
            const Vec3d e = sign * (r * d);
            for (const auto& t : sector) {
                const Vec3d w = weightsIn(t, e);
                const double depth = depthIn(w);
                if (depth < -1e-9) continue;
                const bool deeper = depth > best + 1e-9;
                const bool tie = std::abs(depth - best) <= 1e-9 &&
                                 std::lexicographical_compare(
                                     bestWeights.begin(), bestWeights.end(), w.begin(), w.end());
                if (deeper || tie) {
                    best = std::max(best, depth);
                    bestWeights = w;
                    bestTriangle = &t;
                }
            }
        }
    return bestTriangle ? colourOf(*bestTriangle, bestWeights) : RgbColour{0, 0, 0};
}

void addTurns(std::vector<Mat3d>& group, const Vec3d& axis, int fold) {
    for (int k = 1; k < fold; ++k) group.push_back(axisRotation(axis, 360.0 * k / fold));
}

// Closes a set of rotations under products, entries rounded to remove drift.
std::vector<Mat3d> closed(std::vector<Mat3d> group) {
    auto same = [](const Mat3d& a, const Mat3d& b) { return maxDifference(a, b) < 1e-6; };
    for (std::size_t i = 0; i < group.size(); ++i)
        for (std::size_t j = 0; j <= i; ++j)
            for (const Mat3d& p : {group[i] * group[j], group[j] * group[i]})
                if (std::none_of(group.begin(), group.end(),
                                 [&](const Mat3d& g) { return same(g, p); }))
                    group.push_back(p);
    return group;
}

} // namespace

LaueClass laueClassOf(int n) {
    if (n >= 207 && n <= 230) return LaueClass::Cubic;
    if (n >= 195) return n <= 206 ? LaueClass::CubicLow : LaueClass::Triclinic;
    if (n >= 177) return LaueClass::Hexagonal;
    if (n >= 168) return LaueClass::HexagonalLow;
    if (n >= 149) return LaueClass::Trigonal;
    if (n >= 143) return LaueClass::TrigonalLow;
    if (n >= 89) return LaueClass::Tetragonal;
    if (n >= 75) return LaueClass::TetragonalLow;
    if (n >= 16) return LaueClass::Orthorhombic;
    if (n >= 3) return LaueClass::Monoclinic;
    return LaueClass::Triclinic;
}

LaueClass laueClassOf(const SpaceGroup& group) {
    return laueClassOf(group.number());
}

const char* laueSymbol(LaueClass laue) {
    switch (laue) {
    case LaueClass::Triclinic:
        return "-1";
    case LaueClass::Monoclinic:
        return "2/m";
    case LaueClass::Orthorhombic:
        return "mmm";
    case LaueClass::TetragonalLow:
        return "4/m";
    case LaueClass::Tetragonal:
        return "4/mmm";
    case LaueClass::TrigonalLow:
        return "-3";
    case LaueClass::Trigonal:
        return "-3m";
    case LaueClass::HexagonalLow:
        return "6/m";
    case LaueClass::Hexagonal:
        return "6/mmm";
    case LaueClass::CubicLow:
        return "m-3";
    case LaueClass::Cubic:
        return "m-3m";
    }
    return "";
}

std::vector<Mat3d> laueRotations(LaueClass laue) {
    const Vec3d x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    std::vector<Mat3d> group{kIdentity3d};
    switch (laue) {
    case LaueClass::Triclinic:
        break;
    case LaueClass::Monoclinic:
        addTurns(group, y, 2);
        break;
    case LaueClass::Orthorhombic:
        addTurns(group, x, 2), addTurns(group, z, 2);
        break;
    case LaueClass::TetragonalLow:
        addTurns(group, z, 4);
        break;
    case LaueClass::Tetragonal:
        addTurns(group, z, 4), addTurns(group, x, 2);
        break;
    case LaueClass::TrigonalLow:
        addTurns(group, z, 3);
        break;
    case LaueClass::Trigonal:
        addTurns(group, z, 3), addTurns(group, x, 2);
        break;
    case LaueClass::HexagonalLow:
        addTurns(group, z, 6);
        break;
    case LaueClass::Hexagonal:
        addTurns(group, z, 6), addTurns(group, x, 2);
        break;
    case LaueClass::CubicLow:
        addTurns(group, z, 2), addTurns(group, x, 2), addTurns(group, unit(1, 1, 1), 3);
        break;
    case LaueClass::Cubic:
        addTurns(group, z, 4), addTurns(group, unit(1, 1, 1), 3);
        break;
    }
    return closed(std::move(group));
}

RgbColour ipfColour(const Mat3d& g, LaueClass laue, const Vec3d& specimenDirection) {
    return colourOfDirection(g * specimenDirection, laueRotations(laue), sectorOf(laue));
}

RgbColour ipfColour(const EulerAngles& angles, LaueClass laue, const Vec3d& specimenDirection) {
    return ipfColour(eulerMatrix(angles), laue, specimenDirection);
}

IpfKeyImage ipfKeyImage(LaueClass laue, int width) {
    const auto sector = sectorOf(laue);
    const auto rotations = laueRotations(laue);
    // Stereographic projection from the south pole: the sector's edges, sampled, bound it.
    auto project = [](const Vec3d& d) {
        const Vec3d u = normalized(d);
        return std::array<double, 2>{u[0] / (1 + u[2]), u[1] / (1 + u[2])};
    };
    double left = 1e9, right = -1e9, bottom = 1e9, top = -1e9;
    for (const auto& t : sector)
        for (std::size_t i = 0; i < 3; ++i)
            for (int s = 0; s <= 64; ++s) {
                const double f = s / 64.0;
                const auto p = project((1 - f) * t.corners[i] + f * t.corners[(i + 1) % 3]);
                left = std::min(left, p[0]), right = std::max(right, p[0]);
                bottom = std::min(bottom, p[1]), top = std::max(top, p[1]);
            }
    IpfKeyImage image;
    image.width = std::max(width, 2);
    const double scale = (image.width - 1) / std::max(right - left, 1e-9);
    image.height = std::max(2, static_cast<int>(std::ceil((top - bottom) * scale)) + 1);
    image.rgba.assign(
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4, 0);
    for (int row = 0; row < image.height; ++row)
        for (int column = 0; column < image.width; ++column) {
            const double px = left + column / scale, py = top - row / scale;
            const double r2 = px * px + py * py;
            const Vec3d d{2 * px / (1 + r2), 2 * py / (1 + r2), (1 - r2) / (1 + r2)};
            const bool inside = std::any_of(sector.begin(), sector.end(), [&](const Triangle& t) {
                return depthIn(weightsIn(t, d)) >= -1e-9;
            });
            if (!inside) continue;
            const RgbColour c = colourOfDirection(d, rotations, sector);
            std::uint8_t* pixel =
                &image.rgba[(static_cast<std::size_t>(row) * static_cast<std::size_t>(image.width) +
                             static_cast<std::size_t>(column)) *
                            4];
            for (std::size_t k = 0; k < 3; ++k)
                pixel[k] = static_cast<std::uint8_t>(std::lround(255 * c[k]));
            pixel[3] = 255;
        }
    for (const auto& t : sector)
        for (const auto& corner : t.corners) {
            if (std::any_of(image.corners.begin(), image.corners.end(),
                            [&](const auto& c) { return norm(c.direction - corner) < 1e-9; }))
                continue;
            const auto p = project(corner);
            image.corners.push_back(
                {normalized(corner), (p[0] - left) * scale, (top - p[1]) * scale});
        }
    return image;
}

} // namespace tavrel
