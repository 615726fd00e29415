#include "structure/cell_atoms.h"

#include "structure/scattering_factor.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace tavrel {

namespace {

// With the exact pi a right angle has a cosine of 0 (common's kDegToRad keeps the ten-digit pi
// of the d-spacings that users compare with their tables).
constexpr double kRadiansPerDegree = std::numbers::pi / 180;

using Metric = std::array<std::array<double, 3>, 3>;

// G with G[i][j] = a_i . a_j, for distances from fractional differences.
Metric metricOf(const UnitCell& cell) {
    const double a = cell.a(), b = cell.b(), c = cell.c();
    const double cosAlpha = std::cos(cell.alpha() * kRadiansPerDegree);
    const double cosBeta = std::cos(cell.beta() * kRadiansPerDegree);
    const double cosGamma = std::cos(cell.gamma() * kRadiansPerDegree);
    return {{{a * a, a * b * cosGamma, a * c * cosBeta},
             {a * b * cosGamma, b * b, b * c * cosAlpha},
             {a * c * cosBeta, b * c * cosAlpha, c * c}}};
}

// Squared distance between two positions through the nearest cell edge.
double squaredDistance(const Metric& g, const std::array<double, 3>& p,
                       const std::array<double, 3>& q) {
    std::array<double, 3> delta{};
    for (std::size_t i = 0; i < 3; ++i) delta[i] = (p[i] - q[i]) - std::round(p[i] - q[i]);
    double sum = 0;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) sum += delta[i] * g[i][j] * delta[j];
    return sum;
}

double exactTranslation(float t) {
    const double twentyFourths = std::round(static_cast<double>(t) * 24.0);
    if (std::abs(static_cast<double>(t) * 24.0 - twentyFourths) < 24e-5)
        return twentyFourths / 24.0;
    return static_cast<double>(t);
}

} // namespace

namespace {

std::string doubleText(double value) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

} // namespace

Outcome checkAtomSite(const AtomSite& site) {
    const std::string name = "Atom site \"" + site.label + "\"";
    const Result<Species> species =
        speciesOf(site.typeSymbol.empty() ? site.label : site.typeSymbol);
    if (!species) return Problem{name + ": " + species.problem()};
    for (const Scattering kind : {Scattering::XRay, Scattering::Electron})
        if (const Result<ScatteringFactor> factor = ScatteringFactor::of(*species, kind); !factor)
            return Problem{name + ": " + factor.problem()};
    if (!std::isfinite(site.x) || !std::isfinite(site.y) || !std::isfinite(site.z))
        return Problem{name + " has no usable coordinates"};
    if (!(site.occupancy >= 0 && site.occupancy <= kLargestOccupancy))
        return Problem{name + ": its occupancy " + doubleText(site.occupancy) +
                       " lies outside 0 to " + doubleText(kLargestOccupancy)};
    if (!(site.bIso >= kSmallestB && site.bIso <= kLargestB))
        return Problem{name + ": its displacement B = " + doubleText(site.bIso) +
                       " square angstrom lies outside " + doubleText(kSmallestB) + " to " +
                       doubleText(kLargestB)};
    return {};
}

double wrapIntoCell(double x) {
    const double wrapped = x - std::floor(x);
    return wrapped >= 1.0 ? 0.0 : wrapped;
}

std::array<double, 3> applyOperation(const Matrix4& m, const std::array<double, 3>& fractional) {
    std::array<double, 3> image{};
    for (std::size_t row = 0; row < 3; ++row) {
        double sum = exactTranslation(m[row][3]);
        for (std::size_t column = 0; column < 3; ++column)
            sum += std::round(static_cast<double>(m[row][column])) * fractional[column];
        image[row] = sum;
    }
    return image;
}

Result<std::vector<CellAtom>> expandToCell(std::span<const AtomSite> sites,
                                           std::span<const SymOp> operations, const UnitCell& cell,
                                           double sameAtomDistance) {
    if (checkCell(cell) != LatticeStatus::Ok) return Problem{kInvalidCellMessage};
    const Metric metric = metricOf(cell);
    const double squaredLimit = sameAtomDistance * sameAtomDistance;

    std::vector<CellAtom> atoms;
    for (std::size_t index = 0; index < sites.size(); ++index) {
        const AtomSite& site = sites[index];
        if (Outcome checked = checkAtomSite(site); !checked) return Problem{checked.problem()};
        const Species species =
            speciesOf(site.typeSymbol.empty() ? site.label : site.typeSymbol).value();

        const std::size_t first = atoms.size();
        auto add = [&](const std::array<double, 3>& position) {
            const std::array<double, 3> wrapped{
                wrapIntoCell(position[0]), wrapIntoCell(position[1]), wrapIntoCell(position[2])};
            for (std::size_t i = first; i < atoms.size(); ++i)
                if (squaredDistance(metric, atoms[i].position, wrapped) < squaredLimit) return;
            atoms.push_back(CellAtom{index, species, site.occupancy, site.bIso, wrapped});
        };
        const std::array<double, 3> position{site.x, site.y, site.z};
        add(position);
        for (const SymOp& operation : operations) add(applyOperation(operation.m, position));
    }
    return atoms;
}

} // namespace tavrel
