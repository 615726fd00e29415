#include "structure/cell_atoms.h"

#include "structure/scattering_factor.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
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

// The kept images of one site by the bin of the cell they lie in, so that an image is compared
// only with those that can lie within the merging distance: a bin is at least twice that
// distance wide along each axis (in fractions, the distance times the reciprocal length
// |a*_i| bounds the change of coordinate i), so the images within reach lie in at most two bins
// per axis. Without it every image would be compared with every earlier one, 192^2 / 2 times
// for a general position in Fd-3m.
class ImageBins {
public:
    // `images`: the most images of one site that will be kept.
    ImageBins(const Metric& g, double distance, std::size_t images) {
        std::size_t slots = 16;
        while (slots < 4 * images) slots *= 2;
        slots_.assign(slots, Slot{});
        // The reciprocal lengths are the square roots of the diagonal of G's inverse.
        const double det = g[0][0] * (g[1][1] * g[2][2] - g[1][2] * g[2][1]) -
                           g[0][1] * (g[1][0] * g[2][2] - g[1][2] * g[2][0]) +
                           g[0][2] * (g[1][0] * g[2][1] - g[1][1] * g[2][0]);
        const std::array<double, 3> inverseDiagonal{(g[1][1] * g[2][2] - g[1][2] * g[2][1]) / det,
                                                    (g[0][0] * g[2][2] - g[0][2] * g[2][0]) / det,
                                                    (g[0][0] * g[1][1] - g[0][1] * g[1][0]) / det};
        for (std::size_t i = 0; i < 3; ++i) {
            // A little more than the bound, so that rounding never loses an image at its edge.
            reach_[i] = distance > 0 ? 1.000001 * distance * std::sqrt(inverseDiagonal[i]) : 0;
            // At most 2^20 bins an axis, so that a bin's three numbers make one key.
            const double fit = reach_[i] > 0 ? std::floor(0.5 / reach_[i]) : 1;
            count_[i] = static_cast<std::int64_t>(std::clamp(fit, 1.0, 1048576.0));
        }
    }

    void clear() {
        for (const std::size_t used : used_) slots_[used] = Slot{};
        used_.clear();
        next_.clear();
    }

    // Whether `near` holds for a kept image in the bins within reach of `p`.
    template <class Near> bool any(const std::array<double, 3>& p, Near near) const {
        std::array<std::array<std::int64_t, 2>, 3> range{};
        std::array<int, 3> extent{};
        for (std::size_t i = 0; i < 3; ++i) {
            const std::int64_t low = binOf(p[i] - reach_[i], i);
            const std::int64_t high = binOf(p[i] + reach_[i], i);
            range[i] = {low, high};
            extent[i] = low == high ? 1 : 2;
        }
        for (int a = 0; a < extent[0]; ++a)
            for (int b = 0; b < extent[1]; ++b)
                for (int c = 0; c < extent[2]; ++c) {
                    const Slot& slot =
                        slots_[slotOf(keyOf({range[0][static_cast<std::size_t>(a)],
                                             range[1][static_cast<std::size_t>(b)],
                                             range[2][static_cast<std::size_t>(c)]}))];
                    for (std::size_t i = slot.latest; i != kNone; i = next_[i])
                        if (near(i)) return true;
                }
        return false;
    }

    // Keeps image number `image` (counted from the site's first) at `p`.
    void insert(const std::array<double, 3>& p, std::size_t image) {
        const std::uint64_t key = keyOf({binOf(p[0], 0), binOf(p[1], 1), binOf(p[2], 2)});
        next_.resize(image + 1, kNone);
        const std::size_t at = slotOf(key);
        Slot& slot = slots_[at];
        if (slot.latest == kNone) used_.push_back(at);
        slot.key = key;
        next_[image] = slot.latest;
        slot.latest = image;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // The bin of a coordinate, taken round the cell's edges.
    std::int64_t binOf(double x, std::size_t axis) const {
        const double wrapped = x - std::floor(x);
        const auto bin = static_cast<std::int64_t>(wrapped * static_cast<double>(count_[axis]));
        return std::clamp<std::int64_t>(bin, 0, count_[axis] - 1);
    }
    // The slot of a bin's key, or the free slot where it would go (open addressing: there are
    // at least four slots for each image, so a free one is always near).
    std::size_t slotOf(std::uint64_t key) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t at = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) & mask;
        while (slots_[at].latest != kNone && slots_[at].key != key) at = (at + 1) & mask;
        return at;
    }
    static std::uint64_t keyOf(const std::array<std::int64_t, 3>& bin) {
        return static_cast<std::uint64_t>(bin[0]) << 42 | static_cast<std::uint64_t>(bin[1]) << 21 |
               static_cast<std::uint64_t>(bin[2]);
    }

    std::array<double, 3> reach_{};
    std::array<std::int64_t, 3> count_{};
    struct Slot {
        std::uint64_t key = 0;
        std::size_t latest = kNone; // the bin's latest kept image, kNone for a free slot
    };
    std::vector<Slot> slots_;
    std::vector<std::size_t> used_; // the slots taken for this site
    std::vector<std::size_t> next_; // image -> the bin's image kept before it
};

// An operation in 8-byte arithmetic, as applyOperation describes it.
struct ExactOperation {
    std::array<std::array<double, 3>, 3> rotation{};
    std::array<double, 3> translation{};

    std::array<double, 3> apply(const std::array<double, 3>& x) const {
        std::array<double, 3> image{};
        for (std::size_t row = 0; row < 3; ++row)
            image[row] = translation[row] + rotation[row][0] * x[0] + rotation[row][1] * x[1] +
                         rotation[row][2] * x[2];
        return image;
    }
};

double exactTranslation(float t) {
    const double twentyFourths = std::round(static_cast<double>(t) * 24.0);
    if (std::abs(static_cast<double>(t) * 24.0 - twentyFourths) < 24e-5)
        return twentyFourths / 24.0;
    return static_cast<double>(t);
}

ExactOperation exactOperation(const Matrix4& m) {
    ExactOperation exact;
    for (std::size_t row = 0; row < 3; ++row) {
        exact.translation[row] = exactTranslation(m[row][3]);
        for (std::size_t column = 0; column < 3; ++column)
            exact.rotation[row][column] = std::round(static_cast<double>(m[row][column]));
    }
    return exact;
}

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
    return exactOperation(m).apply(fractional);
}

Result<std::vector<CellAtom>> expandToCell(std::span<const AtomSite> sites,
                                           std::span<const SymOp> operations, const UnitCell& cell,
                                           double sameAtomDistance) {
    if (checkCell(cell) != LatticeStatus::Ok) return Problem{kInvalidCellMessage};
    const Metric metric = metricOf(cell);
    const double squaredLimit = sameAtomDistance * sameAtomDistance;
    std::vector<ExactOperation> exact;
    for (const SymOp& operation : operations) exact.push_back(exactOperation(operation.m));
    const std::size_t imagesPerSite = exact.size() + 1;
    if (sites.size() * imagesPerSite > kMostCellAtoms)
        return Problem{"The structure's " + std::to_string(sites.size()) +
                       " atom sites make up to " + std::to_string(sites.size() * imagesPerSite) +
                       " atoms in the cell; at most " + std::to_string(kMostCellAtoms) +
                       " are taken"};
    ImageBins bins(metric, sameAtomDistance, imagesPerSite);

    std::vector<CellAtom> atoms;
    atoms.reserve(sites.size() * imagesPerSite);
    for (std::size_t index = 0; index < sites.size(); ++index) {
        const AtomSite& site = sites[index];
        if (Outcome checked = checkAtomSite(site); !checked) return Problem{checked.problem()};
        const Species species =
            speciesOf(site.typeSymbol.empty() ? site.label : site.typeSymbol).value();

        const std::size_t first = atoms.size();
        bins.clear();
        auto add = [&](const std::array<double, 3>& position) {
            const std::array<double, 3> wrapped{
                wrapIntoCell(position[0]), wrapIntoCell(position[1]), wrapIntoCell(position[2])};
            const bool near = bins.any(wrapped, [&](std::size_t i) {
                return squaredDistance(metric, atoms[first + i].position, wrapped) < squaredLimit;
            });
            if (near) return;
            bins.insert(wrapped, atoms.size() - first);
            atoms.push_back(CellAtom{index, species, site.occupancy, site.bIso, wrapped});
        };
        const std::array<double, 3> position{site.x, site.y, site.z};
        add(position);
        for (const ExactOperation& operation : exact) add(operation.apply(position));
    }
    return atoms;
}

} // namespace tavrel
